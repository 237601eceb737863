#pragma once

#include "catalog/Roles.h"
#include "platform/Locale.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qar
{

class CXDatabase;

/// What the generator writes. Ids are stable for a given seed: groups 1..groups, units from 101,
/// users from 10001. Every row passes the rules the editors apply: e-mail and mobile by the user form's
/// own checks, roles among `roles`, passwords stored under the password method as the editor stores them.
struct DataGenOptions
{
    int groups = 5;
    int units = 500;   ///< spread over the groups; codes above 32000 (31,900 units) leave the unit editor's range
    int depth = 6;     ///< deepest unit level (TREE_CLASS); every group reaches it when it has enough units
    int users = 10000; ///< each in a random unit, in that unit's group
    std::uint32_t seed = 1;
    CodePage codePage = CodePage::Utf8; ///< the code page the names are written in
    /// The roles users are given (the role file's); none: every user holds role 0, which needs none.
    std::vector<RoleRow> roles;
    /// The parameter row EnvParam.dat names for the password method; empty: none is written, and passwords
    /// are stored as typed, as the editor then stores them.
    std::string passwordMethodParam;
    std::string passwordMethod = "MD5";
};

/// The demo's data: three groups, forty units four levels deep, three hundred users.
DataGenOptions DemoDataOptions();

/// Takes the roles of the program directory's role file and the password method's parameter name from
/// its EnvParam.dat, so the generated rows follow the files the tool reads there.
void FollowProgramDirectory(DataGenOptions& options);

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
inline constexpr const char* kGenParamTable = "ParamTable";
inline constexpr const char* kGenUnitTable = "UnitTable";
inline constexpr const char* kGenUserTable = "BaseTable";

/// Runs the statements of a schema file (sql/schema-sqlite.sql or sql/schema-mariadb.sql) after dropping
/// the eight tables it creates. Throws on the first failing statement.
void createSchema(CXDatabase& db, const std::string& schemaFile);

/// Deletes every row of the tables the generator fills.
void clearGeneratedTables(CXDatabase& db);

/// Fills groups, roles, units, users and the password method's parameter in one transaction with batched
/// prepared INSERTs.
DataGenCounts generateData(CXDatabase& db, const DataGenOptions& options);

} // namespace qar
