#include "BatchInsert.h"

#include "db/CXDatabase.h"
#include "db/OdbcError.h"

#include <cstring>
#include <stdexcept>

namespace qar
{

namespace
{

// Every text column of the schema is VARCHAR(255): 255 bytes and the terminating NUL.
constexpr std::size_t kTextWidth = 256;

std::string bracketed(const std::string& name)
{
    return !name.empty() && name.front() == '[' ? name : "[" + name + "]";
}

} // namespace

BatchInsert::BatchInsert(CXDatabase& db, const std::string& table, std::vector<Column> columns, std::size_t batchRows)
    : m_columns(std::move(columns)), m_batch(batchRows), m_stmt(allocStatement(db.handle()))
{
    std::string names;
    std::string marks;
    for (const Column& c : m_columns) {
        names += (names.empty() ? "" : ", ") + bracketed(c.name);
        marks += marks.empty() ? "?" : ", ?";
        Buffer buffer{c.type, {}, {}, {}};
        if (c.type == Type::Int) {
            buffer.ints.resize(m_batch);
        } else {
            buffer.text.resize(m_batch * kTextWidth);
        }
        buffer.lengths.resize(m_batch);
        m_buffers.push_back(std::move(buffer));
    }
    const std::string sql =
        db.quoteBrackets("INSERT INTO " + bracketed(table) + " (" + names + ") VALUES (" + marks + ")");
    SQLHSTMT stmt = m_stmt.get();
    check(SQLSetStmtAttr(stmt, SQL_ATTR_PARAM_BIND_TYPE, reinterpret_cast<SQLPOINTER>(SQL_PARAM_BIND_BY_COLUMN), 0),
          SQL_HANDLE_STMT, stmt, "column-wise parameters");
    check(SQLSetStmtAttr(stmt, SQL_ATTR_PARAMS_PROCESSED_PTR, &m_processed, 0), SQL_HANDLE_STMT, stmt,
          "processed rows");
    check(SQLPrepare(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS), SQL_HANDLE_STMT, stmt,
          sql.c_str());
    bind();
}

void BatchInsert::bind()
{
    SQLHSTMT stmt = m_stmt.get();
    for (std::size_t i = 0; i < m_buffers.size(); ++i) {
        Buffer& b = m_buffers[i];
        const auto number = static_cast<SQLUSMALLINT>(i + 1);
        SQLRETURN rc = 0;
        if (b.type == Type::Int) {
            rc = SQLBindParameter(stmt, number, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, b.ints.data(), 0,
                                  b.lengths.data());
        } else {
            rc = SQLBindParameter(stmt, number, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, kTextWidth - 1, 0,
                                  b.text.data(), kTextWidth, b.lengths.data());
        }
        check(rc, SQL_HANDLE_STMT, stmt, m_columns[i].name.c_str());
    }
}

BatchInsert::Buffer& BatchInsert::next(Type type)
{
    if (m_column >= m_buffers.size() || m_buffers[m_column].type != type) {
        throw std::logic_error("BatchInsert: values do not match the columns");
    }
    return m_buffers[m_column++];
}

void BatchInsert::add(std::int32_t value)
{
    Buffer& b = next(Type::Int);
    b.ints[m_rows] = value;
    b.lengths[m_rows] = 0;
}

void BatchInsert::add(std::string_view text)
{
    Buffer& b = next(Type::Text);
    const std::size_t n = std::min(text.size(), kTextWidth - 1);
    std::memcpy(b.text.data() + m_rows * kTextWidth, text.data(), n);
    b.text[m_rows * kTextWidth + n] = '\0';
    b.lengths[m_rows] = static_cast<SQLLEN>(n);
}

void BatchInsert::endRow()
{
    if (m_column != m_buffers.size()) {
        throw std::logic_error("BatchInsert: row has missing values");
    }
    m_column = 0;
    if (++m_rows == m_batch) {
        flush();
    }
}

void BatchInsert::flush()
{
    if (m_rows == 0) {
        return;
    }
    SQLHSTMT stmt = m_stmt.get();
    check(SQLSetStmtAttr(stmt, SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(m_rows), 0), SQL_HANDLE_STMT, stmt,
          "parameter set size");
    check(SQLExecute(stmt), SQL_HANDLE_STMT, stmt, "batch insert");
    SQLFreeStmt(stmt, SQL_CLOSE);
    m_written += m_rows;
    m_rows = 0;
}

} // namespace qar
