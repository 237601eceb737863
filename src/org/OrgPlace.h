#pragma once

#include "org/OrgTree.h"

#include <cstdint>
#include <vector>

namespace qar
{

/// A node as the administrator knows it, whichever tree build it comes from: its kind and its id
/// (GROUP_ID, UNIT_ID or USER_ID). Node ids and rows change with every build; this does not.
struct OrgNodeKey
{
    NodeKind kind = NodeKind::Other;
    std::int32_t id = 0;

    bool operator==(const OrgNodeKey&) const = default;
};

OrgNodeKey KeyOfNode(const OrgTree& tree, OrgTree::NodeId node);

/// Where the administrator is in the tree: the open nodes, and the selected node followed by the nodes
/// that stand in for it when it is gone (its next siblings, its previous siblings nearest first, then
/// its parent and the parent's siblings the same way, up to the top).
struct OrgPlace
{
    std::vector<OrgNodeKey> expanded;
    std::vector<OrgNodeKey> selection;
};

/// The place in `tree` with `selected` (kNone: nothing selected).
OrgPlace CapturePlace(const OrgTree& tree, OrgTree::NodeId selected);

/// Opens again the nodes of `place` that `tree` holds and returns the node to select: the first entry
/// of the selection list the tree still holds, kNone when none is left.
OrgTree::NodeId RestorePlace(OrgTree& tree, const OrgPlace& place);

/// The node that takes the selection when `node` leaves the tree: its next sibling, else its previous
/// sibling, else its parent (kNone for a lone top-level node).
OrgTree::NodeId NearestNeighbour(const OrgTree& tree, OrgTree::NodeId node);

} // namespace qar
