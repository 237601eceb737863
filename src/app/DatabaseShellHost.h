#pragma once

#include "app/ShellHost.h"
#include "db/CDatabaseSession.h"

namespace qar
{

class CXTableGroup;

/// The user limit ("[GROUP_COUNT]") of group `groupId`, found by scanning the groups from the first row;
/// 0 when the table is empty or the group is missing. Opens the record object when it is closed (throwing
/// DbError when it cannot) and uses an open one as it stands.
int GroupUserLimit(CXTableGroup& groups, int groupId);

/// The main window's services on the real database: the session of DB.dat's data source, its
/// registration, and the server's detection.
class DatabaseShellHost : public ShellHost
{
public:
    /// Builds the connection string from DB.dat and adds the weight columns DBField.dat configures.
    /// `lookForWindows`: false when the user interface has no X11 display (Qt's offscreen platform).
    explicit DatabaseShellHost(bool lookForWindows = true);

    void ensureDataSource() override;
    bool openDatabase() override;
    void refreshConnection() override;
    void closeDatabase() override;
    int groupUserLimit(int groupId) override;
    IServerProbe& serverProbe() override { return m_probe; }
    std::unique_ptr<IVexLink> makeNetworkClient(const StartOptions& options, VexEventSink sink) override;

    CDatabaseSession& session() override { return m_session; }
    CChangeLog& changeLog() override { return m_changeLog; }

private:
    /// The change log asks whether the server runs through the same probe as the window.
    class ProbeServerState : public IServerState
    {
    public:
        explicit ProbeServerState(IServerProbe& probe) : m_probe(probe) {}
        bool IsServerRunning() const override { return m_probe.findServerWindow() || m_probe.findServerProcess(); }

    private:
        IServerProbe& m_probe;
    };

    CDatabaseSession m_session;
    SystemServerProbe m_probe;
    ProbeServerState m_serverState{m_probe};
    CChangeLog m_changeLog{m_session.tableChangeTmp(), m_serverState};
    bool m_connectionFailed = false; ///< the last open or refresh failed (it was logged)
};

} // namespace qar
