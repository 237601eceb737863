#pragma once

#include <functional>
#include <string>
#include <vector>

namespace qar
{

class CXDatabase;

/// One change a schema upgrade makes to a table.
struct SchemaStep
{
    enum class Kind
    {
        Key,   ///< the invisible surrogate key a cluster applies row changes by (MariaDB only)
        Index, ///< an index on a column the tool or the server looks rows up by
    };
    Kind kind = Kind::Index;
    std::string table;  ///< bare name, as DB.dat's table map gives it
    std::string column; ///< bare name of the indexed column; empty for a key
    std::string index;  ///< the index's name; empty for a key
    std::string sql;    ///< the statement, in the connection's identifier quotes
};

/// The column a cluster applies row changes by; the tool's own column lists never name it.
inline constexpr const char* kRowIdColumn = "qar_row_id";

/// What the database lacks of the keys and indexes a new database gets from the schema files, for the
/// tables and columns DB.dat names: on MariaDB, the invisible surrogate key of every table that has no
/// primary key; on both engines, the indexes on the units' id, parent and group, the users' id, unit and
/// group, the groups' id and the change rows' number. Reads the catalogue only. A table that does not
/// exist is left out (opening it reports that).
std::vector<SchemaStep> PlanSchemaUpgrade(CXDatabase& db);

/// Runs the steps in order, calling `done` after each; throws DbError at the first that fails (the steps
/// before it stay: a change of a table's structure commits itself).
void ApplySchemaUpgrade(CXDatabase& db, const std::vector<SchemaStep>& steps,
                        const std::function<void(const SchemaStep&)>& done = {});

} // namespace qar
