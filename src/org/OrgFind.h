#pragma once

#include "org/OrgTree.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qar
{

/// Text folded for finding: letters case-folded, the full-width forms of ASCII (U+FF01 to U+FF5E) and
/// the ideographic space taken as their ASCII characters, so that "ＡＢＣ１２" finds "abc12".
std::u16string FoldForFind(std::u16string_view text);

/// Which match a find step goes to, relative to the node it starts from, wrapping around the tree.
enum class FindStep
{
    AtOrAfter, ///< typing: the start node itself when it still matches
    After,     ///< Enter, F3
    Before,    ///< Shift+F3
};

/// The outcome of a find: how many nodes match, and the one gone to (its 1-based place among them).
struct FindResult
{
    std::size_t count = 0;
    std::size_t ordinal = 0;
    OrgTree::NodeId node = OrgTree::kNone;

    bool operator==(const FindResult&) const = default;
};

/// The find bar's index of the units-and-users tree: every node's name and id, folded once per change
/// of the tree (its revision) and kept in one buffer in tree order, so that a keystroke is one scan of
/// that buffer whatever the tree holds. Names are read in the system's code page (UTF-8, GBK or Big5).
class OrgFindIndex
{
public:
    /// Re-reads `tree` when it is another tree or has changed since the index was made.
    void update(const OrgTree& tree);

    /// The nodes whose name or id contains `query` (bytes in the system's code page), folded; the step
    /// goes from `from` (kNone: from the top) in tree order. An empty query matches nothing.
    FindResult find(const OrgTree& tree, std::string_view query, OrgTree::NodeId from, FindStep step);

    /// Nodes in the index (every node of the tree indexed last).
    std::size_t size() const { return m_nodes.size(); }

private:
    // Entries follow the nodes as stored (a build's insertion order), which reads the tree's arrays
    // straight through; a node's place in the tree's depth-first order is its rank.
    const OrgTree* m_tree = nullptr;
    std::uint64_t m_revision = 0;
    std::u16string m_text;                   ///< per entry: folded name, U+0001, id digits, U+0000
    std::vector<std::uint32_t> m_start;      ///< where each entry starts, and the end
    std::vector<OrgTree::NodeId> m_nodes;    ///< the node of each entry
    std::vector<std::uint32_t> m_rank;       ///< the tree-order rank of each entry
    std::vector<std::uint32_t> m_rankOfNode; ///< by node id; UINT32_MAX for none
    std::vector<OrgTree::NodeId> m_byRank;   ///< the node of each rank
    std::vector<std::uint32_t> m_matches;    ///< ranks of the last find's matches (kept to reuse its memory)
};

/// The name part of a node text: what follows "Group:", "Unit:" or "User:" up to " [ID:<item data>]".
std::string_view NodeNameOfText(std::string_view text, std::int32_t itemData);

} // namespace qar
