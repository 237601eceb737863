#include "db/RowStore.h"

#include "db/CXDatabase.h"
#include "db/OdbcError.h"
#include "db/OdbcStatement.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <stdexcept>
#include <vector>

namespace qar
{

namespace
{

// Rows per block of the bulk fetch, and bytes bound per text cell: 255 characters of up to four bytes
// each in UTF-8, plus the terminator. A longer value switches to the value-by-value fetch.
constexpr SQLULEN kBlockRows = 512;
constexpr SQLLEN kTextBuffer = 1024;
constexpr SQLLEN kMaxReserveRows = 10'000'000;

struct BoundColumn
{
    std::unique_ptr<std::int32_t[]> numbers;
    char* text = nullptr;
    std::unique_ptr<SQLLEN[]> indicators;
};

// The text block of the column'th text column. Pages read their table again after every add, so
// fresh blocks for each read cost more in page faults than the fetch itself (the driver fills the
// whole cell): each thread keeps its blocks for the next read.
char* textBlock(std::size_t column)
{
    thread_local std::vector<std::unique_ptr<char[]>> blocks;
    while (blocks.size() <= column) {
        blocks.push_back(std::make_unique_for_overwrite<char[]>(kBlockRows * kTextBuffer));
    }
    return blocks[column].get();
}

void setStmtAttr(SQLHSTMT stmt, SQLINTEGER attr, SQLPOINTER value, const char* context)
{
    check(SQLSetStmtAttr(stmt, attr, value, 0), SQL_HANDLE_STMT, stmt, context);
}

// SQLite reads a double-quoted name that is no column of the table as a text literal, so a missing
// column would come back as its own name on every row. Its result column is then labelled with the
// quotes still on, which no real column is: that is reported as the missing column it is.
void requireResolvedColumns(SQLHSTMT h, const CXDatabase& db, std::size_t count)
{
    if (db.engine() != DbEngine::Sqlite || db.identifierQuote().empty()) {
        return;
    }
    for (std::size_t c = 0; c < count; ++c) {
        char label[512] = {};
        SQLSMALLINT length = 0;
        check(
            SQLColAttribute(h, static_cast<SQLUSMALLINT>(c + 1), SQL_DESC_LABEL, label, sizeof label, &length, nullptr),
            SQL_HANDLE_STMT, h, "SQLColAttribute(LABEL)");
        if (std::string_view(label).starts_with(db.identifierQuote())) {
            throw OdbcError("SELECT", {{"42S22", 0, std::string("no such column: ") + label}});
        }
    }
}

void bindAll(OdbcStatement& stmt, const std::vector<std::int32_t>& params)
{
    for (std::size_t i = 0; i < params.size(); ++i) {
        stmt.bindInt(static_cast<SQLUSMALLINT>(i + 1), params[i]);
    }
}

// Fetches block by block; false when a text did not fit its buffer (the caller starts again).
bool fetchBulk(CXDatabase& db, const std::string& sql, const std::vector<CFieldExchange::Column>& columns,
               RowStore& store, const std::vector<std::int32_t>& params)
{
    OdbcStatement stmt(db);
    bindAll(stmt, params);
    SQLHSTMT h = stmt.handle();
    SQLULEN fetched = 0;
    auto status = std::make_unique_for_overwrite<SQLUSMALLINT[]>(kBlockRows);
    setStmtAttr(h, SQL_ATTR_ROW_BIND_TYPE, reinterpret_cast<SQLPOINTER>(SQL_BIND_BY_COLUMN), "ROW_BIND_TYPE");
    setStmtAttr(h, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(kBlockRows), "ROW_ARRAY_SIZE");
    setStmtAttr(h, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, "ROWS_FETCHED_PTR");
    setStmtAttr(h, SQL_ATTR_ROW_STATUS_PTR, status.get(), "ROW_STATUS_PTR");
    stmt.execute(sql);
    requireResolvedColumns(h, db, columns.size());
    // Both drivers hold the whole result after the execute and say how many rows it has: the arrays
    // are sized once instead of growing by copies.
    SQLLEN expected = 0;
    if (SQL_SUCCEEDED(SQLRowCount(h, &expected)) && expected > 0 && expected < kMaxReserveRows) {
        store.reserve(static_cast<std::size_t>(expected));
    }

    std::vector<BoundColumn> bound(columns.size());
    std::size_t textColumns = 0;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        BoundColumn& b = bound[c];
        b.indicators = std::make_unique_for_overwrite<SQLLEN[]>(kBlockRows);
        const auto number = static_cast<SQLUSMALLINT>(c + 1);
        if (columns[c].type == FieldType::Text) {
            b.text = textBlock(textColumns++);
            check(SQLBindCol(h, number, SQL_C_CHAR, b.text, kTextBuffer, b.indicators.get()), SQL_HANDLE_STMT, h,
                  "SQLBindCol(CHAR)");
        } else {
            b.numbers = std::make_unique_for_overwrite<std::int32_t[]>(kBlockRows);
            check(SQLBindCol(h, number, SQL_C_SLONG, b.numbers.get(), 0, b.indicators.get()), SQL_HANDLE_STMT, h,
                  "SQLBindCol(SLONG)");
        }
    }

    for (;;) {
        SQLRETURN rc = check(SQLFetch(h), SQL_HANDLE_STMT, h, "SQLFetch");
        if (rc == SQL_NO_DATA) {
            return true;
        }
        // The rows of the block end at the first that holds none.
        std::size_t rows = 0;
        while (rows < fetched && status[rows] != SQL_ROW_NOROW) {
            if (status[rows++] == SQL_ROW_ERROR) {
                throw OdbcError("SQLFetch", collectDiagnostics(SQL_HANDLE_STMT, h));
            }
        }
        // Column by column: each array of the store is written in one run, as the driver filled the block.
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const BoundColumn& b = bound[c];
            if (columns[c].type != FieldType::Text) {
                store.appendNumbers(c, b.numbers.get(), b.indicators.get(), rows);
            } else if (!store.appendTexts(c, b.text, kTextBuffer, b.indicators.get(), rows)) {
                return false;
            }
        }
        store.endRows(rows);
        if (rows > 0 && expected > 0 && store.rowCount() == rows && expected < kMaxReserveRows) {
            store.reserveText(store.textBytes() / rows * static_cast<std::size_t>(expected) * 9 / 8);
        }
    }
}

// One value of a text column in as many pieces as it takes.
bool getText(SQLHSTMT h, SQLUSMALLINT number, std::string& value)
{
    value.clear();
    char piece[1024];
    for (;;) {
        SQLLEN ind = 0;
        SQLRETURN rc =
            check(SQLGetData(h, number, SQL_C_CHAR, piece, sizeof piece, &ind), SQL_HANDLE_STMT, h, "SQLGetData(CHAR)");
        if (rc == SQL_NO_DATA) {
            return true;
        }
        if (ind == SQL_NULL_DATA) {
            return false;
        }
        const std::size_t got = (ind == SQL_NO_TOTAL || ind >= static_cast<SQLLEN>(sizeof piece))
                                    ? sizeof piece - 1
                                    : static_cast<std::size_t>(ind);
        value.append(piece, got);
        if (rc == SQL_SUCCESS) {
            return true;
        }
    }
}

void fetchByValue(CXDatabase& db, const std::string& sql, const std::vector<CFieldExchange::Column>& columns,
                  RowStore& store, const std::vector<std::int32_t>& params)
{
    OdbcStatement stmt(db);
    bindAll(stmt, params);
    SQLHSTMT h = stmt.handle();
    stmt.execute(sql);
    std::string text;
    while (check(SQLFetch(h), SQL_HANDLE_STMT, h, "SQLFetch") != SQL_NO_DATA) {
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const auto number = static_cast<SQLUSMALLINT>(c + 1);
            if (columns[c].type == FieldType::Text) {
                const bool present = getText(h, number, text);
                store.appendText(c, text, !present);
            } else {
                std::int32_t value = 0;
                SQLLEN ind = 0;
                check(SQLGetData(h, number, SQL_C_SLONG, &value, 0, &ind), SQL_HANDLE_STMT, h, "SQLGetData(SLONG)");
                store.appendNumber(c, ind == SQL_NULL_DATA ? 0 : value, ind == SQL_NULL_DATA);
            }
        }
        store.endRow();
    }
}

} // namespace

RowStore::RowStore(const std::vector<CFieldExchange::Column>& columns) : m_columns(columns.size())
{
    for (std::size_t c = 0; c < columns.size(); ++c) {
        m_columns[c].isText = columns[c].type == FieldType::Text;
    }
}

void RowStore::reset(const std::vector<CFieldExchange::Column>& columns)
{
    bool sameLayout = columns.size() == m_columns.size();
    for (std::size_t c = 0; sameLayout && c < columns.size(); ++c) {
        sameLayout = m_columns[c].isText == (columns[c].type == FieldType::Text);
    }
    if (sameLayout) {
        clear();
    } else {
        *this = RowStore(columns);
    }
}

void RowStore::clear() noexcept
{
    for (Column& col : m_columns) {
        col.numbers.clear();
        col.offsets.clear();
        col.lengths.clear();
        col.nulls.clear();
    }
    m_arena.clear();
    m_deleted.clear();
    m_deletedCount = 0;
}

void RowStore::reserve(std::size_t rows)
{
    for (Column& col : m_columns) {
        col.nulls.reserve(rows);
        if (col.isText) {
            col.offsets.reserve(rows);
            col.lengths.reserve(rows);
        } else {
            col.numbers.reserve(rows);
        }
    }
    m_deleted.reserve(rows);
}

std::uint32_t RowStore::addToArena(std::string_view value)
{
    if (m_arena.size() + value.size() > std::numeric_limits<std::uint32_t>::max()) {
        throw DbError("snapshot text exceeds 4 GB");
    }
    const auto offset = static_cast<std::uint32_t>(m_arena.size());
    m_arena.append(value);
    return offset;
}

void RowStore::appendNumber(std::size_t c, std::int32_t value, bool isNull)
{
    Column& col = m_columns[c];
    col.numbers.push_back(value);
    col.nulls.push_back(isNull ? 1 : 0);
}

void RowStore::appendText(std::size_t c, std::string_view value, bool isNull)
{
    Column& col = m_columns[c];
    col.offsets.push_back(addToArena(value));
    col.lengths.push_back(static_cast<std::uint32_t>(value.size()));
    col.nulls.push_back(isNull ? 1 : 0);
}

void RowStore::appendNumbers(std::size_t c, const std::int32_t* values, const SQLLEN* indicators, std::size_t count)
{
    Column& col = m_columns[c];
    const std::size_t at = col.numbers.size();
    col.numbers.resize(at + count);
    col.nulls.resize(at + count);
    std::int32_t* numbers = col.numbers.data() + at;
    std::uint8_t* nulls = col.nulls.data() + at;
    for (std::size_t r = 0; r < count; ++r) {
        const bool isNull = indicators[r] == SQL_NULL_DATA;
        // A NULL cell's bound value is whatever the buffer held: the store keeps 0 there.
        numbers[r] = isNull ? 0 : values[r];
        nulls[r] = isNull ? 1 : 0;
    }
}

bool RowStore::appendTexts(std::size_t c, const char* cells, SQLLEN width, const SQLLEN* indicators, std::size_t count)
{
    std::size_t bytes = 0;
    for (std::size_t r = 0; r < count; ++r) {
        const SQLLEN ind = indicators[r];
        if (ind != SQL_NULL_DATA && (ind < 0 || ind >= width)) {
            return false; // SQL_NO_TOTAL, or longer than the cell
        }
        bytes += ind == SQL_NULL_DATA ? 0 : static_cast<std::size_t>(ind);
    }
    if (m_arena.size() + bytes > std::numeric_limits<std::uint32_t>::max()) {
        throw DbError("snapshot text exceeds 4 GB");
    }
    Column& col = m_columns[c];
    const std::size_t at = col.nulls.size();
    col.offsets.resize(at + count);
    col.lengths.resize(at + count);
    col.nulls.resize(at + count);
    for (std::size_t r = 0; r < count; ++r) {
        const SQLLEN ind = indicators[r];
        const auto length = ind == SQL_NULL_DATA ? 0 : static_cast<std::size_t>(ind);
        col.offsets[at + r] = static_cast<std::uint32_t>(m_arena.size());
        col.lengths[at + r] = static_cast<std::uint32_t>(length);
        col.nulls[at + r] = ind == SQL_NULL_DATA ? 1 : 0;
        m_arena.append(cells + static_cast<std::ptrdiff_t>(r) * width, length);
    }
    return true;
}

void RowStore::setNumber(std::size_t row, std::size_t c, std::int32_t value, bool isNull)
{
    m_columns[c].numbers[row] = value;
    m_columns[c].nulls[row] = isNull ? 1 : 0;
}

void RowStore::setText(std::size_t row, std::size_t c, std::string_view value, bool isNull)
{
    // The old bytes stay in the arena until the snapshot is closed: edits are few.
    m_columns[c].offsets[row] = addToArena(value);
    m_columns[c].lengths[row] = static_cast<std::uint32_t>(value.size());
    m_columns[c].nulls[row] = isNull ? 1 : 0;
}

void fetchSnapshot(CXDatabase& db, const std::string& sql, const std::vector<CFieldExchange::Column>& columns,
                   RowStore& store, const std::vector<std::int32_t>& params)
{
    if (fetchBulk(db, sql, columns, store, params)) {
        return;
    }
    store.reset(columns);
    fetchByValue(db, sql, columns, store, params);
}

void RowStore::appendRows(const RowStore& from, std::size_t columns)
{
    const std::size_t count = from.rowCount();
    for (std::size_t c = 0; c < columns; ++c) {
        const Column& src = from.m_columns[c];
        Column& col = m_columns[c];
        col.nulls.insert(col.nulls.end(), src.nulls.begin(), src.nulls.end());
        if (!col.isText) {
            col.numbers.insert(col.numbers.end(), src.numbers.begin(), src.numbers.end());
            continue;
        }
        for (std::size_t r = 0; r < count; ++r) {
            const std::string_view value = from.text(r, c);
            col.offsets.push_back(addToArena(value));
            col.lengths.push_back(static_cast<std::uint32_t>(value.size()));
        }
    }
    endRows(count);
}

} // namespace qar
