#pragma once

#include "db/OdbcHandle.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qar
{

class CXDatabase;

/// A prepared INSERT whose rows are gathered in column-wise parameter arrays and sent a batch at a
/// time, so a hundred thousand rows cost a few hundred driver round trips instead of one per row.
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

    /// Prepares "INSERT INTO [table] ([c1], ...) VALUES (?, ...)" with the driver's identifier quote. A
    /// table or column name already in brackets is taken as it is.
    BatchInsert(CXDatabase& db, const std::string& table, std::vector<Column> columns, std::size_t batchRows = 2000);
    BatchInsert(const BatchInsert&) = delete;
    BatchInsert& operator=(const BatchInsert&) = delete;

    /// Values of the next row, in column order: call exactly once per column, then endRow().
    void add(std::int32_t value);
    void add(std::string_view text);
    void endRow();
    /// Sends the rows gathered so far; throws OdbcError when the driver refuses them.
    void flush();

    std::size_t rowsWritten() const { return m_written; }

private:
    struct Buffer
    {
        Type type;
        std::vector<std::int32_t> ints;
        std::vector<char> text;
        std::vector<SQLLEN> lengths;
    };

    Buffer& next(Type type);
    void bind();

    std::vector<Column> m_columns;
    std::vector<Buffer> m_buffers;
    std::size_t m_batch;
    std::size_t m_rows = 0;
    std::size_t m_column = 0;
    std::size_t m_written = 0;
    SQLULEN m_processed = 0;
    StmtHandle m_stmt;
};

} // namespace qar
