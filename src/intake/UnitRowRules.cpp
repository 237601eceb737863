#include "intake/UnitRowRules.h"

#include "intake/UserRowRules.h"
#include "resources/StringIds.h"

namespace qar
{

namespace
{

UnitColumn columnOf(UnitField field)
{
    switch (field) {
    case UnitField::Department:
        return UnitColumn::Name;
    case UnitField::Parent:
        return UnitColumn::Parent;
    case UnitField::Group:
        return UnitColumn::Group;
    case UnitField::Weight:
        return UnitColumn::Weight;
    default:
        return UnitColumn::Id;
    }
}

/// The form framework's own range messages have no string-table number of the platform's; the table
/// holds them under the application-wide ids.
int messageIdOf(int formMessageId)
{
    if (formMessageId == kMessageEnterInteger) {
        return str::kEnterInteger;
    }
    if (formMessageId == kMessageEnterIntegerRange) {
        return str::kEnterIntegerRange;
    }
    return formMessageId;
}

UnitRow rowOf(const UnitRecord& u)
{
    return {u.id, u.name, u.superId, u.level, u.status, u.canLog, u.alias, u.group};
}

} // namespace

std::variant<UnitRowVerdict, ValidUnit> JudgeUnitForm(const UnitFormModel& model, const UnitForm& form)
{
    auto verdict = model.validate(form);
    if (const FormError* error = std::get_if<FormError>(&verdict)) {
        UnitRowVerdict v{messageIdOf(error->messageId), columnOf(error->field), {}};
        if (error->messageId == kMessageEnterIntegerRange) {
            v.args = {std::to_string(error->rangeMin), std::to_string(error->rangeMax)};
        }
        return v;
    }
    return std::get<ValidUnit>(std::move(verdict));
}

UnitRowVerdict JudgeStoredUnit(const UnitRecord& unit, const UnitRecord* parent, std::span<const std::int32_t> groupIds)
{
    for (const auto& [text, column] : {std::pair{&unit.name, UnitColumn::Name},
                                       {&unit.alias, UnitColumn::Alias},
                                       {&unit.password, UnitColumn::Password}}) {
        if (text->size() > kMaxTextBytes) {
            return {str::kRowTextTooLong, column, {}};
        }
    }
    const UnitRow row = rowOf(unit);
    std::vector<UnitRow> near{row};
    if (parent != nullptr) {
        near.push_back(rowOf(*parent));
    }
    UnitFormSetup setup;
    setup.editMode = true;
    setup.parentId = unit.superId;
    setup.groupId = unit.group;
    setup.editedCode = unit.id;
    setup.weightColumn = unit.weight.has_value();
    const UnitFormModel model(setup, std::move(near), groupIds, std::string());
    UnitForm form = model.initialForm(UnitFormOf(row, unit.flag, unit.password, unit.weight));
    form.groupIndex = -1;
    for (std::size_t i = 0; i < model.groupEntries().size(); ++i) {
        if (model.groupEntries()[i].data == unit.group) {
            form.groupIndex = static_cast<int>(i);
        }
    }
    const auto verdict = JudgeUnitForm(model, form);
    if (const UnitRowVerdict* refused = std::get_if<UnitRowVerdict>(&verdict)) {
        return *refused;
    }
    return {};
}

} // namespace qar
