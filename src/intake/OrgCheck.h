#pragma once

#include "intake/OrgData.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qar
{

class OrgTree;

/// A row the tree does not show, or a value several rows hold, and why.
struct CheckFinding
{
    bool user = false;   ///< a user row, else a unit row
    std::int32_t id = 0; ///< its ID
    std::size_t row = 0; ///< its position in the table, from 1
    int messageId = 0;
    std::vector<std::string> args;
};

/// What the tree hides or cannot tell apart: units whose parent is missing, whose parent links form a
/// cycle, at level 0, whose level does not follow the parent's, top-level units of a missing group,
/// units below a hidden unit; users whose unit or group is missing or whose unit is hidden; IDs,
/// e-mail addresses and mobile numbers held by more than one row. Every affected row is listed, units
/// first, each in table order. Reads nothing but `data`.
std::vector<CheckFinding> CheckOrgData(const OrgData& data);

/// "Unit 105 (row 7): parent unit 99 does not exist", in the user's language.
std::string CheckFindingText(const CheckFinding& finding);

/// The units-and-users tree as text, one node a line, indented two blanks a level, as the tree of the
/// units-and-users page shows it to a system manager; only the group `group` when it is not 0.
std::string OrgTreeText(const OrgData& data, std::int32_t group = 0);

/// Builds the tree of the units-and-users page from `data` (system manager's view).
void BuildOrgTree(const OrgData& data, OrgTree& tree);

} // namespace qar
