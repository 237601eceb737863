#pragma once

#include "groups/GroupProperties.h"

#include <optional>
#include <string>
#include <vector>

namespace qar
{

/// What the view shows to edit one row in place.
struct PropertyEditStart
{
    PropertyEditor editor = PropertyEditor::None;
    bool digitsOnly = false;                           ///< the edit box takes digits only
    std::string value;                                 ///< the cell's text
    const std::vector<std::string>* choices = nullptr; ///< list and combo box
    int selectedChoice = -1;                           ///< list: the choice equal to the value, -1 for none
    std::optional<PropertyDate> date;                  ///< date editor: the value when it is a valid date
};

/// The first check of OK that failed: 236 when every value is empty, or the empty mandatory row.
struct PropertyCheck
{
    int messageId = 0; ///< 0 when every check passed
    int row = -1;      ///< the mandatory row left empty
    std::string label; ///< its label
};

/// The logic of the "Set Property" list: the rows read from the property definitions, their values,
/// and the one row being edited in place. The view places the editors and passes their text back.
class PropertyListModel
{
public:
    explicit PropertyListModel(PropertyDefinitions definitions);

    const std::vector<PropertyRow>& rows() const { return m_defs.rows; }
    int rowCount() const { return static_cast<int>(m_defs.rows.size()); }
    const PropertyDefinition* definition(int row) const;

    /// Puts the group's value of every row with a key into its value cell (empty when missing).
    void fill(const CGroupData& data);
    /// "&Default": the default object's value for every row with a key; other rows keep theirs.
    void applyDefaults(const CGroupData& defaults) { fill(defaults); }
    void setValue(int row, const std::string& value);

    /// Starts editing row `row`: none for a category row, a row without a label, or a read-only one
    /// (no row is remembered then).
    std::optional<PropertyEditStart> startEdit(int row);
    int editingRow() const { return m_editing; }
    /// Writes the editor's text into the cell of the row being edited and ends the edit.
    void commit(const std::string& text);
    /// Ends the edit; the cell keeps its value.
    void cancel() { m_editing = -1; }

    /// The checks of OK, in their order.
    PropertyCheck check() const;
    /// Stores the value of every row with a key in `data`, empty values included.
    void storeInto(CGroupData& data) const;
    /// Empties every value cell (after values were stored).
    void clearValues();

    /// The row that is selected when the list opens: the first property of the first category.
    static constexpr int kFirstPropertyRow = 1;

private:
    PropertyDefinitions m_defs;
    int m_editing = -1;
};

} // namespace qar
