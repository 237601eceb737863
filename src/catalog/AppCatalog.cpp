#include "catalog/AppCatalog.h"

#include "catalog/CatalogXml.h"
#include "db/CXTableGroup.h"
#include "db/OdbcError.h"
#include "platform/Locale.h"
#include "platform/TextUtil.h"
#include "resources/StringIds.h"

#include <algorithm>
#include <utility>

namespace qar
{
namespace
{

constexpr const char* kRoot = "QAR_APPS";
constexpr const char* kRecord = "A";
constexpr const char* kAttributes[kAppColumns] = {"ID",     "N",        "URL",   "G",     "T",
                                                  "BS_LOG", "CS_TITLE", "CS_D1", "CS_D2", "CS_D3"};
constexpr std::int32_t kMinId = 1;
constexpr std::int32_t kMaxId = 65000;

NumberText keyText(const AppEntry& e)
{
    return NumberText(e.id);
}

} // namespace

void NormalizeApp(AppEntry& e)
{
    const auto clearLogin = [&e] {
        e.type = 0;
        e.bsLogin.clear();
        e.csTitle.clear();
        e.csId1 = e.csId2 = e.csId3 = 0;
    };
    if ((e.type & AppType::kLogin) == 0) {
        clearLogin();
    }
    if ((e.type & AppType::kClientServer) != 0) {
        e.bsLogin.clear();
    } else {
        e.csTitle.clear();
        e.csId1 = e.csId2 = e.csId3 = 0;
    }
    if ((e.type & AppType::kPassword) == 0) {
        clearLogin();
    }
}

std::string AppCellText(const AppEntry& e, int column)
{
    switch (column) {
    case 0:
        return FormatNumber(e.id);
    case 1:
        return e.name;
    case 2:
        return e.location;
    case 3:
        return FormatNumber(e.group);
    case 4:
        return FormatNumber(e.type);
    case 5:
        return e.bsLogin;
    case 6:
        return e.csTitle;
    case 7:
        return FormatNumber(e.csId1);
    case 8:
        return FormatNumber(e.csId2);
    case 9:
        return FormatNumber(e.csId3);
    default:
        return {};
    }
}

std::string AppIconPath(std::int32_t id)
{
    return IconFilePath(FormatNumber(id) + ".ico");
}

CAppCatalog::CAppCatalog(std::string path) : m_path(std::move(path)) {}

bool CAppCatalog::load()
{
    // The entries of the last load are overwritten in place: a page shown again reads thousands of
    // entries into the strings it already has.
    std::size_t count = 0;
    const bool loaded = ReadCatalogFile(m_path, kRoot, kRecord, [this, &count](const CXMarkupFile& doc) {
        if (count == m_rows.size()) {
            m_rows.emplace_back();
        }
        AppEntry& e = m_rows[count++];
        e.id = doc.GetAttributeInt("ID");
        doc.GetAttributeForSystem("N", e.name);
        doc.GetAttributeForSystem("URL", e.location);
        e.group = doc.GetAttributeInt("G");
        e.type = doc.GetAttributeInt("T");
        doc.GetAttributeForSystem("BS_LOG", e.bsLogin);
        doc.GetAttributeForSystem("CS_TITLE", e.csTitle);
        e.csId1 = doc.GetAttributeInt("CS_D1");
        e.csId2 = doc.GetAttributeInt("CS_D2");
        e.csId3 = doc.GetAttributeInt("CS_D3");
        m_largestId = std::max(m_largestId, e.id);
    });
    m_rows.resize(count);
    SortByKeyText(m_rows, keyText);
    return loaded;
}

std::vector<std::int32_t> CAppCatalog::usedIds() const
{
    std::vector<std::int32_t> ids;
    ids.reserve(m_rows.size());
    for (const AppEntry& e : m_rows) {
        ids.push_back(e.id);
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

bool WriteAppsFile(const std::string& path, const std::vector<AppEntry>& rows)
{
    return WriteCatalogFile(path, kRoot, kRecord, rows, [](CXMarkupFile& doc, const AppEntry& e) {
        for (int column = 0; column < kAppColumns; ++column) {
            doc.SetAttribute(kAttributes[column], AppCellText(e, column));
        }
    });
}

// Each change is made in place and undone when the file cannot be written, so the list always shows
// the file. The file just written reads back as exactly these rows, so they are not read again.
std::optional<std::size_t> CAppCatalog::add(const AppEntry& entry)
{
    const std::size_t at = SortedInsertPosition(m_rows, entry, keyText);
    const auto it = m_rows.insert(m_rows.begin() + static_cast<std::ptrdiff_t>(at), entry);
    if (!WriteAppsFile(m_path, m_rows)) {
        m_rows.erase(it);
        return std::nullopt;
    }
    m_largestId = std::max(m_largestId, entry.id);
    return at;
}

bool CAppCatalog::replace(std::size_t row, const AppEntry& entry)
{
    if (row >= m_rows.size()) {
        return false;
    }
    AppEntry previous = std::exchange(m_rows[row], entry);
    m_rows[row].id = previous.id; // the ID of an entry never changes
    if (!WriteAppsFile(m_path, m_rows)) {
        m_rows[row] = std::move(previous);
        return false;
    }
    return true;
}

bool CAppCatalog::remove(std::size_t row)
{
    if (row >= m_rows.size()) {
        return false;
    }
    const auto at = m_rows.begin() + static_cast<std::ptrdiff_t>(row);
    AppEntry removed = std::move(*at);
    m_rows.erase(at);
    if (!WriteAppsFile(m_path, m_rows)) {
        m_rows.insert(m_rows.begin() + static_cast<std::ptrdiff_t>(row), std::move(removed));
        return false;
    }
    return true;
}

AppControls ApplyAppRules(AppForm& form)
{
    AppControls c;
    c.needPassword = form.kind == AppKind::BrowserServer || form.kind == AppKind::ClientServer;
    if (!c.needPassword) {
        form.needPassword = false;
    }
    if (form.needPassword) {
        c.bsLogin = form.kind == AppKind::BrowserServer;
        c.csTitle = form.kind == AppKind::ClientServer;
        c.systemEmail = true;
        c.unitive = true;
    } else {
        form.systemEmail = false;
        form.unitive = false;
    }
    return c;
}

AppControls AppBoxClicked(AppForm& form, AppBox box)
{
    if (box == AppBox::SystemEmail && form.systemEmail) {
        form.unitive = false;
    } else if (box == AppBox::Unitive && form.unitive) {
        form.systemEmail = false;
    }
    return ApplyAppRules(form);
}

std::int32_t AppTypeFlags(const AppForm& form)
{
    std::int32_t flags = 0;
    if (form.kind == AppKind::BrowserServer) {
        flags = AppType::kLogin;
    } else if (form.kind == AppKind::ClientServer) {
        flags = AppType::kLogin | AppType::kClientServer;
    }
    if (flags != 0) {
        flags |= (form.needPassword ? AppType::kPassword : 0) | (form.systemEmail ? AppType::kSystemEmail : 0) |
                 (form.unitive ? AppType::kUnitive : 0);
    }
    return flags;
}

AppFormModel::AppFormModel(AppFormSetup setup) : m_setup(std::move(setup))
{
    std::sort(m_setup.usedIds.begin(), m_setup.usedIds.end());
}

AppForm AppFormModel::initialForm(const AppEntry& entry) const
{
    AppForm f;
    f.idText = FormatNumber(m_setup.adding ? proposedId() : entry.id);
    f.name = entry.name;
    f.location = entry.location;
    if (!m_setup.adding) {
        const auto it = std::find_if(m_setup.groups.begin(), m_setup.groups.end(),
                                     [&entry](const AppGroupChoice& g) { return g.id == entry.group; });
        f.groupIndex = it == m_setup.groups.end() ? -1 : static_cast<int>(it - m_setup.groups.begin());
    }
    // The type is one byte wide; bits a hand-edited file sets above it mean nothing to the form.
    const std::int32_t flags = entry.type & 0xFF;
    if (flags == 0) {
        f.kind = AppKind::Auto;
    } else if ((flags & AppType::kLogin) != 0) {
        f.kind = (flags & AppType::kClientServer) != 0 ? AppKind::ClientServer : AppKind::BrowserServer;
        f.needPassword = (flags & AppType::kPassword) != 0;
        f.systemEmail = (flags & AppType::kSystemEmail) != 0;
        f.unitive = (flags & AppType::kUnitive) != 0;
    }
    f.bsLogin = entry.bsLogin;
    f.csTitle = entry.csTitle;
    f.csId1Text = FormatNumber(entry.csId1);
    f.csId2Text = FormatNumber(entry.csId2);
    f.csId3Text = FormatNumber(entry.csId3);
    ApplyAppRules(f);
    return f;
}

std::variant<CatalogFormError<AppField>, AppEntry> AppFormModel::validate(const AppForm& form) const
{
    using Error = CatalogFormError<AppField>;
    if (m_setup.adding && std::binary_search(m_setup.usedIds.begin(), m_setup.usedIds.end(), AtoI(form.idText))) {
        return Error{str::kApplicationIdExists, AppField::Id};
    }
    if (form.name.empty()) {
        return Error{str::kInputCantBeNull, AppField::Name};
    }
    if (form.location.empty()) {
        return Error{str::kInputCantBeNull, AppField::Location};
    }
    // A web address is no client/server program, and a program file no browser/server application. Only
    // an ".exe" behind the first character counts.
    const std::string location = LowerAsciiLetters(form.location);
    const bool web = location.rfind("http://", 0) == 0;
    const std::size_t exe = location.find(".exe");
    if ((web && form.kind == AppKind::ClientServer) ||
        (!web && exe != std::string::npos && exe > 0 && form.kind == AppKind::BrowserServer)) {
        return Error{str::kApplicationTypeWrong, AppField::None};
    }
    if (form.groupIndex < 0 || form.groupIndex >= static_cast<int>(m_setup.groups.size())) {
        return Error{str::kGroupMustBeAssigned, AppField::Group};
    }
    AppEntry e;
    e.type = AppTypeFlags(form);
    if (form.needPassword) {
        if (form.kind == AppKind::ClientServer && form.csTitle.empty()) {
            return Error{str::kInputCantBeNull, AppField::CsTitle};
        }
        if (form.kind != AppKind::ClientServer && form.bsLogin.empty()) {
            return Error{str::kInputCantBeNull, AppField::BsLogin};
        }
    }
    // The form framework's own checks of its number fields come last, in the order of the fields.
    const std::optional<std::int32_t> id = ParseFormInt(form.idText);
    if (!id) {
        return Error{str::kEnterInteger, AppField::Id};
    }
    if (*id < kMinId || *id > kMaxId) {
        return Error{str::kEnterIntegerRange, AppField::Id, kMinId, kMaxId};
    }
    const std::pair<const std::string*, AppField> ids[] = {
        {&form.csId1Text, AppField::CsId1}, {&form.csId2Text, AppField::CsId2}, {&form.csId3Text, AppField::CsId3}};
    std::int32_t* targets[] = {&e.csId1, &e.csId2, &e.csId3};
    for (std::size_t i = 0; i < std::size(ids); ++i) {
        const std::optional<std::int32_t> value = ParseFormInt(*ids[i].first);
        if (!value) {
            return Error{str::kEnterInteger, ids[i].second};
        }
        *targets[i] = *value;
    }
    e.id = *id;
    e.name = form.name;
    e.location = form.location;
    e.group = m_setup.groups[static_cast<std::size_t>(form.groupIndex)].id;
    e.bsLogin = form.bsLogin;
    e.csTitle = form.csTitle;
    return e;
}

std::string AppGroupChoiceText(const AppGroupChoice& choice)
{
    return choice.name.empty() ? std::to_string(choice.id) : std::to_string(choice.id) + " - " + choice.name;
}

std::vector<AppGroupChoice> ReadGroupChoices(CXTableGroup* groups)
{
    std::vector<AppGroupChoice> choices{{0, {}}};
    if (groups == nullptr) {
        return choices;
    }
    try {
        if (!groups->IsOpen()) {
            groups->Open();
        }
        for (groups->MoveFirst(); !groups->IsEOF(); groups->MoveNext()) {
            if (groups->m_GROUP_ID > 0) {
                choices.push_back({groups->m_GROUP_ID, groups->m_GROUP_NAME});
            }
        }
    } catch (const DbError&) {
        // Without the database only the public entry is offered; the form still works.
    }
    return choices;
}

} // namespace qar
