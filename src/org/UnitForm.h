#pragma once

#include "org/OrgRows.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <variant>
#include <vector>

namespace qar
{

/// Fields of the unit form a failed check puts the focus on.
enum class UnitField
{
    None,
    Department,
    Code,
    Parent,
    Group,
    Weight,
};

/// Message ids of the form framework's own range checks (not in the string table): "Please enter an
/// integer." and "Please enter an integer between %d and %d.".
inline constexpr int kMessageEnterInteger = -1;
inline constexpr int kMessageEnterIntegerRange = -2;

/// The first failed check of a form: the message to show and the field to focus.
struct FormError
{
    int messageId = 0;
    UnitField field = UnitField::None;
    bool selectAll = false; ///< select the whole text of the field
    int rangeMin = 0;       ///< for kMessageEnterIntegerRange
    int rangeMax = 0;
};

/// An entry of a drop-down list: its text and item data.
struct ComboEntry
{
    std::string text;
    std::int32_t data = 0;
};

/// What the unit form's fields hold (texts as typed, selections as list indexes, -1 for none).
struct UnitForm
{
    std::string department;
    std::string codeText;
    int parentIndex = -1;
    int groupIndex = -1;
    std::string weightText = "0";
    std::int32_t attribute = 0;
    bool valided = true;
    bool publicAccount = false;
    std::string alias;
    std::string password;
};

/// A form that passed every check, with the values the page writes.
struct ValidUnit
{
    std::int32_t code = 0;
    std::string name;
    std::int32_t parentId = 0;
    int parentLevel = 0;
    std::int32_t groupId = 0;
    std::int32_t weight = 0;
    std::int32_t attribute = 0;
    bool valided = true;
    bool publicAccount = false;
    std::string alias;
    std::string password;
};

/// How the unit form is opened: add mode with the parent and group taken from the selected node, or edit
/// mode for the unit stored under `editedCode`.
struct UnitFormSetup
{
    AdminContext context;
    bool editMode = false;
    std::int32_t parentId = 0;   ///< 0: none passed in
    std::int32_t groupId = 0;    ///< add mode: the group passed in; edit mode: the unit's group
    std::int32_t editedCode = 0; ///< edit mode
    /// The units table has a weight column (DBField.dat "ADD_TABLES" "UNTB_WEIGHT"); without one a weight
    /// could not be stored, and the form does not take one.
    bool weightColumn = true;
};

/// The logic of CUnitEditDlg: its lists, their selections and the checks on OK.
class UnitFormModel
{
public:
    /// `units` are every unit row in table order, `groupIds` every group row's GROUP_ID in table order.
    UnitFormModel(const UnitFormSetup& setup, std::vector<UnitRow> units, std::span<const std::int32_t> groupIds,
                  const std::string& parentNoneText);

    const std::vector<ComboEntry>& parentEntries() const { return m_parents; }
    const std::vector<ComboEntry>& groupEntries() const { return m_groups; }
    /// Units below the edited unit (edit mode), in table order.
    const std::vector<std::int32_t>& descendants() const { return m_descendants; }
    /// One above the highest code considered for the parent list; 0 without units.
    std::int32_t nextFreeCode() const { return m_nextFreeCode; }
    bool editMode() const { return m_setup.editMode; }
    bool weightColumn() const { return m_setup.weightColumn; }

    /// The form as it opens: `values` (a stored unit's, UnitFormOf) with the selections made, and in add
    /// mode the proposed code.
    UnitForm initialForm(UnitForm values = {}) const;
    /// A new parent entry was chosen: the group list follows the parent's group, as the form's note
    /// "[The same with parent's]" says, when adding a unit as when editing one.
    void parentSelectionChanged(UnitForm& form) const;
    /// The checks of OK in their order; the first failure is returned.
    std::variant<FormError, ValidUnit> validate(const UnitForm& form) const;

    /// Whether `unit` lies below `ancestor`, following at most 31 parent links (its own and 30 more).
    bool descendsFrom(std::int32_t unit, std::int32_t ancestor) const;

private:
    std::int32_t parentOf(std::int32_t unit) const;
    int groupIndexOf(std::int32_t groupId) const;

    UnitFormSetup m_setup;
    std::vector<UnitRow> m_units;
    std::unordered_map<std::int32_t, std::int32_t> m_parentIndex; ///< unit id to parent id
    std::vector<ComboEntry> m_parents;
    std::vector<ComboEntry> m_groups;
    std::vector<std::int32_t> m_descendants;
    std::int32_t m_nextFreeCode = 0;
    int m_initialParent = 0;
    int m_initialGroup = -1;
};

/// A stored unit's values in the unit form's fields, as an edit shows them (a NULL weight as 0).
UnitForm UnitFormOf(const UnitRow& unit, std::int32_t attribute, const std::string& password,
                    std::optional<std::int32_t> weight);

/// Box texts of the unit attribute form, one per bit 1 to 7 of UNIT_FLAG (bit 7 reserved, always
/// disabled).
inline constexpr int kUnitAttributeBoxes = 7;
/// Whether box `box` (0 to 6, bits 1 to 7) is ticked for an attribute value.
bool UnitAttributeBoxTicked(std::int32_t attribute, int box);
/// The attribute value rebuilt from the boxes alone: bits without a box are cleared.
std::int32_t UnitAttributeFromBoxes(const bool (&ticked)[kUnitAttributeBoxes]);

/// The level between "(" and ")" and the parent id after the last ":" up to "]" of a parent entry.
int ParentEntryLevel(std::string_view entry);
std::int32_t ParentEntryId(std::string_view entry);
/// The group id between "{" and "}" of a parent entry, nullopt when there is none.
std::optional<std::int32_t> ParentEntryGroup(std::string_view entry);

/// A whole number as the forms read one: blanks around, an optional sign, digits; nullopt otherwise.
std::optional<long long> ReadWholeNumber(std::string_view text);

} // namespace qar
