#pragma once

#include "platform/Locale.h"

#include <cstdint>
#include <string>

namespace qar
{

class CXDatabase;

/// What the generator writes. Ids are stable for a given seed: groups 1..groups, units from 101,
/// users from 10001.
struct DataGenOptions
{
    int groups = 5;
    int units = 500;   ///< spread over the groups
    int depth = 6;     ///< deepest unit level (TREE_CLASS); every group reaches it when it has enough units
    int users = 10000; ///< each in a random unit, in that unit's group
    std::uint32_t seed = 1;
    CodePage codePage = CodePage::Utf8; ///< the code page the names are written in
};

struct DataGenCounts
{
    std::size_t groups = 0;
    std::size_t roles = 0;
    std::size_t units = 0;
    std::size_t users = 0;
};

/// The table names the generator fills (the defaults of the table map).
inline constexpr const char* kGenGroupTable = "GroupTable";
inline constexpr const char* kGenRoleTable = "DutyClassTable";
inline constexpr const char* kGenUnitTable = "UnitTable";
inline constexpr const char* kGenUserTable = "BaseTable";

/// Runs the statements of a schema file (sql/schema-sqlite.sql or sql/schema-mariadb.sql) after dropping
/// the eight tables it creates. Throws on the first failing statement.
void createSchema(CXDatabase& db, const std::string& schemaFile);

/// Deletes every row of the four tables the generator fills.
void clearGeneratedTables(CXDatabase& db);

/// Fills groups, roles, units and users in one transaction with batched prepared INSERTs.
DataGenCounts generateData(CXDatabase& db, const DataGenOptions& options);

} // namespace qar
