#pragma once

#include "db/OdbcHandle.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qar
{

class CXDatabase;

/// A prepared INSERT whose rows are gathered in a parameter array and sent a batch at a time, so a
/// hundred thousand rows cost a few hundred driver round trips instead of one per row. Each execution
/// carries several rows in one multi-row VALUES list: the SQLite driver prepares its statement again for
/// every parameter set, and parsing the table's column list for every row cost more than storing it.
class BatchInsert
{
public:
    enum class Type
    {
        Int,
        Text,
    };
    struct Column
    {
        std::string name; ///< bare, or bracketed as a column map names it
        Type type;
    };

    /// Prepares "INSERT INTO [table] ([c1], ...) VALUES (?, ...), (?, ...) ..." with the driver's identifier
    /// quote. A table or column name already in brackets is taken as it is.
    BatchInsert(CXDatabase& db, const std::string& table, std::vector<Column> columns, std::size_t batchRows = 2000);
    BatchInsert(const BatchInsert&) = delete;
    BatchInsert& operator=(const BatchInsert&) = delete;

    /// Values of the next row, in column order: call exactly once per column, then endRow().
    void add(std::int32_t value);
    void add(std::string_view text);
    void endRow();
    /// Sends the rows gathered so far, in the order they were added; throws OdbcError when the driver
    /// refuses them.
    void flush();

    std::size_t rowsWritten() const { return m_written; }

private:
    /// Where a column's value and its length indicator lie within a row.
    struct Slot
    {
        Type type;
        std::size_t value;
        std::size_t indicator;
    };

    unsigned char* row(std::size_t index);
    const Slot& next(Type type);
    /// Binds statement `stmt`, whose VALUES list holds `tuples` rows, to the rows from `first` on.
    void bind(SQLHSTMT stmt, std::size_t tuples, std::size_t first);
    void execute(SQLHSTMT stmt, std::size_t sets);

    CXDatabase& m_db;
    std::vector<Column> m_columns;
    std::vector<Slot> m_slots;
    std::size_t m_rowBytes = 0;
    std::size_t m_tuples = 1; ///< rows per execution of the many-row statement
    std::size_t m_batch = 0;  ///< rows gathered before they are sent, a multiple of m_tuples
    std::vector<SQLLEN> m_rows;
    std::size_t m_count = 0;
    std::size_t m_column = 0;
    std::size_t m_written = 0;
    SQLULEN m_processed = 0;
    std::vector<SQLUSMALLINT> m_status; ///< per parameter set: a driver may fail one set and go on
    StmtHandle m_many;                  ///< m_tuples rows per parameter set
    StmtHandle m_one;                   ///< one row per parameter set, for the rows a batch has left over
};

} // namespace qar
