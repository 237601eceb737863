#pragma once

#include "groups/GroupForm.h"
#include "org/UserRecord.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qar
{

class CXDatabase;

/// Every column of a unit row.
struct UnitRecord
{
    std::int32_t id = 0;
    std::string name;
    std::int32_t superId = 0;
    std::uint8_t level = 0;
    bool status = false;
    bool canLog = false;
    std::int32_t olTime = 0;
    std::string alias;
    std::string password;
    std::int32_t group = 0;
    std::int32_t flag = 0;
    std::optional<std::int32_t> weight; ///< only where the table has the weight column

    bool operator==(const UnitRecord&) const = default;
};

/// The groups, units and users of a database in table order, read through the record objects (so the
/// table map, the column maps and the weight columns apply).
struct OrgData
{
    std::vector<GroupRecord> groups; ///< every column; `count` is the member limit (0: none)
    std::vector<UnitRecord> units;
    std::vector<UserRecord> users;
    bool unitWeight = false; ///< the units table has a weight column
    bool userWeight = false;
};

/// Reads the three tables; throws DbError when one cannot be read. `withUsers` false leaves the users
/// out (a units export).
OrgData ReadOrgData(CXDatabase& database, bool withUsers = true);

} // namespace qar
