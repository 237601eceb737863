#pragma once

#include "catalog/CatalogFiles.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace qar
{

/// One transaction message type of jobmsg.xml.
struct MsgTypeEntry
{
    std::int32_t type = 0; ///< 1-20 the system's, 21-240 extensions
    std::string name{};
    std::uint32_t mark = 0; ///< the feature mask, written as a signed number

    bool operator==(const MsgTypeEntry&) const = default;
};

/// Mark code bits the form sets with boxes of their own.
inline constexpr std::uint32_t kMarkIgnoreSame = 1U << 12;
inline constexpr std::uint32_t kMarkNeedReplay = 1U << 13;

inline constexpr const char* kMsgTypesFileName = "jobmsg.xml";
inline constexpr std::int32_t kLowestMsgType = 1;
inline constexpr std::int32_t kHighestMsgType = 240;
inline constexpr std::int32_t kFirstExtensionMsgType = 21;
/// List columns: the number ("%03d"), the name, the mark code ("%d").
inline constexpr int kMsgTypeColumns = 3;
std::string MsgTypeCellText(const MsgTypeEntry& entry, int column);

/// The message types catalogue: the list of jobmsg.xml sorted by the three-digit number. Every change
/// rewrites the file whole; the list changes only when the file was written.
class CMsgTypeCatalog
{
public:
    explicit CMsgTypeCatalog(std::string path = CatalogXmlPath(kMsgTypesFileName));

    /// Rebuilds the list from the file; a missing or broken file leaves it empty (false).
    bool load();
    const std::vector<MsgTypeEntry>& rows() const { return m_rows; }
    const std::string& path() const { return m_path; }
    /// The numbers 1 to 240 no row uses, ascending.
    std::vector<std::int32_t> freeNumbers() const;

    /// The row the entry landed on, or nullopt when the file could not be written.
    std::optional<std::size_t> add(const MsgTypeEntry& entry);
    /// Replaces the name and mark code of row `row` (its number stays).
    bool replace(std::size_t row, const MsgTypeEntry& entry);
    bool remove(std::size_t row);

private:
    bool save(std::vector<MsgTypeEntry> rows);

    std::string m_path;
    std::vector<MsgTypeEntry> m_rows;
};

/// The entry of `numbers` an added type starts on: the lowest extension number, or the highest number
/// when all are the system's; -1 when there is none.
int PreselectedMsgType(const std::vector<std::int32_t>& numbers);

enum class MsgTypeField
{
    None,
    Name,
    Mark,
};

/// What the message type form's fields hold.
struct MsgTypeForm
{
    int numberIndex = -1; ///< into MsgTypeFormModel::numbers()
    std::string name{};
    std::string markText{};
    bool ignoreSame = false;
    bool needReplay = false;
};

enum class MarkBox
{
    IgnoreSame,
    NeedReplay,
};

/// The logic of the message type form: the numbers it offers, its first values, the two boxes that
/// mirror bits of the mark code and the checks of OK.
class MsgTypeFormModel
{
public:
    /// `numbers`: the free numbers when adding, the row's own number when modifying.
    MsgTypeFormModel(std::vector<std::int32_t> numbers, bool adding);

    const std::vector<std::int32_t>& numbers() const { return m_numbers; }
    bool adding() const { return m_adding; }

    MsgTypeForm initialForm(const MsgTypeEntry& entry) const;
    /// A box was clicked (its new state is in `form`): its bit of the mark code follows it, and the
    /// fields are filled again from the number. A mark code that is no number is refused, the box put
    /// back.
    static std::optional<CatalogFormError<MsgTypeField>> boxClicked(MsgTypeForm& form, MarkBox box);
    std::variant<CatalogFormError<MsgTypeField>, MsgTypeEntry> validate(const MsgTypeForm& form) const;

private:
    std::vector<std::int32_t> m_numbers;
    bool m_adding;
};

} // namespace qar
