#pragma once

#include "app/CommandLine.h"
#include "app/ServerControl.h"
#include "db/CDatabaseSession.h"
#include "db/ChangeLog.h"
#include "vexnet/CZVexClient.h"

#include <memory>

namespace qar
{

/// What the main window needs from the database layer, the server and the network library for its
/// own steps (open at start, timed refresh, close at the end, group limits, server state and
/// notification), behind one interface so the window can run on a test double.
class ShellHost
{
public:
    virtual ~ShellHost() = default;

    /// Registers the desktop-database data source of DB.dat when the data source it names is missing.
    virtual void ensureDataSource() = 0;
    /// Opens the shared connection; false when the database cannot be reached.
    virtual bool openDatabase() = 0;
    /// The refresh timer's tick: keeps the connection and the record objects current. Also run at once by
    /// an operation that finds the connection broken.
    virtual void refreshConnection() = 0;
    /// Why the connection could not be opened or refreshed the last time (driver records, no secrets);
    /// empty when it worked.
    virtual std::string connectionFailure() { return session().lastError(); }
    /// Closes the record objects and the connection.
    virtual void closeDatabase() = 0;
    /// The user limit ("[GROUP_COUNT]") of a group, 0 when the group is not found. Throws DbError when the
    /// groups cannot be read: the add that asks fails with it.
    virtual int groupUserLimit(int groupId) = 0;
    /// The shared connection and the record objects, for the pages.
    virtual CDatabaseSession& session() = 0;
    /// Change rows for the running server (written only while it runs).
    virtual CChangeLog& changeLog() = 0;
    /// How the server is looked for: its marked window and its process.
    virtual IServerProbe& serverProbe() = 0;
    /// The network client that tells the server about changes: the local machine for a start beside
    /// the server, the "-SetIP:" address otherwise. `sink` receives its events on the client's thread.
    virtual std::unique_ptr<IVexLink> makeNetworkClient(const StartOptions& options, VexEventSink sink) = 0;
};

} // namespace qar
