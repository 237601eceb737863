#pragma once

#include "intake/OrgData.h"
#include "intake/UserRowRules.h"
#include "xml/DomainUserFile.h"
#include "xml/MultiUnitUsers.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qar
{

class OrgTree;

/// What a finding is about.
enum class CheckSubject
{
    Unit,
    User,
    SignOnRecord, ///< a record of Userx.xml
    VirtualUnits, ///< a user's entry of MUser.xml
};

/// A row the tree does not show, a value several rows hold, a row the editors would refuse, or a record
/// kept for a user who does not exist, and why.
struct CheckFinding
{
    CheckSubject subject = CheckSubject::Unit;
    std::int32_t id = 0; ///< the unit's or user's ID
    std::size_t row = 0; ///< its position in the table or file, from 1
    int messageId = 0;
    std::vector<std::string> args;
    /// A rule of the editors the row breaks: the column at fault and the value it holds.
    bool editorRule = false;
    std::string column{};
    std::string value{};
};

/// The records kept for users outside the database.
struct UserFileRecords
{
    std::vector<DomainUserRecord> signOn;            ///< Userx.xml
    std::vector<MultiUnitUsers::Entry> virtualUnits; ///< MUser.xml
};

/// Reads Userx.xml and MUser.xml of the program directory; a missing file holds no records.
UserFileRecords ReadUserFileRecords();

/// What a check covers besides what the tree hides.
struct CheckOptions
{
    /// A group manager's check: only the rows of this group are listed, and no record of the user files
    /// (a user who does not exist belongs to no group).
    std::optional<std::int32_t> group;
    /// The editors' rules to judge every row by; without them rows are not judged.
    UserRowRules userRules;
    UserFileRecords userFiles;
};

/// The check as the tool runs it: the editors' rules with the program directory's role file, and its
/// user files; only `group` when given.
CheckOptions EditorCheckOptions(std::optional<std::int32_t> group = std::nullopt);

/// What the tree hides or cannot tell apart: units whose parent is missing, whose parent links form a
/// cycle, at level 0, whose level does not follow the parent's, top-level units of a missing group,
/// units below a hidden unit; users whose unit or group is missing or whose unit is hidden; IDs,
/// e-mail addresses and mobile numbers held by more than one row. Then the records of the user files
/// whose user does not exist, and the rows the editors would refuse, by rule. Every affected row is
/// listed, units first, each in table order. Reads nothing but `data` and `options`.
std::vector<CheckFinding> CheckOrgData(const OrgData& data, const CheckOptions& options = {});

/// "Unit 105 (#7): parent unit 99 does not exist", in the user's language.
std::string CheckFindingText(const CheckFinding& finding);

/// The report of a check, one line a finding; the rows the editors would refuse come under a heading
/// for each rule, indented.
std::vector<std::string> CheckReportLines(const std::vector<CheckFinding>& findings);

/// The units-and-users tree as text, one node a line, indented two blanks a level, as the tree of the
/// units-and-users page shows it to a system manager; only the group `group` when it is not 0.
std::string OrgTreeText(const OrgData& data, std::int32_t group = 0);

/// Builds the tree of the units-and-users page from `data` (system manager's view).
void BuildOrgTree(const OrgData& data, OrgTree& tree);

} // namespace qar
