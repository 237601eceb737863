#include "BatchInsert.h"

#include "db/CXDatabase.h"
#include "db/OdbcError.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace qar
{

namespace
{

// Every text column of the schema is VARCHAR(255): 255 bytes and the terminating NUL.
constexpr std::size_t kTextWidth = 256;
// Rows per VALUES list: more gains nothing measurable; the parameters stay within the 999 an SQLite
// built with its old default limit accepts.
constexpr std::size_t kMaxTuples = 50;
constexpr std::size_t kMaxParameters = 999;

std::string bracketed(const std::string& name)
{
    return !name.empty() && name.front() == '[' ? name : "[" + name + "]";
}

std::size_t aligned(std::size_t bytes)
{
    return (bytes + sizeof(SQLLEN) - 1) / sizeof(SQLLEN) * sizeof(SQLLEN);
}

StmtHandle prepare(CXDatabase& db, const std::string& sql, std::size_t rowStride, SQLULEN* processed,
                   SQLUSMALLINT* status)
{
    StmtHandle handle = allocStatement(db.handle());
    SQLHSTMT stmt = handle.get();
    // Row-wise binding: one parameter set is `rowStride` bytes further on, whatever row it starts at.
    check(SQLSetStmtAttr(stmt, SQL_ATTR_PARAM_BIND_TYPE, reinterpret_cast<SQLPOINTER>(rowStride), 0), SQL_HANDLE_STMT,
          stmt, "row-wise parameters");
    check(SQLSetStmtAttr(stmt, SQL_ATTR_PARAMS_PROCESSED_PTR, processed, 0), SQL_HANDLE_STMT, stmt, "processed rows");
    check(SQLSetStmtAttr(stmt, SQL_ATTR_PARAM_STATUS_PTR, status, 0), SQL_HANDLE_STMT, stmt, "parameter status");
    check(SQLPrepare(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS), SQL_HANDLE_STMT, stmt,
          sql.c_str());
    return handle;
}

} // namespace

BatchInsert::BatchInsert(CXDatabase& db, const std::string& table, std::vector<Column> columns, std::size_t batchRows)
    : m_db(db), m_columns(std::move(columns))
{
    std::string names;
    std::string tuple;
    for (const Column& c : m_columns) {
        names += (names.empty() ? "" : ", ") + bracketed(c.name);
        tuple += tuple.empty() ? "(?" : ", ?";
        const std::size_t value = m_rowBytes;
        m_rowBytes = aligned(value + (c.type == Type::Int ? sizeof(SQLINTEGER) : kTextWidth));
        m_slots.push_back({c.type, value, m_rowBytes});
        m_rowBytes += sizeof(SQLLEN);
    }
    tuple += ")";
    m_tuples = std::clamp<std::size_t>(kMaxParameters / std::max<std::size_t>(m_columns.size(), 1), 1, kMaxTuples);
    m_batch = std::max(batchRows / m_tuples, std::size_t{1}) * m_tuples;
    m_rows.resize(m_batch * m_rowBytes / sizeof(SQLLEN));
    m_status.resize(m_batch);

    const std::string head = "INSERT INTO " + bracketed(table) + " (" + names + ") VALUES ";
    std::string many = head;
    for (std::size_t t = 0; t < m_tuples; ++t) {
        many += (t == 0 ? "" : ", ") + tuple;
    }
    m_many = prepare(db, db.quoteBrackets(many), m_tuples * m_rowBytes, &m_processed, m_status.data());
    m_one = prepare(db, db.quoteBrackets(head + tuple), m_rowBytes, &m_processed, m_status.data());
    bind(m_many.get(), m_tuples, 0);
}

unsigned char* BatchInsert::row(std::size_t index)
{
    return reinterpret_cast<unsigned char*>(m_rows.data()) + index * m_rowBytes;
}

void BatchInsert::bind(SQLHSTMT stmt, std::size_t tuples, std::size_t first)
{
    SQLUSMALLINT number = 1;
    for (std::size_t t = 0; t < tuples; ++t) {
        unsigned char* base = row(first + t);
        for (std::size_t i = 0; i < m_slots.size(); ++i, ++number) {
            const Slot& s = m_slots[i];
            auto* indicator = reinterpret_cast<SQLLEN*>(base + s.indicator);
            SQLRETURN rc = 0;
            if (s.type == Type::Int) {
                rc = SQLBindParameter(stmt, number, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, base + s.value, 0,
                                      indicator);
            } else {
                rc = SQLBindParameter(stmt, number, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, kTextWidth - 1, 0,
                                      base + s.value, kTextWidth, indicator);
            }
            check(rc, SQL_HANDLE_STMT, stmt, m_columns[i].name.c_str());
        }
    }
}

const BatchInsert::Slot& BatchInsert::next(Type type)
{
    if (m_column >= m_slots.size() || m_slots[m_column].type != type) {
        throw std::logic_error("BatchInsert: values do not match the columns");
    }
    return m_slots[m_column++];
}

void BatchInsert::add(std::int32_t value)
{
    const Slot& s = next(Type::Int);
    unsigned char* base = row(m_count);
    const SQLINTEGER v = value;
    std::memcpy(base + s.value, &v, sizeof v);
    const SQLLEN length = 0;
    std::memcpy(base + s.indicator, &length, sizeof length);
}

void BatchInsert::add(std::string_view text)
{
    const Slot& s = next(Type::Text);
    unsigned char* base = row(m_count);
    const std::size_t n = std::min(text.size(), kTextWidth - 1);
    std::memcpy(base + s.value, text.data(), n);
    base[s.value + n] = '\0';
    const auto length = static_cast<SQLLEN>(n);
    std::memcpy(base + s.indicator, &length, sizeof length);
}

void BatchInsert::endRow()
{
    if (m_column != m_slots.size()) {
        throw std::logic_error("BatchInsert: row has missing values");
    }
    m_column = 0;
    if (++m_count == m_batch) {
        flush();
    }
}

void BatchInsert::execute(SQLHSTMT stmt, std::size_t sets)
{
    check(SQLSetStmtAttr(stmt, SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(sets), 0), SQL_HANDLE_STMT, stmt,
          "parameter set size");
    std::fill(m_status.begin(), m_status.end(), static_cast<SQLUSMALLINT>(SQL_PARAM_SUCCESS));
    m_processed = sets;
    m_db.noteWrite();
    check(SQLExecute(stmt), SQL_HANDLE_STMT, stmt, "batch insert");
    // A driver that runs the sets one by one may refuse one and carry on, answering only "with
    // information": every row must be in, or none is kept.
    const auto failed = std::find_if(m_status.begin(), m_status.begin() + static_cast<std::ptrdiff_t>(sets),
                                     [](SQLUSMALLINT s) { return s == SQL_PARAM_ERROR || s == SQL_PARAM_UNUSED; });
    if (m_processed < sets || failed != m_status.begin() + static_cast<std::ptrdiff_t>(sets)) {
        std::vector<OdbcDiagnostic> records = collectDiagnostics(SQL_HANDLE_STMT, stmt);
        if (records.empty()) {
            records.push_back({"HY000", 0, "a row of the batch was not inserted"});
        }
        SQLFreeStmt(stmt, SQL_CLOSE);
        throw OdbcError("batch insert", std::move(records));
    }
    SQLFreeStmt(stmt, SQL_CLOSE);
}

void BatchInsert::flush()
{
    if (m_count == 0) {
        return;
    }
    // Whole VALUES lists first, then the rows left over one by one: the rows keep the order they came in.
    const std::size_t sets = m_count / m_tuples;
    if (sets > 0) {
        execute(m_many.get(), sets);
    }
    const std::size_t rest = m_count - sets * m_tuples;
    if (rest > 0) {
        bind(m_one.get(), 1, sets * m_tuples);
        execute(m_one.get(), rest);
    }
    m_written += m_count;
    m_count = 0;
}

} // namespace qar
