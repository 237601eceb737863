#pragma once

#include <sql.h>
#include <sqlext.h>

#include <utility>

namespace qar
{

/// Owner of one ODBC handle (environment, connection or statement): allocated by the factory functions
/// below, freed on destruction, movable, never copied. A connection handle is disconnected before it is
/// freed.
template <SQLSMALLINT Type> class OdbcHandle
{
public:
    OdbcHandle() = default;
    explicit OdbcHandle(SQLHANDLE handle) : m_handle(handle) {}
    ~OdbcHandle() { reset(); }

    OdbcHandle(const OdbcHandle&) = delete;
    OdbcHandle& operator=(const OdbcHandle&) = delete;
    OdbcHandle(OdbcHandle&& other) noexcept : m_handle(std::exchange(other.m_handle, nullptr)) {}
    OdbcHandle& operator=(OdbcHandle&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_handle = std::exchange(other.m_handle, nullptr);
        }
        return *this;
    }

    SQLHANDLE get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }
    static constexpr SQLSMALLINT type() { return Type; }

    /// Frees the handle; never throws (errors of the free are of no use to anyone).
    void reset() noexcept
    {
        if (m_handle == nullptr) {
            return;
        }
        if constexpr (Type == SQL_HANDLE_STMT) {
            SQLFreeStmt(m_handle, SQL_CLOSE);
        } else if constexpr (Type == SQL_HANDLE_DBC) {
            SQLDisconnect(m_handle); // fails harmlessly when not connected
        }
        SQLFreeHandle(Type, m_handle);
        m_handle = nullptr;
    }

private:
    SQLHANDLE m_handle = nullptr;
};

using EnvHandle = OdbcHandle<SQL_HANDLE_ENV>;
using DbcHandle = OdbcHandle<SQL_HANDLE_DBC>;
using StmtHandle = OdbcHandle<SQL_HANDLE_STMT>;

/// A new ODBC 3 environment; throws OdbcError when the driver manager refuses.
EnvHandle allocEnvironment();
/// A new connection handle on `env`.
DbcHandle allocConnection(const EnvHandle& env);
/// A new statement handle on a connected `dbc`.
StmtHandle allocStatement(SQLHDBC dbc);

} // namespace qar
