#pragma once

#include "db/OdbcError.h"
#include "db/OdbcHandle.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace qar
{

class CXDatabase;

/// One statement on a connection with bound parameters; freed on destruction. Values are always bound,
/// never written into the SQL text.
class OdbcStatement
{
public:
    explicit OdbcStatement(CXDatabase& db);

    /// Binds parameter `number` (from 1) to a copy of the value; `isNull` binds SQL NULL.
    void bindInt(SQLUSMALLINT number, std::int32_t value, bool isNull = false);
    void bindText(SQLUSMALLINT number, const std::string& value, bool isNull = false);

    /// Executes `sql` directly (exactly as given) with the bound parameters. Returns SQL_NO_DATA when a
    /// searched UPDATE or DELETE matched no row; throws OdbcError on failure.
    SQLRETURN execute(const std::string& sql);
    /// Rows the last UPDATE, DELETE or INSERT affected (0 after SQL_NO_DATA).
    long long rowCount() const;
    /// Moves to the next row of the executed query's result; false when there is none.
    bool fetch();
    /// The integer in `column` (from 1) of the current row; nullopt for NULL.
    std::optional<std::int32_t> getInt(SQLUSMALLINT column);
    /// The text in `column` of the current row (up to 255 bytes); empty for NULL.
    std::string getText(SQLUSMALLINT column);

    /// Diagnostic records of calls that succeeded with information (SQL_SUCCESS_WITH_INFO).
    const std::vector<OdbcDiagnostic>& warnings() const { return m_warnings; }

    SQLHSTMT handle() const { return m_stmt.get(); }

private:
    struct Param
    {
        std::int32_t number = 0;
        std::string text;
        SQLLEN indicator = 0;
    };

    CXDatabase& m_db;
    StmtHandle m_stmt;
    std::deque<Param> m_params; // stable addresses for the driver
    std::vector<OdbcDiagnostic> m_warnings;
    bool m_noData = false;
};

} // namespace qar
