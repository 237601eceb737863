#include "intake/Sheet.h"

#include <stdexcept>

namespace qar
{

void Sheet::beginRow(std::uint32_t line)
{
    m_rows.push_back(SheetRow{line, static_cast<std::uint32_t>(m_cells.size()), 0, RowIssue::None});
}

void Sheet::addCell(std::string_view text)
{
    if (m_arena.size() + text.size() > UINT32_MAX) {
        throw std::length_error("sheet text beyond 4 GiB");
    }
    m_cells.push_back(Span{static_cast<std::uint32_t>(m_arena.size()), static_cast<std::uint32_t>(text.size())});
    m_arena.append(text);
    ++m_rows.back().cellCount;
}

void Sheet::setCell(std::uint32_t column, std::string_view text)
{
    while (m_rows.back().cellCount < column) {
        addCell({});
    }
    if (m_rows.back().cellCount == column) {
        addCell(text);
    } else {
        replaceCell(m_rows.size() - 1, column, text);
    }
}

void Sheet::dropLastRow()
{
    m_cells.resize(m_rows.back().firstCell);
    m_rows.pop_back();
}

std::string_view Sheet::cell(std::size_t r, std::size_t column) const
{
    const SheetRow& row = m_rows[r];
    if (column >= row.cellCount) {
        return {};
    }
    const Span& s = m_cells[row.firstCell + column];
    return std::string_view(m_arena).substr(s.offset, s.length);
}

void Sheet::replaceCell(std::size_t r, std::size_t column, std::string_view text)
{
    const SheetRow& row = m_rows[r];
    if (column >= row.cellCount) {
        return;
    }
    if (m_arena.size() + text.size() > UINT32_MAX) {
        throw std::length_error("sheet text beyond 4 GiB");
    }
    m_cells[row.firstCell + column] =
        Span{static_cast<std::uint32_t>(m_arena.size()), static_cast<std::uint32_t>(text.size())};
    m_arena.append(text);
}

bool Sheet::rowIsEmpty(std::size_t r) const
{
    const SheetRow& row = m_rows[r];
    for (std::uint32_t c = 0; c < row.cellCount; ++c) {
        if (m_cells[row.firstCell + c].length != 0) {
            return false;
        }
    }
    return true;
}

} // namespace qar
