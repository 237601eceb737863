#include "catalog/MsgTypeCatalog.h"

#include "catalog/CatalogXml.h"
#include "resources/StringIds.h"

#include <algorithm>

namespace qar
{
namespace
{

constexpr const char* kRoot = "QAR_JOBMSG";
constexpr const char* kRecord = "J";
constexpr int kNumberWidth = 3;

NumberText keyText(const MsgTypeEntry& e)
{
    return NumberText(e.type, kNumberWidth);
}

void showBoxes(MsgTypeForm& form, std::uint32_t mark)
{
    form.markText = std::to_string(mark);
    form.ignoreSame = (mark & kMarkIgnoreSame) != 0;
    form.needReplay = (mark & kMarkNeedReplay) != 0;
}

} // namespace

std::string MsgTypeCellText(const MsgTypeEntry& e, int column)
{
    switch (column) {
    case 0:
        return FormatNumber(e.type, kNumberWidth);
    case 1:
        return e.name;
    case 2:
        // The file holds the 32 bits as a signed number: bit 31 makes it negative.
        return FormatNumber(static_cast<std::int32_t>(e.mark));
    default:
        return {};
    }
}

CMsgTypeCatalog::CMsgTypeCatalog(std::string path) : m_path(std::move(path)) {}

bool CMsgTypeCatalog::load()
{
    m_rows.clear();
    const bool loaded = ReadCatalogFile(m_path, kRoot, kRecord, [this](const CXMarkupFile& doc) {
        m_rows.push_back({doc.GetAttributeInt("T"), doc.GetAttributeForSystem("N"),
                          static_cast<std::uint32_t>(doc.GetAttributeInt("M"))});
    });
    SortByKeyText(m_rows, keyText);
    return loaded;
}

std::vector<std::int32_t> CMsgTypeCatalog::freeNumbers() const
{
    bool used[kHighestMsgType + 1] = {};
    for (const MsgTypeEntry& e : m_rows) {
        if (e.type >= kLowestMsgType && e.type <= kHighestMsgType) {
            used[e.type] = true;
        }
    }
    std::vector<std::int32_t> free;
    for (std::int32_t n = kLowestMsgType; n <= kHighestMsgType; ++n) {
        if (!used[n]) {
            free.push_back(n);
        }
    }
    return free;
}

bool CMsgTypeCatalog::save(std::vector<MsgTypeEntry> rows)
{
    const bool saved = WriteCatalogFile(m_path, kRoot, kRecord, rows, [](CXMarkupFile& doc, const MsgTypeEntry& e) {
        doc.SetAttribute("T", MsgTypeCellText(e, 0));
        doc.SetAttribute("N", e.name);
        doc.SetAttribute("M", MsgTypeCellText(e, 2));
    });
    if (saved) {
        m_rows = std::move(rows);
    }
    return saved;
}

std::optional<std::size_t> CMsgTypeCatalog::add(const MsgTypeEntry& entry)
{
    std::vector<MsgTypeEntry> rows = m_rows;
    const std::size_t at = SortedInsertPosition(rows, entry, keyText);
    rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(at), entry);
    if (!save(std::move(rows))) {
        return std::nullopt;
    }
    return at;
}

bool CMsgTypeCatalog::replace(std::size_t row, const MsgTypeEntry& entry)
{
    if (row >= m_rows.size()) {
        return false;
    }
    std::vector<MsgTypeEntry> rows = m_rows;
    rows[row].name = entry.name;
    rows[row].mark = entry.mark;
    return save(std::move(rows));
}

bool CMsgTypeCatalog::remove(std::size_t row)
{
    if (row >= m_rows.size()) {
        return false;
    }
    std::vector<MsgTypeEntry> rows = m_rows;
    rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(row));
    return save(std::move(rows));
}

int PreselectedMsgType(const std::vector<std::int32_t>& numbers)
{
    const auto it =
        std::find_if(numbers.begin(), numbers.end(), [](std::int32_t n) { return n >= kFirstExtensionMsgType; });
    if (it != numbers.end()) {
        return static_cast<int>(it - numbers.begin());
    }
    return static_cast<int>(numbers.size()) - 1;
}

MsgTypeFormModel::MsgTypeFormModel(std::vector<std::int32_t> numbers, bool adding)
    : m_numbers(std::move(numbers)), m_adding(adding)
{}

MsgTypeForm MsgTypeFormModel::initialForm(const MsgTypeEntry& entry) const
{
    MsgTypeForm form;
    form.numberIndex = m_adding ? PreselectedMsgType(m_numbers) : (m_numbers.empty() ? -1 : 0);
    form.name = entry.name;
    showBoxes(form, entry.mark);
    return form;
}

std::optional<CatalogFormError<MsgTypeField>> MsgTypeFormModel::boxClicked(MsgTypeForm& form, MarkBox box)
{
    // A cleared field counts as no bits at all, so a box can start a mark code from nothing.
    const bool blank = form.markText.find_first_not_of(" \t") == std::string::npos;
    const std::optional<std::uint32_t> typed =
        blank ? std::optional<std::uint32_t>(0) : ParseFormUnsigned(form.markText);
    if (!typed) {
        bool& ticked = box == MarkBox::IgnoreSame ? form.ignoreSame : form.needReplay;
        ticked = !ticked;
        return CatalogFormError<MsgTypeField>{str::kEnterPositiveInteger, MsgTypeField::Mark};
    }
    const std::uint32_t bit = box == MarkBox::IgnoreSame ? kMarkIgnoreSame : kMarkNeedReplay;
    const bool on = box == MarkBox::IgnoreSame ? form.ignoreSame : form.needReplay;
    showBoxes(form, on ? (*typed | bit) : (*typed & ~bit));
    return std::nullopt;
}

std::variant<CatalogFormError<MsgTypeField>, MsgTypeEntry> MsgTypeFormModel::validate(const MsgTypeForm& form) const
{
    using Error = CatalogFormError<MsgTypeField>;
    if (form.name.empty()) {
        return Error{str::kInputCantBeNull, MsgTypeField::Name};
    }
    if (form.markText.empty()) {
        return Error{str::kInputCantBeNull, MsgTypeField::Mark};
    }
    if (form.numberIndex < 0 || form.numberIndex >= static_cast<int>(m_numbers.size())) {
        return Error{str::kInvalidId, MsgTypeField::None};
    }
    const std::optional<std::uint32_t> mark = ParseFormUnsigned(form.markText);
    if (!mark) {
        return Error{str::kEnterPositiveInteger, MsgTypeField::Mark};
    }
    return MsgTypeEntry{m_numbers[static_cast<std::size_t>(form.numberIndex)], form.name, *mark};
}

} // namespace qar
