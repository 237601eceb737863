#pragma once

#include <span>
#include <string>
#include <vector>

namespace qar
{

/// One configurable column: its DB.dat key and its bracketed default name.
struct ColumnKey
{
    const char* key;
    const char* defaultName;
};

/// Physical column names of a table whose columns DB.dat may rename (sections "UNIT_TABLE",
/// "USER_TABLE", "CHTMP_TABLE"), plus its optional weight column from DBField.dat "ADD_TABLES". Read the
/// first time they are needed and then kept for the run: an edit of the files takes effect at the next
/// start. One static instance per record class.
class ColumnMap
{
public:
    /// `weightKey` is the DBField.dat key of the weight column, or nullptr for a table without one.
    ColumnMap(const char* section, std::span<const ColumnKey> keys, const char* weightKey);

    /// Column names in exchange order (as configured, defaults with brackets).
    const std::vector<std::string>& names();
    /// The weight column's name, empty when not configured.
    const std::string& weightColumn();

    /// Forgets every map read so far, so the next use reads the files again. For tests only: the
    /// product reads them once per run.
    static void resetAllForTesting();

private:
    void load();

    const char* m_section;
    std::span<const ColumnKey> m_keys;
    const char* m_weightKey;
    std::vector<std::string> m_names;
    std::string m_weight;
    unsigned m_generation = 0;
};

/// The weight column DBField.dat "ADD_TABLES" names under `key` ("UNTB_WEIGHT", "UTB_WEIGHT"), read now;
/// empty when missing or empty.
std::string readWeightColumn(const char* key);

} // namespace qar
