#include "catalog/ui/CatalogListModel.h"

#include "app/ui/UiText.h"

#include <climits>

namespace qar::ui
{

CatalogListModel::CatalogListModel(QStringList headers, RowCount rows, CellText cell, QObject* parent)
    : QAbstractTableModel(parent), m_headers(std::move(headers)), m_rowCount(std::move(rows)), m_cell(std::move(cell))
{
    reload();
}

void CatalogListModel::reload()
{
    beginResetModel();
    m_rows = static_cast<int>(std::min<std::size_t>(m_rowCount(), INT_MAX));
    endResetModel();
}

int CatalogListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int CatalogListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_headers.size());
}

QVariant CatalogListModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_rows) {
        return {};
    }
    return fromAnsi(m_cell(static_cast<std::size_t>(index.row()), index.column()));
}

QVariant CatalogListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 || section >= m_headers.size()) {
        return {};
    }
    return m_headers.at(section);
}

} // namespace qar::ui
