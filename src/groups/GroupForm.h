#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace qar
{

/// Fields of the group editor a failed check puts the focus on.
enum class GroupField
{
    None,
    Number,
    Name,
    HomePage,
    Members,
};

/// The first failed check of the group editor: the message to show (a string-table id; the range
/// message takes rangeMin and rangeMax) and the field to focus.
struct GroupFormError
{
    int messageId = 0;
    GroupField field = GroupField::None;
    int rangeMin = 0;
    int rangeMax = 0;
};

/// What the editor's fields hold, as typed.
struct GroupFields
{
    std::string numberText;
    std::string name;
    std::string homePage;
    std::string membersText = "0";
    std::uint32_t attributes = 0;
    std::string ftpIpText = "0.0.0.0";
    std::string cwaIpText = "0.0.0.0";
};

/// A group as the groups table holds it.
struct GroupRecord
{
    std::int32_t id = 0;
    std::string name;
    std::string url;
    std::uint32_t ftpIp = 0;
    std::uint32_t cwaIp = 0;
    std::int32_t count = 0;
    std::uint32_t power = 0;

    bool operator==(const GroupRecord&) const = default;
};

/// The most members a group may have; 0 means no limit.
inline constexpr int kMaxGroupMembers = 65000;

/// How the editor opens: every existing group number (for the uniqueness check), the starting number of
/// the edited group (none when adding).
struct GroupFormSetup
{
    std::vector<std::int32_t> existingNumbers;
    std::optional<std::int32_t> startNumber;
};

/// The fields of a group as the editor shows them (addresses as dotted text).
GroupFields FieldsOf(const GroupRecord& group);
/// The fields after another program changed the group while the editor was open: what the administrator
/// changed since the editor was `loaded` stays as `typed`, every other field takes the `stored` value.
GroupFields MergeStoredGroup(const GroupFields& loaded, const GroupFields& typed, const GroupFields& stored);

/// The fields of a new group with the proposed number.
GroupFields NewGroupFields(std::int32_t proposedNumber);

/// "Accepting the fields", as every button of the editor does first: the number must be a whole number,
/// members a whole number from 0 to 65000. Returns the converted values or the range message.
std::variant<GroupFormError, GroupRecord> AcceptGroupFields(const GroupFields& fields);

/// The checks of the editor's OK in their order: the fields accepted, the number unique unless it is
/// the starting number (message 203), the name and the home page not empty (161).
std::variant<GroupFormError, GroupRecord> ValidateGroupForm(const GroupFormSetup& setup, const GroupFields& fields);

/// Whether OK of an edit changes nothing: number, name, home page, both addresses as text, members and
/// attributes as they were.
bool GroupUnchanged(const GroupRecord& stored, const GroupRecord& edited);

/// The number Add proposes: one more than the largest of `numbers`, 0 for none.
std::int32_t ProposeGroupNumber(const std::vector<std::int32_t>& numbers);

/// The SP value of SvrFlag.dat that shows the editor's row of group detail buttons (greater than 0);
/// 0 when the server is not installed beside the program.
int ReadGroupDetailFlag();
/// Whether the server executable lies in the program directory: the machine where the server is
/// installed, where groups can be added and deleted and attributes set.
bool ServerInstalled();

/// The property values "Prop Setup" offers as defaults for a group without a data file. The dates are
/// today and 365 days later as year-month-day.
std::map<std::string, std::string> DefaultGroupProperties(const std::string& name, const std::string& homePage,
                                                          std::int32_t members, int year, int month, int day);

/// Parameters of the spreadsheet tool for one group: "-bysys-h%d-grps%d|-dgrp%d".
std::string GroupSheetIntakeParameters(long long windowHandle, std::int32_t group);

} // namespace qar
