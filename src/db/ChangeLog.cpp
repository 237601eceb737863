#include "db/ChangeLog.h"

#include "db/CXDatabase.h"
#include "db/CXTabelChangeTmp.h"
#include "db/OdbcError.h"
#include "db/OdbcStatement.h"
#include "db/TableMap.h"

#include <optional>
#include <vector>

namespace qar
{

namespace
{

std::uint32_t g_nextRecId = 0;
std::optional<std::string> g_usersTable;

// The change-log record class knows the table and its configured columns; this gives its INSERT
// without taking a snapshot of every row already waiting for the server, so writing one row costs the
// same however many the server has yet to read.
class ChangeRowWriter : public CXTabelChangeTmp
{
public:
    using CXTabelChangeTmp::CXTabelChangeTmp;

    std::string insertStatement()
    {
        CFieldExchange fx;
        DoFieldExchange(fx);
        std::string names;
        std::string markers;
        for (const CFieldExchange::Column& column : fx.columns()) {
            names += (names.empty() ? "" : ", ") + column.name;
            markers += markers.empty() ? "?" : ", ?";
        }
        return "INSERT INTO " + GetDefaultSQL() + " (" + names + ") VALUES (" + markers + ")";
    }
};

} // namespace

std::uint32_t NextChangeRecId()
{
    return g_nextRecId;
}

std::uint32_t TakeChangeRecIds(std::uint32_t count)
{
    const std::uint32_t first = g_nextRecId;
    g_nextRecId += count;
    return first;
}

const std::string& ChangeTableNameForUsers()
{
    if (!g_usersTable) {
        g_usersTable = GetUserTableNameForLookup();
    }
    return *g_usersTable;
}

void ResetChangeLogForTesting()
{
    g_nextRecId = 0;
    g_usersTable.reset();
}

CChangeLog::CChangeLog(CXTabelChangeTmp& changeTable, const IServerState& server)
    : m_changeTable(changeTable), m_server(server)
{}

void CChangeLog::LogChange(const std::string& table, const std::string& field, std::int32_t key, std::uint8_t action)
{
    if (!m_server.IsServerRunning()) {
        return;
    }
    // Between rows the change-log object stays closed; only the timer refresh opens it meanwhile.
    m_changeTable.Close();
    CXDatabase* db = m_changeTable.database();
    if (db == nullptr || !db->IsOpen()) {
        throw OdbcError("change row", {{"08003", 0, "the connection is not open"}});
    }
    // The number is taken before the write: a failed write leaves a gap, never a repeated number.
    const std::uint32_t recId = g_nextRecId++;
    ChangeRowWriter writer(db);
    OdbcStatement stmt(*db);
    stmt.bindInt(1, static_cast<std::int32_t>(recId));
    stmt.bindText(2, table);
    stmt.bindText(3, field);
    stmt.bindInt(4, key);
    stmt.bindInt(5, action);
    stmt.execute(db->quoteBrackets(writer.insertStatement()));
}

void CChangeLog::logGroup(std::int32_t groupId, ChangeAct act)
{
    LogChange(GetTableName(TableId::Group), kGroupKeyField, groupId, static_cast<std::uint8_t>(act));
}

void CChangeLog::logUnit(std::int32_t unitId, ChangeAct act)
{
    LogChange(GetTableName(TableId::Unit), kUnitKeyField, unitId, static_cast<std::uint8_t>(act));
}

void CChangeLog::logUser(std::int32_t userId, ChangeAct act)
{
    LogChange(ChangeTableNameForUsers(), kUserKeyField, userId, static_cast<std::uint8_t>(act));
}

void CChangeLog::logUnitIdChange(std::int32_t oldId, std::int32_t newId)
{
    logUnit(oldId, ChangeAct::Deleted);
    logUnit(newId, ChangeAct::Added);
}

void CChangeLog::logUserIdChange(std::int32_t oldId, std::int32_t newId)
{
    logUser(oldId, ChangeAct::Deleted);
    logUser(newId, ChangeAct::Added);
}

void CChangeLog::logGroupDataFileSaved(std::int32_t groupId)
{
    LogChange(kXmlFileTable, kGroupDataFileField, groupId, static_cast<std::uint8_t>(ChangeAct::Modified));
}

void CChangeLog::logGroupXmlFilesSaved(std::int32_t groupId)
{
    LogChange(kXmlFileTable, kGroupXmlFilesField, groupId, static_cast<std::uint8_t>(ChangeAct::Modified));
}

} // namespace qar
