#pragma once

#include "db/CXRecordset.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qar
{

/// The rows of a snapshot, column by column: numbers in one array per column, text in one shared arena
/// addressed by offset and length, a NULL flag per cell. Fetching 100,000 rows allocates a few growing
/// arrays rather than one string per cell.
class RowStore
{
public:
    explicit RowStore(const std::vector<CFieldExchange::Column>& columns);

    /// Empties the store for a read of `columns`, keeping the room its arrays have grown to: a table read
    /// again fills the same memory rather than memory the system has to hand out (and clear) anew.
    void reset(const std::vector<CFieldExchange::Column>& columns);
    /// Empties the store, keeping its columns and its room.
    void clear() noexcept;

    std::size_t rowCount() const { return m_deleted.size(); }
    std::size_t columnCount() const { return m_columns.size(); }
    void reserve(std::size_t rows);
    void reserveText(std::size_t bytes) { m_arena.reserve(bytes); }
    std::size_t textBytes() const { return m_arena.size(); }

    /// Appends one cell to column `c` of the row being built; endRow closes the row.
    void appendNumber(std::size_t c, std::int32_t value, bool isNull);
    void appendText(std::size_t c, std::string_view value, bool isNull);
    void endRow() { m_deleted.push_back(0); }

    // A block of `count` rows as a bulk fetch binds it, appended column by column; endRows closes them.
    /// Number column `c` from its bound values and indicators.
    void appendNumbers(std::size_t c, const std::int32_t* values, const SQLLEN* indicators, std::size_t count);
    /// Text column `c` from its bound cells of `width` bytes each. False, with the column left part
    /// way, when a value did not fit its cell.
    bool appendTexts(std::size_t c, const char* cells, SQLLEN width, const SQLLEN* indicators, std::size_t count);
    void endRows(std::size_t count) { m_deleted.resize(m_deleted.size() + count, 0); }
    /// Appends every row of `from`, whose first `columns` columns are laid out as this store's.
    void appendRows(const RowStore& from, std::size_t columns);

    bool isNull(std::size_t row, std::size_t c) const { return m_columns[c].nulls[row] != 0; }
    std::int32_t number(std::size_t row, std::size_t c) const { return m_columns[c].numbers[row]; }
    std::string_view text(std::size_t row, std::size_t c) const
    {
        const Column& col = m_columns[c];
        return std::string_view(m_arena).substr(col.offsets[row], col.lengths[row]);
    }

    void setNumber(std::size_t row, std::size_t c, std::int32_t value, bool isNull);
    void setText(std::size_t row, std::size_t c, std::string_view value, bool isNull);

    bool isDeleted(std::size_t row) const { return m_deleted[row] != 0; }
    void markDeleted(std::size_t row) { m_deleted[row] = 1; }
    std::size_t deletedCount() const { return m_deletedCount; }
    void countDeleted() { ++m_deletedCount; }

private:
    struct Column
    {
        bool isText = false;
        std::vector<std::int32_t> numbers;
        std::vector<std::uint32_t> offsets;
        std::vector<std::uint32_t> lengths;
        std::vector<std::uint8_t> nulls;
    };

    std::uint32_t addToArena(std::string_view value);

    std::vector<Column> m_columns;
    std::string m_arena;
    std::vector<std::uint8_t> m_deleted;
    std::size_t m_deletedCount = 0;
};

/// Runs `SELECT` for the columns and fills `store` with every row: a bulk fetch of blocks of rows bound
/// column-wise, or value by value when a text is longer than the bound buffer. `params` are bound to the
/// statement's markers in order. Throws OdbcError.
void fetchSnapshot(CXDatabase& db, const std::string& sql, const std::vector<CFieldExchange::Column>& columns,
                   RowStore& store, const std::vector<std::int32_t>& params = {});

} // namespace qar
