// The unit editor's page operations: Add-unit, Edit-unit and what an edit carries along (levels and group
// of the subtree, the users' group, child units and users following a new code).
#include "db/CXTableUnit.h"
#include "db/CXTableUser.h"
#include "db/ChangeLog.h"
#include "db/OdbcError.h"
#include "db/TableMap.h"
#include "org/CUnitUserModel.h"
#include "resources/StringIds.h"

#include <unordered_map>
#include <unordered_set>

namespace qar
{
namespace
{

constexpr std::uint8_t kActAdded = 0;
constexpr std::uint8_t kActDeleted = 1;
constexpr std::uint8_t kActModified = 2;

void ensureOpen(CXRecordset& table)
{
    if (!table.IsOpen()) {
        table.Open();
    }
}

StoredUnit readStoredUnit(const CXTableUnit& t)
{
    StoredUnit unit{{t.m_UNIT_ID, t.m_UNIT_NAME, t.m_SUPER_ID, t.m_TREE_CLASS, t.m_UNIT_STATUS, t.m_CAN_LOG,
                     t.m_UNIT_ALIAS, t.m_GROUP_ID},
                    t.m_LOG_PWD,
                    t.m_UNIT_FLAG,
                    t.m_OL_TIME,
                    std::nullopt};
    if (t.HasWeightColumn() && !t.IsFieldNull(t.m_WEIGHT)) {
        unit.weight = t.m_WEIGHT.get();
    }
    return unit;
}

} // namespace

void CUnitUserModel::logUnit(std::int32_t unitId, std::uint8_t action)
{
    ChangeRow row{GetTableName(TableId::Unit), kUnitKeyField, unitId, action};
    if (m_atomic) {
        m_heldRows.push_back(std::move(row));
    } else {
        m_effects.logChange(row.table, row.field, row.key, row.action);
    }
}

void CUnitUserModel::logUser(std::int32_t userId, std::uint8_t action)
{
    ChangeRow row{ChangeTableNameForUsers(), kUserKeyField, userId, action};
    if (m_atomic) {
        m_heldRows.push_back(std::move(row));
    } else {
        m_effects.logChange(row.table, row.field, row.key, row.action);
    }
}

void CUnitUserModel::unitWritten()
{
    raise(Effect::UnitsChanged);
    raise(Effect::ServiceButtons);
}

std::string CUnitUserModel::unitNodeText(const UnitRow& unit) const
{
    std::string text;
    AppendUnitNodeText(text, m_texts, {unit.id, unit.name, unit.status, unit.canLog, unit.alias});
    return text;
}

UnitEditSession CUnitUserModel::makeSession(UnitFormSetup setup) const
{
    const std::vector<std::int32_t> groups = readGroupIds();
    setup.weightColumn = m_tables.unit->HasWeightColumn();
    UnitFormModel form(setup, readUnitRows(), groups, m_texts.parentNone);
    UnitForm fields = form.initialForm();
    return UnitEditSession{std::move(form), std::move(fields), OrgTree::kNone, {}, {}};
}

std::variant<OrgMessage, UnitEditSession> CUnitUserModel::startAddUnit()
{
    if (!tablesOpen(false)) {
        return OrgMessage{str::kUnableToOpenDb, {}};
    }
    UnitFormSetup setup;
    setup.context = m_context;
    if (m_selected != OrgTree::kNone) {
        switch (m_tree.kind(m_selected)) {
        case NodeKind::Unit:
            setup.parentId = m_tree.itemData(m_selected);
            break;
        case NodeKind::Group:
            setup.groupId = m_tree.itemData(m_selected);
            break;
        case NodeKind::User:
            // A unit added on a user becomes the user's sibling, a child of the user's unit.
            if (m_tree.parent(m_selected) != OrgTree::kRoot) {
                setup.parentId = m_tree.itemData(m_tree.parent(m_selected));
            }
            break;
        case NodeKind::Other:
            break;
        }
    }
    UnitEditSession session = makeSession(setup);
    session.node = m_selected;
    return session;
}

OrgMessage CUnitUserModel::finishAddUnit(const UnitEditSession& /*session*/, const ValidUnit& unit)
{
    m_report = {OrgChangeReport::Action::UnitAdded, unit.code};
    startProgress(1);
    return reportFailure(runAtomically([&]() -> OrgMessage {
        CXTableUnit& t = *m_tables.unit;
        ensureOpen(t);
        requireUnitCodeFree(unit.code);
        t.AddNew();
        t.m_UNIT_ID = unit.code;
        t.m_UNIT_NAME = unit.name;
        t.m_SUPER_ID = unit.parentId;
        t.m_TREE_CLASS = static_cast<std::uint8_t>(unit.parentLevel + 1);
        t.m_GROUP_ID = unit.groupId;
        t.m_UNIT_STATUS = unit.valided;
        t.m_CAN_LOG = unit.publicAccount;
        t.m_UNIT_ALIAS = unit.alias;
        t.m_LOG_PWD = unit.password;
        t.m_UNIT_FLAG = unit.attribute;
        t.m_OL_TIME = 0;
        if (t.HasWeightColumn()) {
            t.m_WEIGHT = unit.weight;
        }

        // The node goes in before the row is written; a failed write builds the tree again.
        OrgTree::NodeId parent = OrgTree::kNone;
        if (unit.parentId != 0) {
            const auto it = m_index.unitNodes.find(unit.parentId);
            if (it != m_index.unitNodes.end()) {
                parent = it->second;
            }
        } else {
            parent = FindGroupNode(m_tree, unit.groupId);
        }
        if (parent != OrgTree::kNone) {
            const UnitRow shown{unit.code,    unit.name,          unit.parentId, 0,
                                unit.valided, unit.publicAccount, unit.alias,    unit.groupId};
            const OrgTree::NodeId node = m_tree.insertLast(parent, unitNodeText(shown), unit.code, kImageUnit);
            m_index.unitNodes[unit.code] = node;
            m_tree.setExpanded(parent, true);
            m_selected = node;
        }

        if (!t.Update()) {
            return {};
        }
        m_report.written = true;
        unitWritten();
        logUnit(unit.code, kActAdded);
        t.Close();
        t.Open();
        return {};
    }));
}

std::variant<OrgMessage, UnitEditSession> CUnitUserModel::startEditUnit()
{
    if (!tablesOpen(false)) {
        return OrgMessage{str::kUnableToOpenDb, {}};
    }
    if (m_selected == OrgTree::kNone || m_tree.kind(m_selected) != NodeKind::Unit) {
        return OrgMessage{};
    }
    CXTableUnit& t = *m_tables.unit;
    const std::int32_t id = m_tree.itemData(m_selected);
    for (t.MoveFirst(); !t.IsEOF(); t.MoveNext()) {
        if (t.m_UNIT_ID == id) {
            break;
        }
    }
    if (t.IsEOF()) {
        // Deleted meanwhile by another program: the tree, which still shows it, is read again.
        refresh();
        return OrgMessage{};
    }
    StoredUnit stored = readStoredUnit(t);
    const UnitRow& row = stored.row;

    UnitFormSetup setup;
    setup.context = m_context;
    setup.editMode = true;
    setup.parentId = row.superId;
    setup.groupId = row.groupId;
    setup.editedCode = row.id;
    UnitEditSession session = makeSession(setup);
    session.node = m_selected;
    session.fields = session.form.initialForm(UnitFormOf(row, stored.attribute, stored.password, stored.weight));
    session.stored = std::move(stored);
    session.userIds = collectUserIds(m_selected);
    return session;
}

OrgMessage CUnitUserModel::finishEditUnit(const UnitEditSession& session, const ValidUnit& unit)
{
    m_report = {OrgChangeReport::Action::UnitSaved, session.stored.row.id};
    // Steps: the unit's row, each row of its subtree, the child units and the users following a new
    // code, the users changing group; the change rows and the commit add theirs.
    startProgress(3 + session.form.descendants().size() + 1);
    return reportFailure(runAtomically([&]() -> OrgMessage {
        const UnitRow& old = session.stored.row;
        const int oldParentLevel = static_cast<int>(old.treeClass) - 1;
        const int levelDelta = unit.parentLevel - oldParentLevel;
        const bool groupChanged = unit.groupId != old.groupId;
        const bool parentChanged = unit.parentId != old.superId;
        const bool codeChanged = unit.code != old.id;
        const bool changed = parentChanged || unit.name != old.name || codeChanged || unit.valided != old.status ||
                             unit.publicAccount != old.canLog || unit.alias != old.alias ||
                             unit.password != session.stored.password || levelDelta != 0 ||
                             unit.attribute != session.stored.attribute || groupChanged ||
                             unit.weight != session.stored.weight.value_or(0);

        if (codeChanged) {
            requireUnitCodeFree(unit.code);
        }
        // A top-level unit moving to another group changes what the groups hold.
        if (unit.parentLevel == 0 && groupChanged) {
            raise(Effect::GroupsChanged);
            raise(Effect::ServiceButtons);
        }

        CXTableUnit& t = *m_tables.unit;
        ensureOpen(t);
        const std::vector<std::int32_t>& below = session.form.descendants();
        const std::unordered_set<std::int32_t> descendants(below.begin(), below.end());
        const bool carrySubtree = levelDelta != 0 || groupChanged;
        bool edited = false;
        for (t.MoveFirst(); !t.IsEOF(); t.MoveNext()) {
            if (!edited && t.m_UNIT_ID == old.id) {
                if (readStoredUnit(t) != session.stored) {
                    // The table was read again while the form was open (the timer, a Refresh): the row in
                    // hand is another program's change, and writing the form over it would undo that.
                    throw DbError("unit " + std::to_string(old.id) + " was changed by another program meanwhile");
                }
                t.Edit();
                t.m_UNIT_ID = unit.code;
                t.m_UNIT_NAME = unit.name;
                t.m_UNIT_STATUS = unit.valided;
                t.m_CAN_LOG = unit.publicAccount;
                if (t.HasWeightColumn()) {
                    t.m_WEIGHT = unit.weight;
                }
                t.m_UNIT_ALIAS = unit.alias;
                t.m_LOG_PWD = unit.password;
                t.m_SUPER_ID = unit.parentId;
                t.m_UNIT_FLAG = unit.attribute;
                t.m_TREE_CLASS = static_cast<std::uint8_t>(unit.parentLevel + 1);
                t.m_GROUP_ID = unit.groupId;
                const RowWrite written = UpdateRow(t);
                if (written == RowWrite::AlreadyGone) {
                    return rowGone();
                }
                if (written == RowWrite::NothingChanged) {
                    return {}; // nothing carried along either: that needs a new level or group
                }
                step();
                m_report.written = true;
                m_report.id = unit.code;
                m_report.oldId = codeChanged ? old.id : 0;
                edited = true;
                unitWritten();
                if (codeChanged) {
                    logUnit(old.id, kActDeleted);
                    logUnit(unit.code, kActAdded);
                    // Child units and users follow the new code at once, before the rest of the subtree
                    // moves, as the rows are written in that order.
                    const long walkedTo = t.GetBookmark();
                    repointUnitCode(old.id, unit.code);
                    t.SetBookmark(walkedTo);
                } else if (changed) {
                    logUnit(unit.code, kActModified);
                }
                if (!parentChanged && m_tree.isValid(session.node)) {
                    const UnitRow shown{unit.code,    unit.name,          unit.parentId, 0,
                                        unit.valided, unit.publicAccount, unit.alias,    unit.groupId};
                    m_tree.setText(session.node, unitNodeText(shown));
                    m_tree.setItemData(session.node, unit.code);
                    const auto it = m_index.unitNodes.find(old.id);
                    if (it != m_index.unitNodes.end() && it->second == session.node) {
                        m_index.unitNodes.erase(it);
                    }
                    m_index.unitNodes[unit.code] = session.node;
                    m_selected = session.node;
                }
                if (!carrySubtree) {
                    break;
                }
            } else if (carrySubtree && descendants.count(t.m_UNIT_ID) != 0) {
                t.Edit();
                t.m_TREE_CLASS = static_cast<std::uint8_t>(t.m_TREE_CLASS + levelDelta);
                t.m_GROUP_ID = unit.groupId;
                // A sub-unit deleted meanwhile has nothing left to move.
                m_report.subUnitsMoved += UpdateRow(t) == RowWrite::Written ? 1 : 0;
                step();
            }
        }
        if (!edited) {
            return rowGone(); // deleted meanwhile, and the table read again since
        }
        if (groupChanged) {
            moveUsersToGroup(session.userIds, unit.groupId);
            step();
        }
        // A unit that moved to another group (with its subtree) or under another parent is shown at its
        // new place at once; the rebuild keeps the administrator's place.
        if (parentChanged || groupChanged) {
            buildTree();
        }
        return {};
    }));
}

OrgMessage CUnitUserModel::reportFailure(OrgMessage result)
{
    if (result.messageId == str::kCommitUnconfirmed) {
        m_report = {}; // whether the code changed is for the tables, as read again, to show
    } else if (result.messageId == str::kOperationFailed) {
        // The transaction was rolled back: nothing the command counted stays, the unit keeps its code.
        const std::int32_t id = m_report.oldId != 0 ? m_report.oldId : m_report.id;
        m_report = {m_report.action, id};
        m_report.failed = true;
    }
    return result;
}

void CUnitUserModel::requireUnitCodeFree(std::int32_t code)
{
    CXTableUnit& units = *m_tables.unit;
    ensureOpen(units);
    if (!units.SelectKeysWhere(units.m_UNIT_ID, code).empty()) {
        throw DbError("unit code " + std::to_string(code) + " was taken meanwhile");
    }
}

void CUnitUserModel::repointUnitCode(std::int32_t oldCode, std::int32_t newCode)
{
    CXTableUnit& units = *m_tables.unit;
    ensureOpen(units);
    for (units.MoveFirst(); !units.IsEOF(); units.MoveNext()) {
        if (units.m_SUPER_ID == oldCode) {
            units.Edit();
            units.m_SUPER_ID = newCode;
            if (UpdateRow(units) == RowWrite::Written) {
                ++m_report.childUnitsRepointed;
                logUnit(units.m_UNIT_ID, kActModified);
            }
        }
    }
    step();
    if (m_tables.user == nullptr) {
        return;
    }
    // Every user of the old code, however many, follows in one statement; the rows are read first (and
    // held on MariaDB) for their change rows, in table order. Only the unit column is written, so a user
    // another program changed meanwhile keeps that change, and one it added to the unit follows too.
    CXTableUser& users = *m_tables.user;
    ensureOpen(users);
    const std::vector<std::int32_t> moving = users.SelectKeysWhere(users.m_UNIT_ID, oldCode);
    const long long moved = users.UpdateWhere(users.m_UNIT_ID, newCode, users.m_UNIT_ID, oldCode);
    if (moved != static_cast<long long>(moving.size())) {
        throw DbError("users of unit " + std::to_string(oldCode) + ": " + std::to_string(moving.size()) + " read, " +
                      std::to_string(moved) + " moved");
    }
    m_report.usersRepointed += static_cast<int>(moved);
    for (std::int32_t userId : moving) {
        logUser(userId, kActModified);
    }
    step();
}

void CUnitUserModel::moveUsersToGroup(std::vector<std::int32_t> userIds, std::int32_t group)
{
    if (userIds.empty() || m_tables.user == nullptr) {
        return;
    }
    // The users listed below the unit's node change group together; a user deleted meanwhile has no
    // group to change.
    CXTableUser& users = *m_tables.user;
    ensureOpen(users);
    const long long moved = users.UpdateWhereKeyIn(users.m_GROUP_ID, group, userIds);
    if (moved > 0) {
        m_report.usersRegrouped += static_cast<int>(moved);
        m_report.group = group;
    }
}

} // namespace qar
