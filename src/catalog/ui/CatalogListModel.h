#pragma once

#include <QAbstractTableModel>
#include <QStringList>

#include <functional>
#include <string>

namespace qar::ui
{

/// A catalogue list as the view sees it: the rows stay in the core catalogue, and a cell's text is asked
/// for only when it is painted, so tens of thousands of entries show at once.
class CatalogListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    using RowCount = std::function<std::size_t()>;
    /// The text of a cell, bytes in the ANSI code page.
    using CellText = std::function<std::string(std::size_t row, int column)>;

    CatalogListModel(QStringList headers, RowCount rows, CellText cell, QObject* parent = nullptr);

    /// Takes the catalogue's rows again after it changed.
    void reload();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QStringList m_headers;
    RowCount m_rowCount;
    CellText m_cell;
    int m_rows = 0;
};

} // namespace qar::ui
