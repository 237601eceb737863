#pragma once

#include <sql.h>
#include <sqlext.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace qar
{

/// Base of every database failure the record layer raises; an operation catches it once and shows its
/// message (as a rule 253).
class DbError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

/// One diagnostic record of an ODBC call.
struct OdbcDiagnostic
{
    std::string sqlState; ///< five characters, e.g. "42S02"
    SQLINTEGER nativeError = 0;
    std::string message;
};

/// A failed ODBC call with every diagnostic record the driver manager and the driver reported.
class OdbcError : public DbError
{
public:
    OdbcError(const std::string& context, std::vector<OdbcDiagnostic> records);

    const std::vector<OdbcDiagnostic>& records() const { return m_records; }
    /// SQLSTATE of the first record, empty when there is none.
    std::string sqlState() const;
    /// True when any record carries the SQLSTATE.
    bool hasState(const std::string& state) const;

private:
    std::vector<OdbcDiagnostic> m_records;
};

/// A commit whose reply never came (a read timeout, a connection lost during COMMIT): the server may have
/// kept the transaction or not. Never report it as "nothing was saved": read the tables again.
class CommitUnconfirmedError : public OdbcError
{
public:
    explicit CommitUnconfirmedError(const OdbcError& cause) : OdbcError(cause) {}
};

/// A searched UPDATE or DELETE that did not match exactly the row as it was read: another program changed
/// or deleted it meanwhile (0), or the row has a twin (more than 1, the change was rolled back).
class RowMatchError : public DbError
{
public:
    RowMatchError(const std::string& statement, long long matched, bool rowDeleted = false);

    long long matchedRows() const { return m_matched; }
    /// No row matched because the row is gone: its key was read again and found no row. False for a row
    /// another program changed (its key is still there): that write failed.
    bool rowDeleted() const { return m_rowDeleted; }

private:
    long long m_matched;
    bool m_rowDeleted;
};

/// Whether a failure means the connection itself is gone or unusable (server restarted, stopped, out of
/// reach, a read or write that timed out), rather than a refused statement: the connection must be made
/// anew before anything else can work.
bool IsConnectionFailure(const DbError& error);

/// Whether the database refused a write because another transaction changed the same rows (native error
/// 1213: a deadlock, or a cluster's certification failure when another node committed first). Nothing of
/// the refused transaction was kept, so trying again is safe.
bool IsWriteConflict(const DbError& error);

/// Every diagnostic record of a handle (warnings included), in the driver's order.
std::vector<OdbcDiagnostic> collectDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle);

/// The result of an ODBC call: throws OdbcError on SQL_ERROR and SQL_INVALID_HANDLE (and on anything
/// else that is not a success, SQL_NO_DATA or SQL_NEED_DATA). Warnings of SQL_SUCCESS_WITH_INFO are
/// collected into `warnings` when given. Returns `rc` so callers can tell SQL_NO_DATA apart.
SQLRETURN check(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char* context,
                std::vector<OdbcDiagnostic>* warnings = nullptr);

} // namespace qar
