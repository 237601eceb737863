#include "db/OdbcStatement.h"

#include "db/CXDatabase.h"
#include "db/OdbcError.h"

#include <algorithm>

namespace qar
{

namespace
{

// Declared size of a text parameter: the column width of the tables, or more for a longer value.
constexpr SQLULEN kTextColumnSize = 255;

} // namespace

OdbcStatement::OdbcStatement(CXDatabase& db) : m_db(db)
{
    if (!db.IsOpen()) {
        throw OdbcError("statement", {{"08003", 0, "the connection is not open"}});
    }
    m_stmt = allocStatement(db.handle());
}

void OdbcStatement::bindInt(SQLUSMALLINT number, std::int32_t value, bool isNull)
{
    Param& p = m_params.emplace_back();
    p.number = value;
    p.indicator = isNull ? SQL_NULL_DATA : 0;
    check(SQLBindParameter(m_stmt.get(), number, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &p.number, 0,
                           &p.indicator),
          SQL_HANDLE_STMT, m_stmt.get(), "SQLBindParameter(INTEGER)");
}

void OdbcStatement::bindText(SQLUSMALLINT number, const std::string& value, bool isNull)
{
    Param& p = m_params.emplace_back();
    p.text = isNull ? std::string() : value;
    p.indicator = isNull ? SQL_NULL_DATA : static_cast<SQLLEN>(p.text.size());
    const SQLULEN size = std::max<SQLULEN>(kTextColumnSize, p.text.size());
    check(SQLBindParameter(m_stmt.get(), number, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, size, 0, p.text.data(),
                           static_cast<SQLLEN>(p.text.size()), &p.indicator),
          SQL_HANDLE_STMT, m_stmt.get(), "SQLBindParameter(VARCHAR)");
}

SQLRETURN OdbcStatement::execute(const std::string& sql)
{
    std::string text = sql;
    if (!CXDatabase::isReadOnlyStatement(sql)) {
        m_db.noteWrite();
    }
    SQLRETURN rc = m_db.waitFor([&] {
        return SQLExecDirect(m_stmt.get(), reinterpret_cast<SQLCHAR*>(text.data()),
                             static_cast<SQLINTEGER>(text.size()));
    });
    m_noData = rc == SQL_NO_DATA;
    return check(rc, SQL_HANDLE_STMT, m_stmt.get(), ("SQLExecDirect: " + sql).c_str(), &m_warnings);
}

long long OdbcStatement::rowCount() const
{
    if (m_noData) {
        return 0;
    }
    SQLLEN count = 0;
    check(SQLRowCount(m_stmt.get(), &count), SQL_HANDLE_STMT, m_stmt.get(), "SQLRowCount");
    return count;
}

bool OdbcStatement::fetch()
{
    return check(SQLFetch(m_stmt.get()), SQL_HANDLE_STMT, m_stmt.get(), "SQLFetch") != SQL_NO_DATA;
}

std::optional<std::int32_t> OdbcStatement::getInt(SQLUSMALLINT column)
{
    SQLINTEGER value = 0;
    SQLLEN indicator = 0;
    check(SQLGetData(m_stmt.get(), column, SQL_C_SLONG, &value, 0, &indicator), SQL_HANDLE_STMT, m_stmt.get(),
          "SQLGetData(INTEGER)");
    if (indicator == SQL_NULL_DATA) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

std::string OdbcStatement::getText(SQLUSMALLINT column)
{
    char buffer[256] = {};
    SQLLEN indicator = 0;
    check(SQLGetData(m_stmt.get(), column, SQL_C_CHAR, buffer, sizeof buffer, &indicator), SQL_HANDLE_STMT,
          m_stmt.get(), "SQLGetData(VARCHAR)");
    return indicator == SQL_NULL_DATA ? std::string() : std::string(buffer);
}

} // namespace qar
