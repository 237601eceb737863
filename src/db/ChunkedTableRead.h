#pragma once

#include "db/CXRecordset.h"
#include "db/RowStore.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace qar
{

class CXDatabase;

/// Rows of a table read in one go of a chunked read.
struct RowChunk
{
    std::vector<CFieldExchange::Column> columns; ///< as selected: without the weight column when it is missing
    RowStore rows;                               ///< those columns, then the table's row key
    bool early = false;                          ///< read in the early pass (see ChunkedReadPlan)
};

/// What a chunked read reads: every row of `table`, and before them, when the table is large, the rows
/// whose `earlyColumn` holds one of `earlyValues` (the rows an administrator sees first).
struct ChunkedReadPlan
{
    std::string connect; ///< the reader's own connection: ODBC handles are not shared across threads
    std::string table;   ///< as the record object names it ("[BaseTable]")
    std::vector<CFieldExchange::Column> columns;
    std::size_t earlyColumn = 0;
    std::vector<std::int32_t> earlyValues;
    std::size_t earlyPassAbove = 0; ///< the early pass runs only for a table of more rows than this
    std::size_t chunkRows = 20'000;
};

/// Reads a table in chunks of bounded size on a thread and a connection of its own, one consistent view
/// of the table from the first chunk to the last (one read transaction): rows are read in table order by
/// the row key (SQLite's rowid, the surrogate key on MariaDB), so that the driver never holds more than a
/// chunk and the caller can show what came while the rest is read. A table without a usable key is read
/// in one chunk. At most two chunks wait to be taken; the reader waits for the caller beyond that.
class ChunkedTableRead
{
public:
    /// Starts reading; `ready` is called on the reader's thread whenever a chunk or the end is there.
    explicit ChunkedTableRead(ChunkedReadPlan plan, std::function<void()> ready = {});
    /// Stops the reader and waits for its thread.
    ~ChunkedTableRead();
    ChunkedTableRead(const ChunkedTableRead&) = delete;
    ChunkedTableRead& operator=(const ChunkedTableRead&) = delete;

    /// The next chunk, waiting up to `waitMs` for one; nullopt when none came meanwhile or all were taken.
    std::optional<RowChunk> take(int waitMs = 0);
    /// Every chunk taken and the reader ended, having read all or failed.
    bool done() const;
    /// Why the read failed; empty while it goes well.
    std::string failure() const;
    /// How many rows the table held as the read began; 0 until known.
    std::size_t total() const { return m_total.load(); }

private:
    void run();
    void read(CXDatabase& db);
    /// False when the caller stopped the read.
    bool push(RowChunk chunk);
    /// Reads the rows after the last key chunk by chunk, those whose early column holds one of `values`
    /// when any are given; false when stopped.
    bool readByKey(CXDatabase& db, const std::vector<CFieldExchange::Column>& columns, const std::string& select,
                   const std::vector<std::int32_t>& values, bool early);
    ChunkedReadPlan m_plan;
    std::function<void()> m_ready;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<RowChunk> m_chunks;
    bool m_ended = false;
    bool m_stop = false;
    std::string m_failure;
    std::atomic<std::size_t> m_total{0};
    std::thread m_thread;
};

} // namespace qar
