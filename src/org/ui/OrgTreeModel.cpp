#include "org/ui/OrgTreeModel.h"

#include "app/ui/UiText.h"

#include <algorithm>

namespace qar::ui
{

OrgTreeModel::OrgTreeModel(const OrgTree& tree, QList<QIcon> images, QObject* parent)
    : QAbstractItemModel(parent), m_tree(tree)
{
    // The selected node keeps its image as it is: the style's tint for selected icons would sink it into
    // the highlight.
    for (const QIcon& image : images) {
        QIcon kept;
        QList<QSize> sizes = image.availableSizes();
        if (sizes.isEmpty()) {
            sizes << QSize(16, 16);
        }
        for (const QSize& size : sizes) {
            const QPixmap pixmap = image.pixmap(size);
            kept.addPixmap(pixmap, QIcon::Normal);
            kept.addPixmap(pixmap, QIcon::Selected);
        }
        m_images << kept;
    }
    rebuild();
}

bool OrgTreeModel::sync()
{
    if (m_tree.revision() == m_revision) {
        return false;
    }
    if (m_tree.shapeRevision() == m_shape && m_tree.idLimit() >= m_limit) {
        insertAdded();
        return false;
    }
    beginResetModel();
    rebuild();
    endResetModel();
    return true;
}

void OrgTreeModel::insertAdded()
{
    m_revision = m_tree.revision();
    const OrgTree::NodeId from = m_limit;
    m_limit = m_tree.idLimit();
    const auto size = static_cast<std::size_t>(m_limit);
    m_first.resize(size, 0);
    m_count.resize(size, 0);
    m_base.resize(size, 0);
    m_row.resize(size, -1);
    m_parent.resize(size, OrgTree::kNone);
    // The new nodes by parent, parents in the order of their first new child: a new parent's own row is
    // inserted before its children's.
    std::unordered_map<OrgTree::NodeId, std::size_t> group;
    std::vector<std::pair<OrgTree::NodeId, std::vector<OrgTree::NodeId>>> groups;
    for (OrgTree::NodeId n = from; n < m_limit; ++n) {
        if (!m_tree.isValid(n)) {
            continue;
        }
        const OrgTree::NodeId p = m_tree.parent(n);
        const auto [it, added] = group.try_emplace(p, groups.size());
        if (added) {
            groups.emplace_back(p, std::vector<OrgTree::NodeId>{});
        }
        groups[it->second].second.push_back(n);
    }
    for (auto& [p, children] : groups) {
        const auto pi = static_cast<std::size_t>(p);
        const auto first = static_cast<int>(m_count[pi]);
        beginInsertRows(indexOf(p), first, first + static_cast<int>(children.size()) - 1);
        std::vector<OrgTree::NodeId>& added = m_added[p];
        for (OrgTree::NodeId c : children) {
            m_row[static_cast<std::size_t>(c)] = static_cast<std::int32_t>(m_count[pi]++);
            m_parent[static_cast<std::size_t>(c)] = p;
            added.push_back(c);
        }
        endInsertRows();
    }
}

void OrgTreeModel::rebuild()
{
    m_revision = m_tree.revision();
    m_shape = m_tree.shapeRevision();
    m_limit = m_tree.idLimit();
    m_added.clear();
    // Node ids never exceed the array: walk from the root and size the tables by the highest id seen.
    std::vector<OrgTree::NodeId> order;
    order.reserve(m_tree.size() + 1);
    OrgTree::NodeId highest = OrgTree::kRoot;
    for (OrgTree::NodeId n = m_tree.firstChild(OrgTree::kRoot); n != OrgTree::kNone;
         n = m_tree.nextInSubtree(n, OrgTree::kRoot)) {
        order.push_back(n);
        highest = std::max(highest, n);
    }
    const auto size = static_cast<std::size_t>(highest) + 1;
    m_first.assign(size, 0);
    m_count.assign(size, 0);
    m_row.assign(size, -1);
    m_parent.assign(size, OrgTree::kNone);
    for (OrgTree::NodeId n : order) {
        const auto p = static_cast<std::size_t>(m_tree.parent(n));
        m_parent[static_cast<std::size_t>(n)] = m_tree.parent(n);
        m_row[static_cast<std::size_t>(n)] = static_cast<std::int32_t>(m_count[p]++);
    }
    std::uint32_t next = 0;
    for (std::size_t i = 0; i < size; ++i) {
        m_first[i] = next;
        next += m_count[i];
    }
    m_base = m_count;
    m_children.assign(next, OrgTree::kNone);
    for (OrgTree::NodeId n : order) {
        const auto p = static_cast<std::size_t>(m_tree.parent(n));
        m_children[m_first[p] + static_cast<std::uint32_t>(m_row[static_cast<std::size_t>(n)])] = n;
    }
}

OrgTree::NodeId OrgTreeModel::nodeOf(const QModelIndex& index) const
{
    return index.isValid() ? static_cast<OrgTree::NodeId>(index.internalId()) : OrgTree::kRoot;
}

QModelIndex OrgTreeModel::indexOf(OrgTree::NodeId node) const
{
    if (node <= OrgTree::kRoot || static_cast<std::size_t>(node) >= m_row.size() ||
        m_row[static_cast<std::size_t>(node)] < 0) {
        return {};
    }
    return createIndex(m_row[static_cast<std::size_t>(node)], 0, static_cast<quintptr>(node));
}

QModelIndex OrgTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    const auto p = static_cast<std::size_t>(nodeOf(parent));
    if (column != 0 || row < 0 || p >= m_count.size() || static_cast<std::uint32_t>(row) >= m_count[p]) {
        return {};
    }
    const auto r = static_cast<std::uint32_t>(row);
    const OrgTree::NodeId n =
        r < m_base[p] ? m_children[m_first[p] + r] : m_added.at(static_cast<OrgTree::NodeId>(p))[r - m_base[p]];
    return createIndex(row, 0, static_cast<quintptr>(n));
}

QModelIndex OrgTreeModel::parent(const QModelIndex& child) const
{
    if (!child.isValid()) {
        return {};
    }
    const auto n = static_cast<std::size_t>(nodeOf(child));
    return n < m_parent.size() ? indexOf(m_parent[n]) : QModelIndex();
}

int OrgTreeModel::rowCount(const QModelIndex& parent) const
{
    if (parent.column() > 0) {
        return 0;
    }
    const auto p = static_cast<std::size_t>(nodeOf(parent));
    return p < m_count.size() ? static_cast<int>(m_count[p]) : 0;
}

int OrgTreeModel::columnCount(const QModelIndex& /*parent*/) const
{
    return 1;
}

bool OrgTreeModel::hasChildren(const QModelIndex& parent) const
{
    return rowCount(parent) > 0;
}

QVariant OrgTreeModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid()) {
        return {};
    }
    const OrgTree::NodeId n = nodeOf(index);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return fromAnsi(m_tree.text(n));
    case Qt::DecorationRole:
        return m_images.value(m_tree.image(n));
    default:
        return {};
    }
}

} // namespace qar::ui
