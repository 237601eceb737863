#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qar
{

/// One property as PropDef.dat defines it.
struct PropertyDefinition
{
    std::string label;   ///< the ITEM text, or NAME when the text is empty
    std::string type;    ///< editor letters, "E" when empty
    std::string options; ///< "N" digits only, "M" mandatory
    std::string incl;    ///< kept with the definition, no use here
    std::vector<std::string> choices;
    std::string key; ///< VAR; empty: shown, never stored
};

/// A row of the property list: a category row (its caption, no definition) or a property row.
struct PropertyRow
{
    std::string category;
    std::string label;
    std::string value;
    std::string key;
    int definition = -1; ///< index into the definitions; -1 for a category row
};

/// The property definitions of PropDef.dat as the list shows them: one category row per INFO and one
/// row per ITEM below it.
struct PropertyDefinitions
{
    std::vector<PropertyDefinition> definitions;
    std::vector<PropertyRow> rows;
};

/// \UserData\setting\PropDef.dat below the program directory.
std::string PropertyDefinitionPath();

/// Reads the definitions; a file that is missing or does not parse gives none.
PropertyDefinitions LoadPropertyDefinitions(const std::string& path);

/// The in-place editor a property gets: the first of the letters E, R, L, C, D found in its type.
enum class PropertyEditor
{
    None, ///< "R" or no known letter: read only
    Edit,
    List,
    Combo,
    Date,
};
PropertyEditor EditorForType(std::string_view type);

/// A date of the date editor.
struct PropertyDate
{
    int year = 0;
    int month = 0;
    int day = 0;
};
/// "year-month-day" read as three integers; none unless year > 0, month 1..12 and day 1..31.
std::optional<PropertyDate> ParsePropertyDate(std::string_view text);
/// "%d-%d-%d": no leading zeros.
std::string FormatPropertyDate(const PropertyDate& date);

/// How a save of a group data file ended.
enum class GroupDataSave
{
    Written,
    NothingToWrite, ///< group 0 has no data file
    Failed,         ///< the folder is missing or the file cannot be written; the old file is whole
};

/// The property values of one group, kept in "\UserData\data\UGrps_Data\Groupx_<number>.xml".
class CGroupData
{
public:
    CGroupData() = default;
    explicit CGroupData(std::map<std::string, std::string> values) : m_values(std::move(values)) {}

    /// Reads the file of `group`; true when it exists and holds at least one entry. A later entry with
    /// the same key wins; entries without a key are skipped. Group 0 reads nothing.
    bool load(std::int32_t group);
    std::int32_t group() const { return m_group; }
    void setGroup(std::int32_t group) { m_group = group; }

    /// The value of `key`, empty when it has none.
    std::string get(const std::string& key) const;
    void set(const std::string& key, const std::string& value) { m_values[key] = value; }
    const std::map<std::string, std::string>& values() const { return m_values; }

    /// Writes every entry with a key, whole and crash-safe.
    GroupDataSave save() const;

    /// The file of a group; empty for group 0, which has none.
    static std::string FilePath(std::int32_t group);

private:
    std::int32_t m_group = 0;
    std::map<std::string, std::string> m_values;
};

} // namespace qar
