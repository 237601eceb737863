#include "org/OrgPlace.h"

#include <limits>
#include <unordered_map>
#include <unordered_set>

namespace qar
{
namespace
{

std::uint64_t packed(const OrgNodeKey& key)
{
    return (static_cast<std::uint64_t>(key.kind) << 32) | static_cast<std::uint32_t>(key.id);
}

} // namespace

OrgNodeKey KeyOfNode(const OrgTree& tree, OrgTree::NodeId node)
{
    return {tree.kind(node), tree.itemData(node)};
}

OrgPlace CapturePlace(const OrgTree& tree, OrgTree::NodeId selected)
{
    OrgPlace place;
    for (OrgTree::NodeId n = tree.firstChild(OrgTree::kRoot); n != OrgTree::kNone;
         n = tree.nextInSubtree(n, OrgTree::kRoot)) {
        if (tree.isExpanded(n) && tree.hasChildren(n)) {
            place.expanded.push_back(KeyOfNode(tree, n));
        }
    }
    if (!tree.isValid(selected)) {
        return place;
    }
    for (OrgTree::NodeId n = selected; n != OrgTree::kRoot && n != OrgTree::kNone; n = tree.parent(n)) {
        place.selection.push_back(KeyOfNode(tree, n));
        for (OrgTree::NodeId s = tree.nextSibling(n); s != OrgTree::kNone; s = tree.nextSibling(s)) {
            place.selection.push_back(KeyOfNode(tree, s));
        }
        for (OrgTree::NodeId s = tree.previousSibling(n); s != OrgTree::kNone; s = tree.previousSibling(s)) {
            place.selection.push_back(KeyOfNode(tree, s));
        }
    }
    return place;
}

OrgTree::NodeId RestorePlace(OrgTree& tree, const OrgPlace& place)
{
    std::unordered_set<std::uint64_t> expanded;
    expanded.reserve(place.expanded.size());
    for (const OrgNodeKey& key : place.expanded) {
        expanded.insert(packed(key));
    }
    // The earliest entry of the selection list wins; among nodes sharing a key, the first in tree order.
    std::unordered_map<std::uint64_t, std::size_t> rank;
    rank.reserve(place.selection.size());
    for (std::size_t i = 0; i < place.selection.size(); ++i) {
        rank.emplace(packed(place.selection[i]), i);
    }
    OrgTree::NodeId best = OrgTree::kNone;
    std::size_t bestRank = std::numeric_limits<std::size_t>::max();
    for (OrgTree::NodeId n = tree.firstChild(OrgTree::kRoot); n != OrgTree::kNone;
         n = tree.nextInSubtree(n, OrgTree::kRoot)) {
        const std::uint64_t key = packed(KeyOfNode(tree, n));
        if (!expanded.empty() && tree.hasChildren(n) && expanded.count(key) != 0) {
            tree.setExpanded(n, true);
        }
        if (bestRank != 0) {
            const auto it = rank.find(key);
            if (it != rank.end() && it->second < bestRank) {
                bestRank = it->second;
                best = n;
            }
        }
    }
    return best;
}

OrgTree::NodeId NearestNeighbour(const OrgTree& tree, OrgTree::NodeId node)
{
    if (!tree.isValid(node) || node == OrgTree::kRoot) {
        return OrgTree::kNone;
    }
    if (tree.nextSibling(node) != OrgTree::kNone) {
        return tree.nextSibling(node);
    }
    if (tree.previousSibling(node) != OrgTree::kNone) {
        return tree.previousSibling(node);
    }
    return tree.parent(node) == OrgTree::kRoot ? OrgTree::kNone : tree.parent(node);
}

} // namespace qar
