#include "org/OrgTree.h"

#include <charconv>
#include <stdexcept>

namespace qar
{

OrgTree::OrgTree()
{
    clear();
}

void OrgTree::clear()
{
    m_nodes.clear();
    m_text.clear();
    m_nodes.push_back(Node{kNone, kNone, kNone, kNone, kNone, 0, 0, 0, 0, true, true});
    m_live = 0;
    ++m_revision;
    ++m_shapeRevision;
}

void OrgTree::reserve(std::size_t nodes, std::size_t textBytes)
{
    m_nodes.reserve(m_nodes.size() + nodes);
    m_text.reserve(m_text.size() + textBytes);
}

bool OrgTree::isValid(NodeId node) const
{
    return node >= 0 && idx(node) < m_nodes.size() && m_nodes[idx(node)].alive;
}

OrgTree::NodeId OrgTree::insertLast(NodeId parent, std::string_view text, std::int32_t itemData, int image)
{
    if (!isValid(parent)) {
        throw std::out_of_range("OrgTree::insertLast: no such parent node");
    }
    const auto id = static_cast<NodeId>(m_nodes.size());
    const auto offset = static_cast<std::uint32_t>(m_text.size());
    m_text.append(text);
    m_nodes.push_back(Node{parent, kNone, kNone, m_nodes[idx(parent)].lastChild, kNone, offset,
                           static_cast<std::uint32_t>(text.size()), itemData, static_cast<std::uint8_t>(image), false,
                           true});
    Node& p = m_nodes[idx(parent)];
    if (p.lastChild == kNone) {
        p.firstChild = id;
    } else {
        m_nodes[idx(p.lastChild)].next = id;
    }
    p.lastChild = id;
    ++m_live;
    ++m_revision;
    return id;
}

void OrgTree::unlink(NodeId node)
{
    Node& n = m_nodes[idx(node)];
    Node& p = m_nodes[idx(n.parent)];
    if (n.prev == kNone) {
        p.firstChild = n.next;
    } else {
        m_nodes[idx(n.prev)].next = n.next;
    }
    if (n.next == kNone) {
        p.lastChild = n.prev;
    } else {
        m_nodes[idx(n.next)].prev = n.prev;
    }
}

void OrgTree::remove(NodeId node)
{
    if (node == kRoot || !isValid(node)) {
        return;
    }
    for (NodeId n = node; n != kNone; n = nextInSubtree(n, node)) {
        m_nodes[idx(n)].alive = false;
        --m_live;
    }
    unlink(node);
    ++m_revision;
    ++m_shapeRevision;
}

void OrgTree::setText(NodeId node, std::string_view text)
{
    // The old text stays in the buffer until the next clear; edits are rare next to builds.
    Node& n = m_nodes[idx(node)];
    n.textOffset = static_cast<std::uint32_t>(m_text.size());
    n.textLength = static_cast<std::uint32_t>(text.size());
    m_text.append(text);
    ++m_revision;
    ++m_shapeRevision;
}

std::string_view OrgTree::text(NodeId node) const
{
    const Node& n = m_nodes[idx(node)];
    return std::string_view(m_text).substr(n.textOffset, n.textLength);
}

NodeKind OrgTree::kind(NodeId node) const
{
    return NodeKindOfText(text(node));
}

OrgTree::NodeId OrgTree::nextInSubtree(NodeId node, NodeId top) const
{
    if (m_nodes[idx(node)].firstChild != kNone) {
        return m_nodes[idx(node)].firstChild;
    }
    for (NodeId n = node; n != top && n != kNone; n = m_nodes[idx(n)].parent) {
        if (m_nodes[idx(n)].next != kNone) {
            return m_nodes[idx(n)].next;
        }
    }
    return kNone;
}

NodeKind NodeKindOfText(std::string_view text)
{
    if (text.starts_with("Group:")) {
        return NodeKind::Group;
    }
    if (text.starts_with("Unit:")) {
        return NodeKind::Unit;
    }
    if (text.starts_with("User:")) {
        return NodeKind::User;
    }
    return NodeKind::Other;
}

std::int32_t ReadIdFromText(std::string_view text)
{
    std::size_t pos = text.find("[ID:");
    if (pos == std::string_view::npos) {
        pos = text.find("[id:");
    }
    if (pos == std::string_view::npos) {
        return 0;
    }
    std::string_view number = text.substr(pos + 4);
    number = number.substr(0, number.find(']'));
    std::int32_t value = 0;
    std::from_chars(number.data(), number.data() + number.size(), value);
    return value;
}

OrgTree::NodeId FindGroupNode(const OrgTree& tree, std::int32_t groupId)
{
    const std::string marker = "[ID:" + std::to_string(groupId) + "]";
    for (OrgTree::NodeId n = tree.firstChild(OrgTree::kRoot); n != OrgTree::kNone; n = tree.nextSibling(n)) {
        if (tree.text(n).find(marker) != std::string_view::npos) {
            return n;
        }
    }
    return OrgTree::kRoot;
}

void CollectUserIds(const OrgTree& tree, OrgTree::NodeId node, std::vector<std::int32_t>& ids)
{
    if (!tree.isValid(node)) {
        return;
    }
    for (OrgTree::NodeId n = tree.firstChild(node); n != OrgTree::kNone; n = tree.nextInSubtree(n, node)) {
        if (!tree.hasChildren(n) && tree.kind(n) == NodeKind::User) {
            const std::int32_t id = ReadIdFromText(tree.text(n));
            if (id != 0) {
                ids.push_back(id);
            }
        }
    }
}

} // namespace qar
