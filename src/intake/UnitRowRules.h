#pragma once

#include "intake/IntakeColumns.h"
#include "intake/OrgData.h"
#include "org/UnitForm.h"

#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace qar
{

/// A unit form's first failed check as the import and the data check report it: the string id, the
/// column at fault and the message's texts.
struct UnitRowVerdict
{
    int messageId = 0;
    UnitColumn column = UnitColumn::Id;
    std::vector<std::string> args;
};

/// The unit form's checks on `form`, in the import's terms: the form framework's range messages become
/// their string-table ids, the field at fault a column.
std::variant<UnitRowVerdict, ValidUnit> JudgeUnitForm(const UnitFormModel& model, const UnitForm& form);

/// The unit editor's verdict on a stored unit opened and saved without a change (its name, code, group,
/// weight and the texts' length); messageId 0 when it passes. `parent` is its parent unit, null when it
/// has none; `groupIds` every group row's ID.
UnitRowVerdict JudgeStoredUnit(const UnitRecord& unit, const UnitRecord* parent,
                               std::span<const std::int32_t> groupIds);

} // namespace qar
