#pragma once

#include "GuiTestSupport.h"

#include <QTreeView>

#include <string>

namespace qar::test
{

/// An icon file of exactly `size` bytes (at least 62): one 32 x 32 bitmap image filling the rest.
inline std::string iconBytes(std::size_t size)
{
    std::string b(size, '\x7f');
    const auto put = [&b](std::size_t at, std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i) {
            b[at + static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i));
        }
    };
    put(0, 0, 2), put(2, 1, 2), put(4, 1, 2), put(6, 32, 1), put(7, 32, 1), put(8, 0, 2), put(10, 1, 2);
    put(12, 32, 2), put(14, static_cast<std::uint32_t>(size - 22), 4), put(18, 22, 4);
    put(22, 40, 4), put(26, 32, 4), put(30, 64, 4), put(34, 1, 2), put(36, 32, 2);
    b.replace(38, 24, 24, '\0'); // the rest of the bitmap header
    return b;
}

/// The list's rows, the first `columns` cells of each joined by '|'.
inline QStringList listedRows(const QAbstractItemView& view, int columns)
{
    QStringList rows;
    const QAbstractItemModel* model = view.model();
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < columns; ++c) {
            cells << model->index(r, c).data().toString();
        }
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

} // namespace qar::test
