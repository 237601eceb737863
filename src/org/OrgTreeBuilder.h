#pragma once

#include "org/OrgRows.h"
#include "org/OrgTexts.h"
#include "org/OrgTree.h"

#include <cstdint>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

namespace qar
{

/// The page state a tree build produces besides the nodes.
struct OrgIndex
{
    std::unordered_map<std::int32_t, OrgTree::NodeId> unitNodes;
    std::unordered_map<std::int32_t, OrgTree::NodeId> groupNodes;
    /// Listed users per value of their GROUP column.
    std::unordered_map<std::int32_t, std::int32_t> groupUserCount;
    /// Proposed id of a new user: above every user id read, never lowered.
    std::int32_t nextUserId = 10001;
    std::vector<std::int32_t> allUserIds;
    std::vector<std::string> mobiles;
    std::vector<std::string> emails;
    std::vector<std::string> duties;

    /// Raises nextUserId above `userId`.
    void noteUserId(std::int32_t userId);
};

/// Builds the units-and-users tree from rows in table order: groups, then units level by level under
/// their parent unit or group, then users under their unit. Whatever the rows hold (cycles, missing or
/// hidden parents, levels that contradict the parents), every row is looked at a bounded number of times:
/// a unit whose parent has no node yet is simply not shown.
class OrgTreeBuilder
{
public:
    OrgTreeBuilder(OrgTree& tree, OrgIndex& index, const OrgTexts& texts, const AdminContext& context);

    /// Deletes every node and empties the unit and group maps and the group user count.
    void start(std::size_t expectedNodes = 0);
    void addGroup(std::int32_t id, std::string_view name);
    /// Inserts the visible units whose parent is shown. Units of level 0 never are.
    void addUnits(std::span<const UnitRow> units);
    /// Empties the user lists before the user rows are added.
    void startUsers(std::size_t expectedUsers = 0);
    /// Lists a user under its unit's node (skipped when the unit has none); every user id raises the
    /// next user id. `withNode` false counts and indexes a user whose node listUser inserted already.
    void addUser(const UserRowView& user, bool withNode = true);
    /// Inserts the user's node alone (when its unit has one), ahead of the pass that counts and indexes it:
    /// the users of the units in view come first when the table is read in chunks.
    void listUser(const UserRowView& user);

private:
    OrgTree& m_tree;
    OrgIndex& m_index;
    const OrgTexts& m_texts;
    AdminContext m_context;
    std::string m_text;
};

} // namespace qar
