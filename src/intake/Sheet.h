#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qar
{

/// Why a row of a sheet cannot be read as text; the row is reported and never imported.
enum class RowIssue : std::uint8_t
{
    None,
    BadEncoding,   ///< bytes that are not text of the file's encoding (a line of another encoding)
    ByteOrderMark, ///< a byte order mark inside the file, where two files were joined
    TooManyCells,  ///< more non-empty cells than the header names
};

/// One row as read: the line (CSV) or row number (XLSX) it starts on, and its cells.
struct SheetRow
{
    std::uint32_t line = 0;
    std::uint32_t firstCell = 0;
    std::uint32_t cellCount = 0;
    RowIssue issue = RowIssue::None;
};

/// The cells of one sheet, in one text arena so a hundred thousand rows cost a few allocations. Row 0 is
/// the header row when the sheet has one. Texts are bytes in the system's code page once decoded.
class Sheet
{
public:
    std::string name;

    void beginRow(std::uint32_t line);
    void addCell(std::string_view text);
    /// Puts a cell at column `column` of the current row, filling the columns before it with empty cells.
    void setCell(std::uint32_t column, std::string_view text);
    void dropLastRow();

    std::size_t rowCount() const { return m_rows.size(); }
    const SheetRow& row(std::size_t r) const { return m_rows[r]; }
    SheetRow& row(std::size_t r) { return m_rows[r]; }
    /// The cell text; empty beyond the row's cells.
    std::string_view cell(std::size_t r, std::size_t column) const;
    /// Replaces a cell's text (the arena grows; the old text stays unused).
    void replaceCell(std::size_t r, std::size_t column, std::string_view text);
    /// True when every cell of the row is empty.
    bool rowIsEmpty(std::size_t r) const;
    std::size_t arenaBytes() const { return m_arena.size(); }

private:
    struct Span
    {
        std::uint32_t offset;
        std::uint32_t length;
    };
    std::string m_arena;
    std::vector<Span> m_cells;
    std::vector<SheetRow> m_rows;
};

} // namespace qar
