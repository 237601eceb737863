#pragma once

#include "db/CXDatabase.h"
#include "db/CXTabelChangeTmp.h"
#include "db/CXTableApp.h"
#include "db/CXTableDuty.h"
#include "db/CXTableEnvParam.h"
#include "db/CXTableGroup.h"
#include "db/CXTableMsg.h"
#include "db/CXTableUnit.h"
#include "db/CXTableUser.h"

#include <array>
#include <string>

namespace qar
{

/// The database side of the main window: the shared connection and one record object per table, all
/// bound to it, for the whole run. The connection string is built from DB.dat when the session is
/// constructed and kept.
class CDatabaseSession
{
public:
    /// Builds the connection string from DB.dat; opens nothing.
    CDatabaseSession();
    /// Uses the given connection string ("ODBC;DSN=...;UID=...;PWD=...").
    explicit CDatabaseSession(std::string connect);
    ~CDatabaseSession();
    CDatabaseSession(const CDatabaseSession&) = delete;
    CDatabaseSession& operator=(const CDatabaseSession&) = delete;

    /// Opens the connection (closing it first when open) and the seven data tables: units, users,
    /// applications, roles, message types, groups, environment parameters. False when the connection or
    /// any of them fails; objects opened before the failure stay open. The change log is not opened.
    bool OpenDatabase();
    /// The timer's refresh: reopens all eight objects, and on any failure reconnects and tries once
    /// more. Never throws and reports nothing; a later call recovers once the server is back. True when
    /// every object is open afterwards. Does nothing (true) while a transaction is open: an operation is
    /// halfway through its rows, and the view let the timer tick while it showed its progress.
    bool RefreshConnection() noexcept;
    /// Closes every open object (users, applications, units, roles, message types, groups, change log,
    /// environment parameters), then the connection.
    void CloseAll() noexcept;
    /// From now on OpenDatabase and RefreshConnection leave the users object to the page that reads it in
    /// chunks on a connection of its own: a million users read in one statement hold the window up for
    /// seconds and the driver's copy of the result in memory. They still fail when the users table cannot
    /// be read; a reconnect still closes the object.
    void setUsersReadInChunks(bool inChunks) { m_usersInChunks = inChunks; }

    /// The result of the first OpenDatabase: whether the database was opened at start.
    bool IsDatabaseOpened() const { return m_opened; }
    const std::string& connectString() const { return m_connect; }
    /// Why the last OpenDatabase or RefreshConnection failed: the driver's records (SQLSTATE, native code,
    /// message), with the password taken out should a driver have echoed it; empty after a success.
    const std::string& lastError() const { return m_lastError; }

    CXDatabase& database() { return m_database; }
    CXTableApp& tableApp() { return m_tableApp; }
    CXTableDuty& tableDuty() { return m_tableDuty; }
    CXTableEnvParam& tableEnvParam() { return m_tableEnvParam; }
    CXTableGroup& tableGroup() { return m_tableGroup; }
    CXTableMsg& tableMsg() { return m_tableMsg; }
    CXTableUnit& tableUnit() { return m_tableUnit; }
    CXTableUser& tableUser() { return m_tableUser; }
    CXTabelChangeTmp& tableChangeTmp() { return m_tableChangeTmp; }

private:
    /// Units, users, applications, roles, message types, groups, environment parameters, change log.
    std::array<CXRecordset*, 8> allTables();
    void reopenAll();
    void setLastError(const std::exception& error);

    std::string m_connect;
    std::string m_lastError;
    bool m_opened = false;
    bool m_triedOpen = false;
    bool m_usersInChunks = false;
    CXDatabase m_database;
    CXTableApp m_tableApp;
    CXTableDuty m_tableDuty;
    CXTableEnvParam m_tableEnvParam;
    CXTableGroup m_tableGroup;
    CXTableMsg m_tableMsg;
    CXTableUnit m_tableUnit;
    CXTableUser m_tableUser;
    CXTabelChangeTmp m_tableChangeTmp;
};

} // namespace qar
