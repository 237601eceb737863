#include "db/ChunkedTableRead.h"

#include "db/CXDatabase.h"
#include "db/OdbcError.h"
#include "db/OdbcStatement.h"

#include <algorithm>
#include <chrono>
#include <iterator>
#include <limits>

namespace qar
{

namespace
{

constexpr std::size_t kWaitingChunks = 2;
// Values of the early column per statement: far below the markers either engine allows in one statement,
// and few enough statements for the early rows of a large group.
constexpr std::size_t kValuesPerStatement = 4'000;

// The key that orders a table as its plain SELECT returns it.
std::string rowKey(const CXDatabase& db)
{
    switch (db.engine()) {
    case DbEngine::Sqlite:
        return "rowid";
    case DbEngine::MariaDb:
        return "qar_row_id";
    default:
        return {};
    }
}

std::string selectList(const std::vector<CFieldExchange::Column>& columns)
{
    std::string list;
    for (const CFieldExchange::Column& c : columns) {
        list += (list.empty() ? "" : ", ") + c.name;
    }
    return list;
}

std::vector<CFieldExchange::Column> withoutOptional(const std::vector<CFieldExchange::Column>& columns)
{
    std::vector<CFieldExchange::Column> required;
    std::copy_if(columns.begin(), columns.end(), std::back_inserter(required),
                 [](const CFieldExchange::Column& c) { return !c.optional; });
    return required;
}

// Whether the statement runs: a missing column or key fails it, with nothing fetched.
bool selects(CXDatabase& db, const std::string& sql, const std::vector<CFieldExchange::Column>& columns)
{
    try {
        RowStore none(columns);
        fetchSnapshot(db, db.quoteBrackets(sql), columns, none);
        return true;
    } catch (const OdbcError&) {
        return false;
    }
}

} // namespace

ChunkedTableRead::ChunkedTableRead(ChunkedReadPlan plan, std::function<void()> ready)
    : m_plan(std::move(plan)), m_ready(std::move(ready)), m_thread([this] { run(); })
{}

ChunkedTableRead::~ChunkedTableRead()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

std::optional<RowChunk> ChunkedTableRead::take(int waitMs)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait_for(lock, std::chrono::milliseconds(waitMs), [this] { return !m_chunks.empty() || m_ended; });
    if (m_chunks.empty()) {
        return std::nullopt;
    }
    RowChunk chunk = std::move(m_chunks.front());
    m_chunks.pop_front();
    lock.unlock();
    m_changed.notify_all();
    return chunk;
}

bool ChunkedTableRead::done() const
{
    std::lock_guard lock(m_mutex);
    return m_ended && m_chunks.empty();
}

std::string ChunkedTableRead::failure() const
{
    std::lock_guard lock(m_mutex);
    return m_failure;
}

bool ChunkedTableRead::push(RowChunk chunk)
{
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_stop || m_chunks.size() < kWaitingChunks; });
        if (m_stop) {
            return false;
        }
        m_chunks.push_back(std::move(chunk));
    }
    m_changed.notify_all();
    if (m_ready) {
        m_ready();
    }
    return true;
}

void ChunkedTableRead::run()
{
    std::string failure;
    try {
        CXDatabase db;
        db.Open(m_plan.connect);
        // One view of the table from the first chunk to the last, whatever other connections write
        // meanwhile: a row changed between two chunks is neither missed nor read twice.
        db.beginTransaction();
        read(db);
        db.rollback();
    } catch (const std::exception& e) {
        failure = e.what();
        if (failure.empty()) {
            failure = "the read of " + m_plan.table + " failed";
        }
    }
    {
        std::lock_guard lock(m_mutex);
        m_failure = std::move(failure);
        m_ended = true;
    }
    m_changed.notify_all();
    if (m_ready) {
        m_ready();
    }
}

void ChunkedTableRead::read(CXDatabase& db)
{
    const std::string from = " FROM " + m_plan.table;
    {
        OdbcStatement count(db);
        count.execute(db.quoteBrackets("SELECT COUNT(*)" + from));
        if (count.fetch()) {
            m_total = static_cast<std::size_t>(std::max(0, count.getInt(1).value_or(0)));
        }
    }
    // The weight column may be missing from the table: the record goes on without it, as its Open does.
    std::vector<CFieldExchange::Column> columns = m_plan.columns;
    const std::string key = rowKey(db);
    const auto keyed = [&](const std::vector<CFieldExchange::Column>& cols) {
        std::vector<CFieldExchange::Column> read = cols;
        read.push_back({key, FieldType::Int32, nullptr, false});
        return read;
    };
    bool byKey =
        !key.empty() && selects(db, "SELECT " + selectList(keyed(columns)) + from + " WHERE 1 = 0", keyed(columns));
    if (!byKey && !key.empty() && withoutOptional(columns).size() != columns.size()) {
        columns = withoutOptional(columns);
        byKey = selects(db, "SELECT " + selectList(keyed(columns)) + from + " WHERE 1 = 0", keyed(columns));
    }
    if (!byKey) {
        // No row key to go by (a MariaDB table from before the surrogate key): the table in one chunk.
        columns = m_plan.columns;
        if (!selects(db, "SELECT " + selectList(columns) + from + " WHERE 1 = 0", columns)) {
            columns = withoutOptional(columns);
        }
        RowChunk chunk{columns, RowStore(columns), false};
        fetchSnapshot(db, db.quoteBrackets("SELECT " + selectList(columns) + from), columns, chunk.rows);
        push(std::move(chunk));
        return;
    }
    const std::string select = "SELECT " + selectList(keyed(columns)) + from + " WHERE " + key + " > ?";
    if (m_total > m_plan.earlyPassAbove && !m_plan.earlyValues.empty()) {
        const std::vector<std::int32_t>& values = m_plan.earlyValues;
        for (std::size_t first = 0; first < values.size(); first += kValuesPerStatement) {
            const auto last =
                values.begin() + static_cast<std::ptrdiff_t>(std::min(first + kValuesPerStatement, values.size()));
            if (!readByKey(db, columns, select, {values.begin() + static_cast<std::ptrdiff_t>(first), last}, true)) {
                return;
            }
        }
    }
    readByKey(db, columns, select, {}, false);
}

bool ChunkedTableRead::readByKey(CXDatabase& db, const std::vector<CFieldExchange::Column>& columns,
                                 const std::string& select, const std::vector<std::int32_t>& values, bool early)
{
    std::vector<CFieldExchange::Column> read = columns;
    read.push_back({rowKey(db), FieldType::Int32, nullptr, false});
    std::string sql = select;
    if (!values.empty()) {
        sql += " AND " + m_plan.columns[m_plan.earlyColumn].name + " IN (?";
        for (std::size_t i = 1; i < values.size(); ++i) {
            sql += ", ?";
        }
        sql += ")";
    }
    sql = db.quoteBrackets(sql + " ORDER BY " + rowKey(db) + " LIMIT " + std::to_string(m_plan.chunkRows));
    std::vector<std::int32_t> params(values.size() + 1);
    params[0] = std::numeric_limits<std::int32_t>::min();
    std::copy(values.begin(), values.end(), params.begin() + 1);
    for (;;) {
        RowChunk chunk{columns, RowStore(read), early};
        fetchSnapshot(db, sql, read, chunk.rows, params);
        const std::size_t rows = chunk.rows.rowCount();
        if (rows == 0) {
            return true;
        }
        const std::int32_t lastKey = chunk.rows.number(rows - 1, read.size() - 1);
        if (lastKey <= params[0]) {
            throw DbError("row keys of " + m_plan.table + " beyond the range of a chunked read");
        }
        params[0] = lastKey;
        if (!push(std::move(chunk))) {
            return false;
        }
        if (rows < m_plan.chunkRows) {
            return true;
        }
    }
}

} // namespace qar
