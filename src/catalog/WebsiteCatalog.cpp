#include "catalog/WebsiteCatalog.h"

#include "catalog/CatalogXml.h"
#include "resources/StringIds.h"

#include <algorithm>

namespace qar
{
namespace
{

constexpr const char* kRoot = "QAR_URLS";
constexpr const char* kRecord = "URL";
constexpr std::int32_t kMinId = 1;
constexpr std::int32_t kMaxId = 65535;

NumberText keyText(const WebsiteEntry& e)
{
    return NumberText(e.id);
}

} // namespace

std::string WebsiteCellText(const WebsiteEntry& e, int column)
{
    switch (column) {
    case 0:
        return FormatNumber(e.id);
    case 1:
        return e.name;
    case 2:
        return e.url;
    default:
        return {};
    }
}

std::string WebsiteIconPath(std::int32_t id)
{
    return IconFilePath("w_" + FormatNumber(id) + ".ico");
}

CWebsiteCatalog::CWebsiteCatalog(std::string path) : m_path(std::move(path)) {}

bool CWebsiteCatalog::load()
{
    m_rows.clear();
    const bool loaded = ReadCatalogFile(m_path, kRoot, kRecord, [this](const CXMarkupFile& doc) {
        m_rows.push_back({doc.GetAttributeInt("ID"), doc.GetAttributeForSystem("N"), doc.GetAttributeForSystem("U")});
    });
    SortByKeyText(m_rows, keyText);
    return loaded;
}

std::vector<std::int32_t> CWebsiteCatalog::usedIds() const
{
    std::vector<std::int32_t> ids;
    for (const WebsiteEntry& e : m_rows) {
        ids.push_back(e.id);
    }
    return ids;
}

bool CWebsiteCatalog::save(std::vector<WebsiteEntry> rows)
{
    const bool saved = WriteCatalogFile(m_path, kRoot, kRecord, rows, [](CXMarkupFile& doc, const WebsiteEntry& e) {
        doc.SetAttribute("ID", WebsiteCellText(e, 0));
        doc.SetAttribute("N", e.name);
        doc.SetAttribute("U", e.url);
    });
    if (saved) {
        m_rows = std::move(rows);
    }
    return saved;
}

std::optional<std::size_t> CWebsiteCatalog::add(const WebsiteEntry& entry)
{
    std::vector<WebsiteEntry> rows = m_rows;
    const std::size_t at = SortedInsertPosition(rows, entry, keyText);
    rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(at), entry);
    if (!save(std::move(rows))) {
        return std::nullopt;
    }
    return at;
}

bool CWebsiteCatalog::replace(std::size_t row, const WebsiteEntry& entry)
{
    if (row >= m_rows.size()) {
        return false;
    }
    std::vector<WebsiteEntry> rows = m_rows;
    rows[row].name = entry.name;
    rows[row].url = entry.url;
    return save(std::move(rows));
}

bool CWebsiteCatalog::remove(std::size_t row)
{
    if (row >= m_rows.size()) {
        return false;
    }
    std::vector<WebsiteEntry> rows = m_rows;
    rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(row));
    return save(std::move(rows));
}

WebsiteFormModel::WebsiteFormModel(bool adding, std::vector<std::int32_t> usedIds)
    : m_adding(adding), m_usedIds(std::move(usedIds))
{
    std::sort(m_usedIds.begin(), m_usedIds.end());
}

std::int64_t WebsiteFormModel::proposedId() const
{
    return m_usedIds.empty() ? 1 : static_cast<std::int64_t>(m_usedIds.back()) + 1;
}

WebsiteForm WebsiteFormModel::initialForm(const WebsiteEntry& entry) const
{
    return WebsiteForm{FormatNumber(m_adding ? proposedId() : entry.id), entry.name, entry.url};
}

std::variant<CatalogFormError<WebsiteField>, WebsiteEntry> WebsiteFormModel::validate(const WebsiteForm& form) const
{
    using Error = CatalogFormError<WebsiteField>;
    const std::optional<std::int32_t> id = ParseFormInt(form.idText);
    if (!id) {
        return Error{str::kEnterInteger, WebsiteField::Id};
    }
    if (*id < kMinId || *id > kMaxId) {
        return Error{str::kEnterIntegerRange, WebsiteField::Id, kMinId, kMaxId};
    }
    if (std::binary_search(m_usedIds.begin(), m_usedIds.end(), *id)) {
        return Error{str::kIdMustBeUnique, WebsiteField::Id};
    }
    if (form.name.empty()) {
        return Error{str::kInputCantBeNull, WebsiteField::Name};
    }
    if (form.url.empty()) {
        return Error{str::kInputCantBeNull, WebsiteField::Url};
    }
    return WebsiteEntry{*id, form.name, form.url};
}

} // namespace qar
