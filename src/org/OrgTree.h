#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qar
{

/// Kind of a node of the units-and-users tree, told by the prefix of its text as the page has always
/// done ("Group:", "Unit:", "User:").
enum class NodeKind : std::uint8_t
{
    Other,
    Group,
    Unit,
    User,
};

/// Images of the tree nodes in the main window's shared image list.
inline constexpr int kImageUnit = 0;
inline constexpr int kImageUser = 1;
inline constexpr int kImageGroup = 3;
inline constexpr int kImageAdminUser = 4;

/// The units-and-users tree as plain data: nodes in one flat array (index = node id, 0 = the invisible
/// root), linked to their parent and siblings, texts in one shared buffer. Ids stay valid until the next
/// clear; removed nodes stay in the array, marked dead.
class OrgTree
{
public:
    using NodeId = std::int32_t;
    static constexpr NodeId kRoot = 0;
    static constexpr NodeId kNone = -1;

    OrgTree();

    /// Deletes every node but the root.
    void clear();
    /// Room for this many more nodes and bytes of text.
    void reserve(std::size_t nodes, std::size_t textBytes);

    /// Inserts a node as the last child of `parent`.
    NodeId insertLast(NodeId parent, std::string_view text, std::int32_t itemData, int image);
    /// Removes a node with its whole subtree.
    void remove(NodeId node);
    void setText(NodeId node, std::string_view text);
    void setItemData(NodeId node, std::int32_t itemData)
    {
        m_nodes[idx(node)].itemData = itemData;
        ++m_shapeRevision;
    }
    void setExpanded(NodeId node, bool expanded) { m_nodes[idx(node)].expanded = expanded; }

    bool isValid(NodeId node) const;
    std::string_view text(NodeId node) const;
    NodeKind kind(NodeId node) const;
    std::int32_t itemData(NodeId node) const { return m_nodes[idx(node)].itemData; }
    int image(NodeId node) const { return m_nodes[idx(node)].image; }
    bool isExpanded(NodeId node) const { return m_nodes[idx(node)].expanded; }
    NodeId parent(NodeId node) const { return m_nodes[idx(node)].parent; }
    NodeId firstChild(NodeId node) const { return m_nodes[idx(node)].firstChild; }
    NodeId nextSibling(NodeId node) const { return m_nodes[idx(node)].next; }
    NodeId previousSibling(NodeId node) const { return m_nodes[idx(node)].prev; }
    bool hasChildren(NodeId node) const { return firstChild(node) != kNone; }
    /// The next node of the subtree of `top` in depth-first order (a child, then its descendants, then the
    /// next child), kNone after the last.
    NodeId nextInSubtree(NodeId node, NodeId top) const;

    /// Live nodes besides the root.
    std::size_t size() const { return m_live; }
    /// One above the highest node id given out since the last clear (removed nodes included): the ids
    /// from 1 below it, taken in turn, read the nodes in the order they are stored.
    NodeId idLimit() const { return static_cast<NodeId>(m_nodes.size()); }
    /// Grows with every change, so a view can tell whether it must refresh.
    std::uint64_t revision() const { return m_revision; }
    /// Grows with every change but an insert (clear, remove, new text or item data): while it stays, the
    /// nodes a view knows are as they were and new ones are the ids from the last idLimit() on.
    std::uint64_t shapeRevision() const { return m_shapeRevision; }

private:
    struct Node
    {
        NodeId parent;
        NodeId firstChild;
        NodeId lastChild;
        NodeId prev;
        NodeId next;
        std::uint32_t textOffset;
        std::uint32_t textLength;
        std::int32_t itemData;
        std::uint8_t image;
        bool expanded;
        bool alive;
    };
    static std::size_t idx(NodeId node) { return static_cast<std::size_t>(node); }
    void unlink(NodeId node);

    std::vector<Node> m_nodes;
    std::string m_text;
    std::size_t m_live = 0;
    std::uint64_t m_revision = 0;
    std::uint64_t m_shapeRevision = 0;
};

/// The kind of a node text by its prefix at position 0.
NodeKind NodeKindOfText(std::string_view text);

/// The number after "[ID:" (or "[id:") of a node text up to the next "]", 0 when there is none.
std::int32_t ReadIdFromText(std::string_view text);

/// The first top-level node whose text contains "[ID:<id>]"; the root when none does.
OrgTree::NodeId FindGroupNode(const OrgTree& tree, std::int32_t groupId);

/// Appends the id of every childless "User:" node below `node` (depth first), ids of 0 left out.
void CollectUserIds(const OrgTree& tree, OrgTree::NodeId node, std::vector<std::int32_t>& ids);

} // namespace qar
