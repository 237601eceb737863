#include "db/OdbcError.h"

#include <algorithm>

namespace qar
{

namespace
{

std::string describe(const std::string& context, const std::vector<OdbcDiagnostic>& records)
{
    std::string text = context;
    for (const OdbcDiagnostic& r : records) {
        text += text.empty() ? "" : "\n";
        text += "[" + r.sqlState + "] (" + std::to_string(r.nativeError) + ") " + r.message;
    }
    return text;
}

} // namespace

OdbcError::OdbcError(const std::string& context, std::vector<OdbcDiagnostic> records)
    : DbError(describe(context, records)), m_records(std::move(records))
{}

std::string OdbcError::sqlState() const
{
    return m_records.empty() ? std::string() : m_records.front().sqlState;
}

bool OdbcError::hasState(const std::string& state) const
{
    return std::any_of(m_records.begin(), m_records.end(),
                       [&](const OdbcDiagnostic& r) { return r.sqlState == state; });
}

RowMatchError::RowMatchError(const std::string& statement, long long matched, bool rowDeleted)
    : DbError(statement + ": " + std::to_string(matched) + " rows matched the row as it was read, expected 1" +
              (rowDeleted ? " (the row was deleted)" : "")),
      m_matched(matched), m_rowDeleted(rowDeleted)
{}

bool IsConnectionFailure(const DbError& error)
{
    const auto* odbc = dynamic_cast<const OdbcError*>(&error);
    if (odbc == nullptr) {
        return false;
    }
    // Class 08 is the connection's own; MariaDB Connector/ODBC reports a server that went away or a
    // connection lost in a read as HY000 with the client library's error numbers, and a timeout as HYT00.
    constexpr SQLINTEGER kServerGone = 2006;
    constexpr SQLINTEGER kLostConnection = 2013;
    constexpr SQLINTEGER kCannotConnectLocal = 2002;
    constexpr SQLINTEGER kCannotConnect = 2003;
    constexpr SQLINTEGER kServerLost = 2055;
    return std::any_of(odbc->records().begin(), odbc->records().end(), [](const OdbcDiagnostic& r) {
        return r.sqlState.compare(0, 2, "08") == 0 || r.sqlState == "HYT00" || r.sqlState == "HYT01" ||
               r.nativeError == kServerGone || r.nativeError == kLostConnection ||
               r.nativeError == kCannotConnectLocal || r.nativeError == kCannotConnect || r.nativeError == kServerLost;
    });
}

bool IsWriteConflict(const DbError& error)
{
    constexpr SQLINTEGER kDeadlock = 1213;
    const auto* odbc = dynamic_cast<const OdbcError*>(&error);
    return odbc != nullptr && std::any_of(odbc->records().begin(), odbc->records().end(),
                                          [](const OdbcDiagnostic& r) { return r.nativeError == kDeadlock; });
}

std::vector<OdbcDiagnostic> collectDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle)
{
    std::vector<OdbcDiagnostic> records;
    if (handle == SQL_NULL_HANDLE) {
        return records;
    }
    for (SQLSMALLINT i = 1;; ++i) {
        SQLCHAR state[SQL_SQLSTATE_SIZE + 1] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        std::string message(512, '\0');
        SQLRETURN rc = SQLGetDiagRec(handleType, handle, i, state, &native, reinterpret_cast<SQLCHAR*>(message.data()),
                                     static_cast<SQLSMALLINT>(message.size()), &length);
        if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(message.size())) {
            // The message was cut: ask again with room for all of it.
            message.assign(static_cast<std::size_t>(length) + 1, '\0');
            rc = SQLGetDiagRec(handleType, handle, i, state, &native, reinterpret_cast<SQLCHAR*>(message.data()),
                               static_cast<SQLSMALLINT>(message.size()), &length);
        }
        if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) {
            break;
        }
        message.resize(
            std::min<std::size_t>(static_cast<std::size_t>(std::max<SQLSMALLINT>(length, 0)), message.size() - 1));
        records.push_back({reinterpret_cast<const char*>(state), native, std::move(message)});
    }
    return records;
}

SQLRETURN check(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char* context,
                std::vector<OdbcDiagnostic>* warnings)
{
    switch (rc) {
    case SQL_SUCCESS:
    case SQL_NO_DATA:
    case SQL_NEED_DATA:
        return rc;
    case SQL_SUCCESS_WITH_INFO:
        if (warnings) {
            auto records = collectDiagnostics(handleType, handle);
            warnings->insert(warnings->end(), records.begin(), records.end());
        }
        return rc;
    case SQL_INVALID_HANDLE:
        throw OdbcError(context, {{"HY000", 0, "invalid handle"}});
    default:
        throw OdbcError(context, collectDiagnostics(handleType, handle));
    }
}

} // namespace qar
