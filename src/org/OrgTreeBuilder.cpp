#include "org/OrgTreeBuilder.h"

#include <algorithm>
#include <array>
#include <limits>

namespace qar
{

void OrgIndex::noteUserId(std::int32_t userId)
{
    if (userId >= nextUserId) {
        nextUserId = userId == std::numeric_limits<std::int32_t>::max() ? userId : userId + 1;
    }
}

OrgTreeBuilder::OrgTreeBuilder(OrgTree& tree, OrgIndex& index, const OrgTexts& texts, const AdminContext& context)
    : m_tree(tree), m_index(index), m_texts(texts), m_context(context)
{
    m_text.reserve(512);
}

void OrgTreeBuilder::start(std::size_t expectedNodes)
{
    m_tree.clear();
    m_tree.reserve(expectedNodes, expectedNodes * 48);
    m_index.unitNodes.clear();
    m_index.groupNodes.clear();
    m_index.groupUserCount.clear();
}

void OrgTreeBuilder::addGroup(std::int32_t id, std::string_view name)
{
    m_text.clear();
    AppendGroupNodeText(m_text, id, name);
    m_index.groupNodes[id] = m_tree.insertLast(OrgTree::kRoot, m_text, id, kImageGroup);
}

void OrgTreeBuilder::addUnits(std::span<const UnitRow> units)
{
    // Level by level, each level in table order: a stable counting sort by TREE_CLASS gives the order in
    // which the rows are taken. Level 0 is never shown.
    std::array<std::size_t, 257> start{};
    for (const UnitRow& u : units) {
        ++start[static_cast<std::size_t>(u.treeClass) + 1];
    }
    for (std::size_t level = 1; level < start.size(); ++level) {
        start[level] += start[level - 1];
    }
    std::vector<std::uint32_t> order(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        order[start[units[i].treeClass]++] = static_cast<std::uint32_t>(i);
    }
    m_index.unitNodes.reserve(units.size());
    for (std::uint32_t i : order) {
        const UnitRow& u = units[i];
        if (u.treeClass == 0 || !m_context.sees(u.groupId)) {
            continue;
        }
        const auto& parents = u.superId != 0 ? m_index.unitNodes : m_index.groupNodes;
        const auto parent = parents.find(u.superId != 0 ? u.superId : u.groupId);
        if (parent == parents.end()) {
            continue;
        }
        m_text.clear();
        AppendUnitNodeText(m_text, m_texts, {u.id, u.name, u.status, u.canLog, u.alias});
        // A later row with the same id takes the map entry, as the page's map always did.
        m_index.unitNodes[u.id] = m_tree.insertLast(parent->second, m_text, u.id, kImageUnit);
    }
}

void OrgTreeBuilder::startUsers(std::size_t expectedUsers)
{
    m_index.allUserIds.clear();
    m_index.mobiles.clear();
    m_index.emails.clear();
    m_index.duties.clear();
    m_index.allUserIds.reserve(expectedUsers);
}

void OrgTreeBuilder::listUser(const UserRowView& user)
{
    const auto unit = m_index.unitNodes.find(user.unit);
    if (unit != m_index.unitNodes.end()) {
        m_text.clear();
        AppendUserNodeText(m_text, m_texts, {user.id, user.name, user.status});
        m_tree.insertLast(unit->second, m_text, user.id, UserNodeImage(user.powerFlag));
    }
}

void OrgTreeBuilder::addUser(const UserRowView& user, bool withNode)
{
    m_index.noteUserId(user.id);
    if (!m_index.unitNodes.contains(user.unit)) {
        return;
    }
    if (withNode) {
        listUser(user);
    }
    ++m_index.groupUserCount[user.group];
    m_index.allUserIds.push_back(user.id);
    if (!user.email.empty()) {
        m_index.emails.emplace_back(user.email);
    }
    if (!user.mobile.empty()) {
        m_index.mobiles.emplace_back(user.mobile);
    }
    if (!user.duty.empty()) {
        m_index.duties.emplace_back(user.duty);
    }
}

} // namespace qar
