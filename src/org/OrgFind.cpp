#include "org/OrgFind.h"

#include "xml/Encoding.h"

#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <charconv>

namespace qar
{
namespace
{

constexpr char16_t kIdMark = u'\x01';
constexpr char16_t kEntryEnd = u'\0';
constexpr char kNameSeparator = '\x01'; // never part of a GBK or Big5 character: trail bytes start at 0x40

void appendFolded(std::u16string& out, std::u16string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        char16_t c = text[i];
        if (c < 0x80) {
            out.push_back(c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 0x20) : c);
            ++i;
            continue;
        }
        if (c >= 0xFF01 && c <= 0xFF5E) {
            c = static_cast<char16_t>(c - 0xFEE0);
            out.push_back(c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 0x20) : c);
            ++i;
            continue;
        }
        if (c == 0x3000) {
            out.push_back(u' ');
            ++i;
            continue;
        }
        UChar32 cp = 0;
        U16_NEXT(text.data(), i, text.size(), cp);
        cp = u_foldCase(cp, U_FOLD_CASE_DEFAULT);
        if (U_IS_BMP(cp)) {
            out.push_back(static_cast<char16_t>(cp));
        } else {
            out.push_back(static_cast<char16_t>(U16_LEAD(cp)));
            out.push_back(static_cast<char16_t>(U16_TRAIL(cp)));
        }
    }
}

std::size_t prefixLength(NodeKind kind)
{
    switch (kind) {
    case NodeKind::Group:
        return 6; // "Group:"
    case NodeKind::Unit:
    case NodeKind::User:
        return 5; // "Unit:", "User:"
    case NodeKind::Other:
        break;
    }
    return 0;
}

} // namespace

std::u16string FoldForFind(std::u16string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    appendFolded(out, text);
    return out;
}

std::string_view NodeNameOfText(std::string_view text, std::int32_t itemData)
{
    const std::size_t start = prefixLength(NodeKindOfText(text));
    char marker[24] = " [ID:";
    char* end = std::to_chars(marker + 5, marker + sizeof marker - 1, itemData).ptr;
    *end++ = ']';
    const std::size_t at = text.find(std::string_view(marker, static_cast<std::size_t>(end - marker)), start);
    return text.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start);
}

void OrgFindIndex::update(const OrgTree& tree)
{
    if (m_tree == &tree && m_revision == tree.revision()) {
        return;
    }
    m_tree = &tree;
    m_revision = tree.revision();

    const auto limit = static_cast<std::size_t>(tree.idLimit());
    m_rankOfNode.assign(limit, UINT32_MAX);
    m_byRank.clear();
    m_byRank.reserve(tree.size());
    for (OrgTree::NodeId n = tree.firstChild(OrgTree::kRoot); n != OrgTree::kNone;
         n = tree.nextInSubtree(n, OrgTree::kRoot)) {
        m_rankOfNode[static_cast<std::size_t>(n)] = static_cast<std::uint32_t>(m_byRank.size());
        m_byRank.push_back(n);
    }

    m_nodes.clear();
    m_nodes.reserve(m_byRank.size());
    std::string names;
    for (OrgTree::NodeId n = 1; n < tree.idLimit(); ++n) {
        if (m_rankOfNode[static_cast<std::size_t>(n)] != UINT32_MAX) {
            m_nodes.push_back(n);
            names += NodeNameOfText(tree.text(n), tree.itemData(n));
            names += kNameSeparator;
        }
    }

    // One conversion of every name together costs far less than one per node; a name that holds the
    // separator itself (or a broken character that swallows it) makes the pieces miscount, and then each
    // name is converted on its own.
    std::u16string wide = ToUtf16(names);
    std::vector<std::u16string_view> pieces;
    pieces.reserve(m_nodes.size());
    for (std::size_t from = 0; from < wide.size();) {
        const std::size_t to = wide.find(static_cast<char16_t>(kNameSeparator), from);
        if (to == std::u16string::npos) {
            break;
        }
        pieces.emplace_back(wide.data() + from, to - from);
        from = to + 1;
    }
    std::vector<std::u16string> single;
    if (pieces.size() != m_nodes.size()) {
        pieces.clear();
        single.reserve(m_nodes.size());
        for (OrgTree::NodeId n : m_nodes) {
            single.push_back(ToUtf16(NodeNameOfText(tree.text(n), tree.itemData(n))));
            pieces.emplace_back(single.back());
        }
    }

    m_text.clear();
    m_text.reserve(wide.size() + m_nodes.size() * 8);
    m_start.assign(1, 0);
    m_start.reserve(m_nodes.size() + 1);
    m_rank.resize(m_nodes.size());
    char digits[16];
    for (std::size_t i = 0; i < m_nodes.size(); ++i) {
        appendFolded(m_text, pieces[i]);
        m_text.push_back(kIdMark);
        const char* end = std::to_chars(digits, digits + sizeof digits, tree.itemData(m_nodes[i])).ptr;
        for (const char* d = digits; d != end; ++d) {
            m_text.push_back(static_cast<char16_t>(*d));
        }
        m_text.push_back(kEntryEnd);
        m_start.push_back(static_cast<std::uint32_t>(m_text.size()));
        m_rank[i] = m_rankOfNode[static_cast<std::size_t>(m_nodes[i])];
    }
}

FindResult OrgFindIndex::find(const OrgTree& tree, std::string_view query, OrgTree::NodeId from, FindStep step)
{
    update(tree);
    std::u16string wanted = FoldForFind(ToUtf16(query));
    // Control characters would match the entries' own separators; blanks around a name are typing noise.
    wanted.erase(std::remove_if(wanted.begin(), wanted.end(), [](char16_t c) { return c < 0x20; }), wanted.end());
    const auto blank = [](char16_t c) { return c == u' '; };
    wanted.erase(wanted.begin(), std::find_if_not(wanted.begin(), wanted.end(), blank));
    wanted.erase(std::find_if_not(wanted.rbegin(), wanted.rend(), blank).base(), wanted.end());
    FindResult result;
    if (wanted.empty()) {
        return result;
    }

    // Every match's rank; one match per node.
    m_matches.clear();
    const std::u16string_view text(m_text);
    std::size_t entry = 0;
    for (std::size_t pos = text.find(wanted); pos != std::u16string_view::npos; pos = text.find(wanted, pos)) {
        const auto after = std::upper_bound(m_start.begin() + static_cast<std::ptrdiff_t>(entry), m_start.end(),
                                            static_cast<std::uint32_t>(pos));
        entry = static_cast<std::size_t>(after - m_start.begin()) - 1;
        m_matches.push_back(m_rank[entry]);
        pos = m_start[entry + 1];
    }
    result.count = m_matches.size();
    if (result.count == 0) {
        return result;
    }

    // The rank the step counts from: matches at it (typing) or past it (F3) come first, else the wrap.
    const bool fromValid = from >= 0 && static_cast<std::size_t>(from) < m_rankOfNode.size() &&
                           m_rankOfNode[static_cast<std::size_t>(from)] != UINT32_MAX;
    if (!fromValid && step == FindStep::After) {
        step = FindStep::AtOrAfter;
    }
    const std::uint32_t origin =
        fromValid ? m_rankOfNode[static_cast<std::size_t>(from)] : (step == FindStep::Before ? UINT32_MAX : 0);
    std::uint32_t chosen = UINT32_MAX;
    std::uint32_t first = UINT32_MAX;
    std::uint32_t last = 0;
    for (const std::uint32_t rank : m_matches) {
        first = std::min(first, rank);
        last = std::max(last, rank);
        const bool ahead = step == FindStep::AtOrAfter ? rank >= origin : rank > origin;
        if (step == FindStep::Before) {
            if (rank < origin && (chosen == UINT32_MAX || rank > chosen)) {
                chosen = rank;
            }
        } else if (ahead && rank < chosen) {
            chosen = rank;
        }
    }
    if (chosen == UINT32_MAX) {
        chosen = step == FindStep::Before ? last : first;
    }
    result.ordinal = 1 + static_cast<std::size_t>(std::count_if(m_matches.begin(), m_matches.end(),
                                                                [chosen](std::uint32_t r) { return r < chosen; }));
    result.node = m_byRank[chosen];
    return result;
}

} // namespace qar
