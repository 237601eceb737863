#pragma once

#include "OdbcTestDb.h"
#include "db/CXTabelChangeTmp.h"
#include "db/CXTableGroup.h"
#include "db/CXTableUnit.h"
#include "db/CXTableUser.h"
#include "org/CUnitUserModel.h"

#include <string>
#include <vector>

namespace qar::test
{

/// The node of user `id` in the tree, kNone when the user is not shown.
inline OrgTree::NodeId findUserNode(const OrgTree& tree, std::int32_t id)
{
    for (OrgTree::NodeId n = tree.firstChild(OrgTree::kRoot); n != OrgTree::kNone;
         n = tree.nextInSubtree(n, OrgTree::kRoot)) {
        if (tree.kind(n) == NodeKind::User && tree.itemData(n) == id) {
            return n;
        }
    }
    return OrgTree::kNone;
}

/// Every node in tree order with its depth, text, item data and image: two trees with the same lines show
/// the same thing whatever their node ids.
inline std::vector<std::string> dumpTree(const OrgTree& tree)
{
    std::vector<std::string> lines;
    for (OrgTree::NodeId n = tree.firstChild(OrgTree::kRoot); n != OrgTree::kNone;
         n = tree.nextInSubtree(n, OrgTree::kRoot)) {
        int depth = 0;
        for (OrgTree::NodeId p = tree.parent(n); p != OrgTree::kRoot; p = tree.parent(p)) {
            ++depth;
        }
        lines.push_back(std::to_string(depth) + "|" + std::string(tree.text(n)) + "|" +
                        std::to_string(tree.itemData(n)) + "|" + std::to_string(tree.image(n)));
    }
    return lines;
}

/// Base of the units-and-users database tests, run once per engine: groups 1 "One" and 2 "Two", the
/// page's record objects and model on the test's connection, change rows written while the server runs,
/// and what the page would be told ("units", "users", "groups", "buttons") kept in m_events.
class OrgDbTest : public DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        m_effects.onUnitsChanged = [this] { m_events.push_back("units"); };
        m_effects.onUsersChanged = [this] { m_events.push_back("users"); };
        m_effects.onGroupsChanged = [this] { m_events.push_back("groups"); };
        m_effects.onUpdateServiceButtons = [this] { m_events.push_back("buttons"); };
        db().exec("INSERT INTO [GroupTable] ([GROUP_ID], [GROUP_NAME], [GROUP_COUNT]) VALUES (1, 'One', 0), "
                  "(2, 'Two', 0)");
    }
    /// Opens the record objects and builds the tree, as the page does on initialisation.
    void openAndBuild(AdminContext context = {})
    {
        m_groups.Open();
        m_units.Open();
        m_users.Open();
        m_model.setAdminContext(context);
        m_model.buildTree();
    }

    CXTableGroup m_groups{&m_connection};
    CXTableUnit m_units{&m_connection};
    CXTableUser m_users{&m_connection};
    CXTabelChangeTmp m_changes{&m_connection};
    ServerState m_server;
    CChangeLog m_log{m_changes, m_server};
    ChangeLogOrgEffects m_effects{m_log};
    std::vector<std::string> m_events;
    CUnitUserModel m_model{OrgTables{&m_groups, &m_units, &m_users}, m_effects};
};

} // namespace qar::test
