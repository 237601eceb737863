#pragma once

#include "db/IDbCallRunner.h"
#include "db/OdbcHandle.h"

#include <string>
#include <string_view>

namespace qar
{

/// The engine behind a connection, where the record layer must tell them apart.
enum class DbEngine
{
    Sqlite,
    MariaDb, ///< MariaDB or MySQL
    Other,
};

/// The shared ODBC connection the main window owns and every record object is bound to. Opened with the
/// system's connection string ("ODBC;DSN=%s;UID=%s;PWD=%s"), read-write, with a 5-second login timeout
/// and, on MariaDB, 10-second read and write timeouts, where the data source sets none. On a node of a
/// Galera cluster every read first waits until the node has applied the writes the cluster committed.
class CXDatabase
{
public:
    CXDatabase();
    ~CXDatabase();
    CXDatabase(const CXDatabase&) = delete;
    CXDatabase& operator=(const CXDatabase&) = delete;

    /// Connects; throws OdbcError (and stays closed) when the driver manager or the driver refuses.
    /// The output connection string is never kept or shown: drivers echo the password in it.
    void Open(const std::string& connect);
    /// Disconnects; never throws.
    void Close() noexcept;
    bool IsOpen() const { return m_open; }

    /// The driver's identifier quote (`"` for SQLite, "`" for MariaDB), empty when it reports none.
    const std::string& identifierQuote() const { return m_quote; }
    DbEngine engine() const { return m_engine; }
    /// The database product and its version ("SQLite 3.40.1", "MariaDB 10.11.19"), empty while closed.
    const std::string& dbmsDescription() const { return m_dbms; }
    /// `sql` with every '[' and ']' replaced by the identifier quote.
    std::string quoteBrackets(std::string_view sql) const;

    /// Executes a statement directly, sent exactly as given; throws OdbcError on failure.
    void ExecuteSQL(const std::string& sql);

    /// Runs statements in one transaction from here to commit() or rollback(); autocommit otherwise.
    /// Throws DbError when a transaction is already open: a write of one row inside a longer operation
    /// joins the operation's transaction instead (see inTransaction()).
    void beginTransaction();
    /// Commits; throws DbError (after rolling back) when the transaction was marked to fail or the database
    /// refused the commit, CommitUnconfirmedError when the reply to the commit never came.
    void commit();
    /// Never throws: it runs while an error is already on its way.
    void rollback() noexcept;
    bool inTransaction() const { return m_inTransaction; }
    /// A statement inside the open transaction did what must not stay (it changed more rows than the one
    /// it was meant for): the transaction can only be rolled back now.
    void markRollbackOnly() { m_rollbackOnly = m_inTransaction; }

    SQLHDBC handle() const { return m_dbc.get(); }

    /// Counts what this object did that may change what a read returns without other connections
    /// knowing: every connect, every statement that is not a query, every transaction end (a rollback
    /// takes back rows the connection itself had already read). Other connections' writes do not count.
    std::uint64_t ownChanges() const { return m_ownChanges; }
    /// A statement that may write is about to run.
    void noteWrite() { ++m_ownChanges; }
    /// Whether `sql` only reads (a query, a PRAGMA or SHOW), so that running it changes nothing.
    static bool isReadOnlyStatement(std::string_view sql);

    /// From now on the calls that wait for the server go through `runner` (nullptr: run in place).
    void setCallRunner(IDbCallRunner* runner) { m_runner = runner; }
    /// Runs a driver call that waits for the server, through the runner when there is one.
    SQLRETURN waitFor(const std::function<SQLRETURN()>& call);
    /// The seconds the last such call waited before it failed for a timeout, 0 when it did not: the
    /// server did not answer in time (stopped, frozen, overloaded or out of reach).
    unsigned lastNoAnswerSeconds() const { return m_lastNoAnswerSeconds; }
    /// The read timeout of the open connection in seconds: the data source's, else the default.
    unsigned readTimeout() const { return m_readTimeout; }

    /// How long a login, and a read or write on a MariaDB connection, wait for the server unless the
    /// connection string or the data source says otherwise (CONN_TIMEOUT, READ_TIMEOUT, WRITE_TIMEOUT).
    static constexpr unsigned kLoginTimeoutSeconds = 5;
    static constexpr unsigned kTransferTimeoutSeconds = 10;
    /// The timeouts of connections opened from now on; tests shorten them.
    static void setTimeoutsForTesting(unsigned loginSeconds, unsigned transferSeconds);

private:
    void endTransaction(SQLSMALLINT completion);
    void waitForClusterWrites();

    EnvHandle m_env;
    DbcHandle m_dbc;
    bool m_open = false;
    bool m_inTransaction = false;
    bool m_rollbackOnly = false;
    std::string m_quote;
    std::string m_dbms;
    DbEngine m_engine = DbEngine::Other;
    unsigned m_loginTimeout = kLoginTimeoutSeconds;
    unsigned m_readTimeout = kTransferTimeoutSeconds;
    IDbCallRunner* m_runner = nullptr;
    unsigned m_lastNoAnswerSeconds = 0;
    std::uint64_t m_ownChanges = 0;
};

/// "MariaDB 10.11.19" from the product name and the version a driver reports: drivers pad the parts
/// of the version with zeros ("10.11.000019"), which an administrator does not need to read.
std::string DbmsDescription(std::string_view name, std::string_view version);

} // namespace qar
