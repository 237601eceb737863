#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qar
{

class CXTabelChangeTmp;

/// Whether the platform's server runs (its window or its process is found); change rows are written
/// only then.
struct IServerState
{
    virtual ~IServerState() = default;
    virtual bool IsServerRunning() const = 0;
};

/// Change_Act of a change row.
enum class ChangeAct : std::uint8_t
{
    Added = 0,
    Deleted = 1,
    Modified = 2,
};

/// One change row as a caller hands it over: Table_Name, Field_Name, Key_Value, Change_Act.
struct ChangeRow
{
    std::string table;
    std::string field;
    std::int32_t key = 0;
    std::uint8_t action = 0;

    bool operator==(const ChangeRow&) const = default;
};

/// Field_Name of the rows for groups, units and users: the key column.
inline constexpr const char* kGroupKeyField = "GROUP_ID";
inline constexpr const char* kUnitKeyField = "UNIT_ID";
inline constexpr const char* kUserKeyField = "USER_ID";
/// Pseudo table and items of the rows for a group's files.
inline constexpr const char* kXmlFileTable = "[XML-FILE]";
inline constexpr const char* kGroupDataFileField = "[UGRPX-DATA]";
inline constexpr const char* kGroupXmlFilesField = "[UGRPX-XMLS]";

/// Announces changes to the running server through rows of the change-log table. One row per call,
/// numbered by a counter of the process (REC_ID) that starts at 0 and is never read back from the table.
class CChangeLog
{
public:
    /// `changeTable` is the main window's change-log record object, bound to the shared connection.
    CChangeLog(CXTabelChangeTmp& changeTable, const IServerState& server);

    /// Writes the row (table, field, key, action) while the server runs; otherwise nothing happens and the
    /// counter stays. Throws DbError when the row cannot be written (the counter has moved on then).
    void LogChange(const std::string& table, const std::string& field, std::int32_t key, std::uint8_t action);
    /// The rows of one operation, numbered in order, written with a few statements of many rows each
    /// (inside the operation's transaction when one is open); the same rows LogChange would write one by
    /// one. Nothing while the server is stopped.
    void LogChanges(const std::vector<ChangeRow>& rows);

    /// The rows of a group, unit or user with the given key (table names as DB.dat "CONFIG" names them).
    void logGroup(std::int32_t groupId, ChangeAct act);
    void logUnit(std::int32_t unitId, ChangeAct act);
    void logUser(std::int32_t userId, ChangeAct act);
    /// A changed key: deletion of the old key, then addition of the new one, so the server never holds
    /// both.
    void logUnitIdChange(std::int32_t oldId, std::int32_t newId);
    void logUserIdChange(std::int32_t oldId, std::int32_t newId);
    /// A group's property data file ("Prop Setup") or configuration files ("File Setup") were saved.
    void logGroupDataFileSaved(std::int32_t groupId);
    void logGroupXmlFilesSaved(std::int32_t groupId);

private:
    CXTabelChangeTmp& m_changeTable;
    const IServerState& m_server;
};

/// The REC_ID the next change row gets.
std::uint32_t NextChangeRecId();
/// Takes `count` numbers at once for rows written in one batch; returns the first.
std::uint32_t TakeChangeRecIds(std::uint32_t count);
/// The users table as change rows name it: DB.dat "CONFIG" "UTB" (default "BASE_USERS"), read on the
/// first user row of the run and then kept.
const std::string& ChangeTableNameForUsers();
/// Puts the counter back to 0 and forgets the kept users-table name. For tests only: the product
/// numbers each run from 0 because the process starts afresh.
void ResetChangeLogForTesting();

} // namespace qar
