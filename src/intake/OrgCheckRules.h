#pragma once

#include "intake/OrgCheck.h"

#include <optional>
#include <vector>

namespace qar
{

/// Appends a finding for each record of the user files whose user the users table does not hold.
void AddUserFileFindings(const OrgData& data, const UserFileRecords& files, std::vector<CheckFinding>& out);

/// Appends a finding for each row the unit or user editor would refuse to save unchanged, ordered by
/// rule, then by table order; only rows of `group` when given.
void AddEditorRuleFindings(const OrgData& data, const UserRowRules& rules, std::optional<std::int32_t> group,
                           std::vector<CheckFinding>& out);

} // namespace qar
