#include "db/ChangeLog.h"

#include "db/CXDatabase.h"
#include "db/CXTabelChangeTmp.h"
#include "db/OdbcError.h"
#include "db/OdbcStatement.h"
#include "db/TableMap.h"

#include <algorithm>
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

    /// INSERT of `rows` rows: "INSERT INTO [t] (c1, ...) VALUES (?, ...), (?, ...)".
    std::string insertStatement(std::size_t rows = 1)
    {
        CFieldExchange fx;
        DoFieldExchange(fx);
        std::string names;
        std::string markers;
        for (const CFieldExchange::Column& column : fx.columns()) {
            names += (names.empty() ? "" : ", ") + column.name;
            markers += markers.empty() ? "(?" : ", ?";
        }
        markers += ")";
        std::string values = markers;
        for (std::size_t r = 1; r < rows; ++r) {
            values += ", " + markers;
        }
        return "INSERT INTO " + GetDefaultSQL() + " (" + names + ") VALUES " + values;
    }
};

CXDatabase& openConnection(CXTabelChangeTmp& changeTable)
{
    // Between rows the change-log object stays closed; only the timer refresh opens it meanwhile.
    changeTable.Close();
    CXDatabase* db = changeTable.database();
    if (db == nullptr || !db->IsOpen()) {
        throw OdbcError("change row", {{"08003", 0, "the connection is not open"}});
    }
    return *db;
}

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
    CXDatabase& db = openConnection(m_changeTable);
    // The number is taken before the write: a failed write leaves a gap, never a repeated number.
    const std::uint32_t recId = g_nextRecId++;
    ChangeRowWriter writer(&db);
    OdbcStatement stmt(db);
    stmt.bindInt(1, static_cast<std::int32_t>(recId));
    stmt.bindText(2, table);
    stmt.bindText(3, field);
    stmt.bindInt(4, key);
    stmt.bindInt(5, action);
    stmt.execute(db.quoteBrackets(writer.insertStatement()));
}

void CChangeLog::LogChanges(const std::vector<ChangeRow>& rows)
{
    // Rows per statement: five markers each stay far below every engine's limit on markers.
    constexpr std::size_t kRowsPerStatement = 200;
    if (rows.empty() || !m_server.IsServerRunning()) {
        return;
    }
    CXDatabase& db = openConnection(m_changeTable);
    ChangeRowWriter writer(&db);
    std::string statement;
    for (std::size_t first = 0; first < rows.size(); first += kRowsPerStatement) {
        const std::size_t count = std::min(kRowsPerStatement, rows.size() - first);
        if (count != kRowsPerStatement || statement.empty()) {
            statement = db.quoteBrackets(writer.insertStatement(count));
        }
        OdbcStatement stmt(db);
        SQLUSMALLINT number = 1;
        for (std::size_t i = first; i < first + count; ++i) {
            stmt.bindInt(number++, static_cast<std::int32_t>(g_nextRecId++));
            stmt.bindText(number++, rows[i].table);
            stmt.bindText(number++, rows[i].field);
            stmt.bindInt(number++, rows[i].key);
            stmt.bindInt(number++, rows[i].action);
        }
        stmt.execute(statement);
    }
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
