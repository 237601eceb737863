#include "db/CXTableGroup.h"
#include "db/CXTableUnit.h"
#include "db/CXTableUser.h"
#include "db/RowStore.h"
#include "org/CUnitUserModel.h"

#include <utility>

// The tree built while the users table is read in chunks: groups and units first, then the users as
// they come, ending as a build from the whole table ends.
namespace qar
{

namespace
{

// About what a user node's text takes ("User:" + name + " [ID:n]" + status).
constexpr std::size_t kUserTextBytes = 48;

} // namespace

std::vector<std::int32_t> CUnitUserModel::startChunkedBuild()
{
    m_chunkPlace = CapturePlace(m_tree, m_selected);
    m_chunkUsers = false;
    m_chunkUsersStarted = false;
    m_chunkRoomMade = false;
    m_earlyListed = false;
    m_earlyUnits.clear();
    m_chunkSelection = m_selected;
    CXTableGroup* groups = m_tables.group;
    CXTableUnit* units = m_tables.unit;
    if (groups == nullptr || units == nullptr || !groups->IsOpen() || !units->IsOpen()) {
        return {}; // the tree stays as it was
    }
    OrgTreeBuilder builder(m_tree, m_index, m_texts, m_context);
    m_chunkUsers = buildGroupsAndUnits(builder, 0);
    m_selected = RestorePlace(m_tree, m_chunkPlace);
    m_chunkSelection = m_selected;
    std::vector<std::int32_t> early;
    for (OrgTree::NodeId g = m_tree.firstChild(OrgTree::kRoot); m_chunkUsers && g != OrgTree::kNone && early.empty();
         g = m_tree.nextSibling(g)) {
        for (OrgTree::NodeId n = m_tree.firstChild(g); n != OrgTree::kNone; n = m_tree.nextInSubtree(n, g)) {
            early.push_back(m_tree.itemData(n));
        }
    }
    m_earlyUnits.insert(early.begin(), early.end());
    return early;
}

void CUnitUserModel::addUserRows(const RowStore& rows, bool early, std::size_t expectedUsers)
{
    if (!m_chunkUsers || rows.rowCount() == 0) {
        return;
    }
    if (!std::exchange(m_chunkRoomMade, true)) {
        // A million nodes grown by doubling would leave a third of their room unused.
        m_tree.reserve(expectedUsers, expectedUsers * kUserTextBytes);
    }
    const CXTableUser& u = *m_tables.user;
    const std::size_t id = u.columnIndex(u.m_USER_ID), name = u.columnIndex(u.m_NAME),
                      power = u.columnIndex(u.m_POWER_FLAG), email = u.columnIndex(u.m_EMAIL),
                      mobile = u.columnIndex(u.m_MOBILE), duty = u.columnIndex(u.m_DUTY),
                      unit = u.columnIndex(u.m_UNIT_ID), status = u.columnIndex(u.m_USER_STATUS),
                      group = u.columnIndex(u.m_GROUP_ID);
    OrgTreeBuilder builder(m_tree, m_index, m_texts, m_context);
    m_earlyListed = m_earlyListed || early;
    if (!early && !std::exchange(m_chunkUsersStarted, true)) {
        builder.startUsers(expectedUsers);
    }
    const bool firstOfPass = !early && m_index.allUserIds.empty();
    for (std::size_t r = 0; r < rows.rowCount(); ++r) {
        const UserRowView user{rows.number(r, id),    rows.text(r, name),
                               rows.number(r, power), rows.text(r, email),
                               rows.text(r, mobile),  rows.text(r, duty),
                               rows.number(r, unit),  static_cast<std::uint8_t>(rows.number(r, status)),
                               rows.number(r, group)};
        if (early) {
            builder.listUser(user);
        } else {
            // Without an early pass (a small table, one without a row key) the pass lists every user.
            builder.addUser(user, !(m_earlyListed && m_earlyUnits.contains(user.unit)));
        }
    }
    if (firstOfPass && expectedUsers > rows.rowCount()) {
        // The lists grow as the first chunk says they will: a million strings grown by doubling would
        // hold two copies of their array for a moment.
        for (std::vector<std::string>* list : {&m_index.emails, &m_index.mobiles, &m_index.duties}) {
            list->reserve(list->size() * expectedUsers / rows.rowCount() * 21 / 20);
        }
    }
}

void CUnitUserModel::finishChunkedBuild()
{
    m_buttonsDue = m_buttonsDue || m_chunkUsersStarted;
    if (m_selected == m_chunkSelection) {
        m_selected = RestorePlace(m_tree, m_chunkPlace);
    }
    m_chunkUsers = false;
    m_earlyUnits.clear();
}

} // namespace qar
