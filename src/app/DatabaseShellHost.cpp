#include "app/DatabaseShellHost.h"

#include "db/CXTableGroup.h"
#include "db/ConnectString.h"
#include "db/DataSourceRegistration.h"
#include "db/SchemaExtension.h"
#include "platform/CXRegistry.h"
#include "platform/DiagnosticLog.h"
#include "platform/Paths.h"

namespace qar
{

int GroupUserLimit(CXTableGroup& groups, int groupId)
{
    if (!groups.IsOpen()) {
        groups.Open();
    }
    if (groups.IsBOF() && groups.IsEOF()) {
        return 0;
    }
    for (groups.MoveFirst(); !groups.IsEOF(); groups.MoveNext()) {
        if (groups.m_GROUP_ID == groupId) {
            return groups.m_GROUP_COUNT;
        }
    }
    return 0;
}

DatabaseShellHost::DatabaseShellHost(bool lookForWindows) : m_probe(lookForWindows)
{
    // Before any record object opens, so the units and users objects find their weight column.
    EnsureWeightColumns(m_session.database(), m_session.connectString());
}

void DatabaseShellHost::ensureDataSource()
{
    // A data source of that name, the user's or the machine's, is left as it is; otherwise the
    // desktop database beside the program is registered machine-wide. The result is not looked at:
    // opening the database reports the failure.
    const std::string dbDat = ProgramPath("\\UserData\\config\\DB.dat");
    if (!DsnKeyExists(dbDat)) {
        RegisterAccessDsn(dbDat, false);
    }
}

bool DatabaseShellHost::openDatabase()
{
    for (const std::string& file : DataSourceFilesReadableByOthers()) {
        LogDiagnostic("The data-source file " + file +
                      " can be read by other users and holds the database password: make it readable by its "
                      "owner only (chmod 600).");
    }
    const bool opened = m_session.OpenDatabase();
    m_connectionFailed = !opened;
    if (!opened) {
        LogDiagnostic("Unable to open the database of data source \"" +
                      connectAttribute(m_session.connectString(), "DSN").value_or(std::string()) +
                      "\": " + m_session.lastError());
    }
    return opened;
}

void DatabaseShellHost::refreshConnection()
{
    // A server that stays away fails every tick: its cause is written once, and once more when it is back.
    const bool refreshed = m_session.RefreshConnection();
    if (!refreshed && !m_connectionFailed) {
        LogDiagnostic("The connection to the database was lost and could not be made again: " + m_session.lastError());
    } else if (refreshed && m_connectionFailed) {
        LogDiagnostic("The connection to the database works again.");
    }
    m_connectionFailed = !refreshed;
}

void DatabaseShellHost::closeDatabase()
{
    m_session.CloseAll();
}

int DatabaseShellHost::groupUserLimit(int groupId)
{
    return GroupUserLimit(m_session.tableGroup(), groupId);
}

std::unique_ptr<IVexLink> DatabaseShellHost::makeNetworkClient(const StartOptions& options, VexEventSink sink)
{
    CZVexClient::Options net;
    if (!options.serverAddress.empty()) {
        net.host = options.serverAddress;
    }
    return std::make_unique<CZVexClient>(net, std::move(sink));
}

} // namespace qar
