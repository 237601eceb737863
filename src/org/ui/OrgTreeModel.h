#pragma once

#include "org/OrgTree.h"

#include <QAbstractItemModel>
#include <QIcon>
#include <QList>

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace qar::ui
{

/// The units-and-users tree for a Qt view, read straight from the core's node array: an index carries
/// its node id, and the child rows of every node are kept in one flat table rebuilt when the tree's
/// revision moves. Texts are turned into display text only for the rows the view draws, so a tree of a
/// hundred thousand users costs one pass over the array. Nodes only added since (users read in chunks)
/// are inserted as rows after their siblings instead, without the pass over a million nodes.
class OrgTreeModel : public QAbstractItemModel
{
    Q_OBJECT

public:
    OrgTreeModel(const OrgTree& tree, QList<QIcon> images, QObject* parent = nullptr);

    /// Re-reads the tree when it changed since the last call; true when the model was reset (false when
    /// nothing changed or new nodes were inserted as rows).
    bool sync();

    QModelIndex indexOf(OrgTree::NodeId node) const;
    OrgTree::NodeId nodeOf(const QModelIndex& index) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    void rebuild();
    void insertAdded();

    const OrgTree& m_tree;
    QList<QIcon> m_images;
    std::uint64_t m_revision = ~std::uint64_t{0};
    // Children of node n are m_children[m_first[n] .. m_first[n] + m_count[n]); m_row[n] is n's row.
    std::vector<OrgTree::NodeId> m_children;
    std::vector<std::uint32_t> m_first;
    std::vector<std::uint32_t> m_count;
    std::vector<std::int32_t> m_row;
    std::vector<OrgTree::NodeId> m_parent; ///< as read, so the view never sees a half-changed tree
    // Rows inserted since the flat table was made: node n's rows from m_base[n] on are m_added[n].
    std::vector<std::uint32_t> m_base;
    std::unordered_map<OrgTree::NodeId, std::vector<OrgTree::NodeId>> m_added;
    std::uint64_t m_shape = ~std::uint64_t{0};
    OrgTree::NodeId m_limit = 0; ///< node ids below it have been read
};

} // namespace qar::ui
