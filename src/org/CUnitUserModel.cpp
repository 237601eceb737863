#include "org/CUnitUserModel.h"

#include "db/CXTableGroup.h"
#include "db/CXTableUnit.h"
#include "db/CXTableUser.h"
#include "db/DbTransaction.h"
#include "db/OdbcError.h"
#include "org/OrgPlace.h"
#include "org/UserEditing.h"
#include "platform/DiagnosticLog.h"
#include "resources/StringIds.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace qar
{

namespace
{

// A row that did not match is told by its statement without the long WHERE clause of every column.
std::string describeFailure(const std::exception& error)
{
    std::string text = error.what();
    const std::size_t where = text.find(" WHERE ");
    const std::size_t outcome = text.rfind(": ");
    if (dynamic_cast<const RowMatchError*>(&error) != nullptr && where != std::string::npos &&
        outcome != std::string::npos && outcome > where) {
        text = text.substr(0, where) + text.substr(outcome);
    }
    return text;
}

} // namespace

CUnitUserModel::CUnitUserModel(OrgTables tables, IOrgEffects& effects, OrgTexts texts)
    : m_tables(tables), m_effects(effects), m_texts(std::move(texts))
{}

void CUnitUserModel::clearChangeFlags()
{
    m_unitsChanged = false;
    m_usersChanged = false;
    m_changedUsers.clear();
}

std::vector<UnitRow> CUnitUserModel::readUnitRows() const
{
    std::vector<UnitRow> rows;
    CXTableUnit* t = m_tables.unit;
    if (t == nullptr || !t->IsOpen()) {
        return rows;
    }
    rows.reserve(static_cast<std::size_t>(t->GetRecordCount()));
    for (t->MoveFirst(); !t->IsEOF(); t->MoveNext()) {
        rows.push_back({t->m_UNIT_ID, t->m_UNIT_NAME, t->m_SUPER_ID, t->m_TREE_CLASS, t->m_UNIT_STATUS, t->m_CAN_LOG,
                        t->m_UNIT_ALIAS, t->m_GROUP_ID});
    }
    return rows;
}

std::vector<std::int32_t> CUnitUserModel::readGroupIds() const
{
    std::vector<std::int32_t> ids;
    CXTableGroup* t = m_tables.group;
    if (t != nullptr && t->IsOpen()) {
        for (t->MoveFirst(); !t->IsEOF(); t->MoveNext()) {
            ids.push_back(t->m_GROUP_ID);
        }
    }
    return ids;
}

void CUnitUserModel::buildTree()
{
    reportProgress(0, 0);
    const std::uint64_t before = m_tree.revision();
    const OrgPlace place = CapturePlace(m_tree, m_selected);
    buildFromTables();
    if (m_tree.revision() != before) {
        m_selected = RestorePlace(m_tree, place);
    }
}

void CUnitUserModel::reportProgress(std::size_t done, std::size_t total) const
{
    if (m_buildProgress) {
        m_buildProgress(done, total);
    }
}

bool CUnitUserModel::buildGroupsAndUnits(OrgTreeBuilder& builder, std::size_t expectedUsers)
{
    CXTableGroup* groups = m_tables.group;
    CXTableUnit* units = m_tables.unit;
    builder.start(static_cast<std::size_t>(groups->GetRecordCount() + units->GetRecordCount()) + expectedUsers);
    m_selected = OrgTree::kNone;
    if (groups->GetRecordCount() == 0 || units->GetRecordCount() == 0) {
        return false;
    }
    for (groups->MoveFirst(); !groups->IsEOF(); groups->MoveNext()) {
        builder.addGroup(groups->m_GROUP_ID, groups->m_GROUP_NAME.get());
    }
    const std::vector<UnitRow> unitRows = readUnitRows();
    const bool anyLevel =
        std::any_of(unitRows.begin(), unitRows.end(), [](const UnitRow& u) { return u.treeClass > 0; });
    if (!anyLevel) {
        return false; // without a unit level nothing below the groups is shown, not even the users' ids are read
    }
    builder.addUnits(unitRows);
    return true;
}

void CUnitUserModel::buildFromTables()
{
    CXTableGroup* groups = m_tables.group;
    CXTableUnit* units = m_tables.unit;
    CXTableUser* users = m_tables.user;
    if (groups == nullptr || units == nullptr || !groups->IsOpen() || !units->IsOpen()) {
        return;
    }
    const bool usersOpen = users != nullptr && users->IsOpen();
    const long userCount = usersOpen ? users->GetRecordCount() : 0;
    OrgTreeBuilder builder(m_tree, m_index, m_texts, m_context);
    if (!buildGroupsAndUnits(builder, static_cast<std::size_t>(userCount)) || userCount == 0) {
        return;
    }
    builder.startUsers(static_cast<std::size_t>(userCount));
    const auto total = static_cast<std::size_t>(units->GetRecordCount() + userCount);
    std::size_t done = static_cast<std::size_t>(units->GetRecordCount());
    reportProgress(done, total);
    for (users->MoveFirst(); !users->IsEOF(); users->MoveNext()) {
        if (++done % 8192 == 0) {
            reportProgress(done, total);
        }
        builder.addUser({users->m_USER_ID, users->m_NAME.get(), users->m_POWER_FLAG, users->m_EMAIL.get(),
                         users->m_MOBILE.get(), users->m_DUTY.get(), users->m_UNIT_ID, users->m_USER_STATUS,
                         users->m_GROUP_ID});
    }
    m_buttonsDue = true;
}

bool CUnitUserModel::refresh()
{
    reportProgress(0, 0);
    // With a reader of its own the user table is read by it, after the units.
    CXRecordset* users = m_userReader ? nullptr : m_tables.user;
    const auto reopen = [this, users] {
        bool open = true;
        for (CXRecordset* t : {static_cast<CXRecordset*>(m_tables.unit), users}) {
            if (t != nullptr) {
                t->Close();
                try {
                    t->Open();
                } catch (const DbError&) {
                    open = false;
                }
            }
        }
        return open;
    };
    bool open = reopen();
    if (!open) {
        // The server may be back since the connection broke: make it anew now rather than at the next
        // tick of the timer.
        m_effects.reconnect();
        open = reopen();
    }
    // Closed tables leave the tree as it is; the next command reports 162.
    if (m_userReader) {
        m_userReader();
    } else {
        buildTree();
    }
    return open;
}

bool CUnitUserModel::tablesAreOpen() const
{
    return m_tables.unit != nullptr && m_tables.unit->IsOpen() && m_tables.user != nullptr && m_tables.user->IsOpen();
}

bool CUnitUserModel::tablesOpen(bool users)
{
    const auto open = [&] {
        return m_tables.unit != nullptr && m_tables.unit->IsOpen() &&
               (!users || (m_tables.user != nullptr && m_tables.user->IsOpen()));
    };
    if (open()) {
        return true;
    }
    m_effects.reconnect();
    return open();
}

void CUnitUserModel::raise(Effect effect)
{
    if (m_atomic) {
        m_heldEffects.push_back(effect);
        return;
    }
    switch (effect) {
    case Effect::UnitsChanged:
        m_unitsChanged = true;
        m_effects.setUnitsChanged();
        break;
    case Effect::UsersChanged:
        m_usersChanged = true;
        m_effects.setUsersChanged();
        break;
    case Effect::GroupsChanged:
        m_effects.setGroupsChanged();
        break;
    case Effect::ServiceButtons:
        m_effects.updateServiceButtons();
        break;
    }
}

void CUnitUserModel::startProgress(std::size_t total)
{
    m_progressDone = 0;
    m_progressTotal = total;
    if (m_progress != nullptr) {
        m_progress->report(0, total);
    }
}

void CUnitUserModel::step(std::size_t steps)
{
    m_progressDone += steps;
    m_progressTotal = std::max(m_progressTotal, m_progressDone);
    if (m_progress != nullptr) {
        m_progress->report(m_progressDone, m_progressTotal);
    }
}

OrgMessage CUnitUserModel::runAtomically(const std::function<OrgMessage()>& write)
{
    CXDatabase* database = m_tables.unit != nullptr ? m_tables.unit->database() : nullptr;
    if (database == nullptr) {
        return {str::kUnableToOpenDb, {}};
    }
    m_heldEffects.clear();
    m_heldRows.clear();
    m_rollBack = false;
    OrgMessage result;
    try {
        DbTransaction transaction(*database);
        m_atomic = true;
        result = write();
        if (!m_rollBack) {
            writeHeldRows();
            transaction.commit();
            step();
        }
    } catch (const std::exception& e) {
        return writeFailed(e, database);
    }
    m_atomic = false;
    if (std::exchange(m_rollBack, false)) {
        m_heldEffects.clear();
        m_heldRows.clear();
        // Rolled back as the transaction went: the record objects still hold what was written.
        refresh();
        return result;
    }
    const std::vector<Effect> effects = std::move(m_heldEffects);
    m_heldEffects.clear();
    m_heldRows.clear();
    for (Effect effect : effects) {
        raise(effect);
    }
    return result;
}

void CUnitUserModel::writeHeldRows()
{
    // Change rows go in the same transaction, a few statements of this many rows each.
    constexpr std::size_t kChangeRowsPerCall = 200;
    m_progressTotal += (m_heldRows.size() + kChangeRowsPerCall - 1) / kChangeRowsPerCall + 1;
    for (std::size_t first = 0; first < m_heldRows.size(); first += kChangeRowsPerCall) {
        const auto last =
            m_heldRows.begin() + static_cast<std::ptrdiff_t>(std::min(first + kChangeRowsPerCall, m_heldRows.size()));
        m_effects.logChanges(std::vector<ChangeRow>(m_heldRows.begin() + static_cast<std::ptrdiff_t>(first), last));
        step();
    }
}

OrgMessage CUnitUserModel::writeFailed(const std::exception& error, const CXDatabase* database)
{
    m_atomic = false;
    m_rollBack = false;
    m_heldEffects.clear();
    m_heldRows.clear();
    const auto* dbError = dynamic_cast<const DbError*>(&error);
    WriteFailure failure = dbError != nullptr ? DescribeWriteFailure(*dbError, database) : WriteFailure{};
    failure.cause = describeFailure(error);
    LogDiagnostic(WriteFailureLogText("A change to units and users", failure));
    if (dbError != nullptr && IsConnectionFailure(*dbError)) {
        m_effects.reconnect();
    }
    // The record objects hold what was written before the failure, and an unconfirmed commit may have
    // kept all of it: read the tables again.
    refresh();
    return {failure.unconfirmed ? str::kCommitUnconfirmed : str::kOperationFailed, {}, std::move(failure)};
}

OrgMessage CUnitUserModel::rowGone()
{
    // Whatever the write did before goes back with it: nothing it carried along stays without the row.
    m_report = {m_report.action, m_report.id};
    m_report.gone = true;
    m_rollBack = true;
    return {};
}

void CUnitUserModel::recordChangedUser(std::int32_t userId)
{
    if (std::find(m_changedUsers.begin(), m_changedUsers.end(), userId) == m_changedUsers.end()) {
        m_changedUsers.push_back(userId);
    }
}

namespace
{
void removeFirst(std::vector<std::string>& list, const std::string& value)
{
    if (value.empty()) {
        return;
    }
    const auto it = std::find(list.begin(), list.end(), value);
    if (it != list.end()) {
        list.erase(it);
    }
}
} // namespace

void CUnitUserModel::removeMobile(const std::string& mobile)
{
    removeFirst(m_index.mobiles, mobile);
}

void CUnitUserModel::removeEmail(const std::string& email)
{
    removeFirst(m_index.emails, email);
}

std::vector<std::int32_t> CUnitUserModel::collectUserIds(OrgTree::NodeId node) const
{
    std::vector<std::int32_t> ids;
    CollectUserIds(m_tree, node, ids);
    return ids;
}

std::pair<OrgMessage, EditTarget> CUnitUserModel::editTarget()
{
    if (!tablesOpen(false)) {
        return {{str::kUnableToOpenDb, {}}, EditTarget::None};
    }
    if (m_selected == OrgTree::kNone) {
        return {{str::kSelectItemFromList, {}}, EditTarget::None};
    }
    switch (m_tree.kind(m_selected)) {
    case NodeKind::Unit:
        return {{}, EditTarget::Unit};
    case NodeKind::User:
        return {{}, EditTarget::User};
    default:
        return {{}, EditTarget::None};
    }
}

OrgMessage CUnitUserModel::deleteSelected(const std::function<bool(int)>& confirm)
{
    if (!tablesOpen(true)) {
        return {str::kUnableToOpenDb, {}};
    }
    if (m_selected == OrgTree::kNone) {
        return {str::kSelectItemFromList, {}};
    }
    const NodeKind kind = m_tree.kind(m_selected);
    if (kind == NodeKind::Group) {
        return {str::kCannotDeleteGroupHere, {}};
    }
    if (m_tree.hasChildren(m_selected)) {
        return {str::kHasSubNodes, {}};
    }
    if (!confirm(str::kConfirmDeleteItemTree)) {
        return {};
    }
    if (kind == NodeKind::User) {
        return deleteUser(m_tree.itemData(m_selected));
    }
    return deleteUnit(m_selected, m_tree.itemData(m_selected));
}

OrgMessage CUnitUserModel::runUserWrite(OrgChangeReport::Action action, std::int32_t userId,
                                        const std::function<OrgMessage()>& write)
{
    m_report = {action, userId};
    const OrgMessage result = runAtomically(write);
    if (result.messageId == str::kCommitUnconfirmed) {
        m_report = {}; // not known to be kept: the tables as read again tell
    } else if (result.messageId == str::kOperationFailed) {
        // Rolled back: the user written before the failure is not there after all.
        m_report = {action, userId};
        m_report.failed = true;
    }
    return result;
}

OrgMessage CUnitUserModel::deleteUser(std::int32_t userId)
{
    m_report = {OrgChangeReport::Action::UserDeleted, userId};
    bool deleted = false;
    OrgMessage result = runAtomically([&]() -> OrgMessage {
        CXTableUser& t = *m_tables.user;
        for (t.MoveFirst(); !t.IsEOF(); t.MoveNext()) {
            if (t.m_USER_ID == userId) {
                // A user another program deleted first is gone already; one it changed is not deleted.
                if (DeleteRow(t) == RowWrite::Written) {
                    deleted = true;
                    raise(Effect::UsersChanged);
                    raise(Effect::ServiceButtons);
                    logUser(userId, 1);
                }
                break;
            }
        }
        return {};
    });
    if (result) {
        m_report.failed = true; // nothing of the delete stays
    } else {
        m_report.written = deleted;
        m_report.gone = !deleted; // deleted by another program first, or no longer there at all
        if (deleted) {
            m_changedUsers.push_back(userId);
            if (const auto change = CommittedUserChange(*m_tables.user, {UserIdChange::Kind::Deleted, userId})) {
                UserRecordFiles files(m_domainUsers, MultiUnitUsersPath());
                files.follow({*change});
                noteFileFailures(files.save());
            }
        }
        refresh(); // a failed delete has read the tables again already
    }
    return result;
}

void CUnitUserModel::noteFileFailures(std::vector<FileFailure> failures)
{
    m_fileFailures.insert(m_fileFailures.end(), failures.begin(), failures.end());
}

OrgMessage CUnitUserModel::deleteUnit(OrgTree::NodeId node, std::int32_t unitId)
{
    m_report = {OrgChangeReport::Action::UnitDeleted, unitId};
    bool deleted = false;
    const OrgMessage result = runAtomically([&]() -> OrgMessage {
        CXTableUnit& t = *m_tables.unit;
        for (t.MoveFirst(); !t.IsEOF(); t.MoveNext()) {
            if (t.m_UNIT_ID == unitId) {
                if (DeleteRow(t) == RowWrite::Written) {
                    deleted = true;
                    raise(Effect::UnitsChanged);
                    raise(Effect::ServiceButtons);
                    logUnit(unitId, 1);
                }
                break;
            }
        }
        return {};
    });
    if (result) {
        // Changed meanwhile, or the write failed: nothing of the delete stays and the tree was rebuilt.
        m_report.failed = true;
        return result;
    }
    m_report.written = deleted;
    m_report.gone = !deleted; // deleted by another program first, or no longer there at all
    // Deleted now, or by another program before: either way the node goes.
    const auto it = m_index.unitNodes.find(unitId);
    if (it != m_index.unitNodes.end() && it->second == node) {
        m_index.unitNodes.erase(it);
    }
    m_selected = NearestNeighbour(m_tree, node);
    m_tree.remove(node);
    return {};
}

OrgTree::NodeId CUnitUserModel::searchStartNode() const
{
    return m_selected != OrgTree::kNone ? m_selected : m_tree.firstChild(OrgTree::kRoot);
}

int CUnitUserModel::checkSearchInput(std::string_view input)
{
    return input.empty() ? str::kInputUserOrDepartment : 0;
}

SearchOutcome CUnitUserModel::search(std::string_view input) const
{
    SearchOutcome out;
    const OrgTree::NodeId start = searchStartNode();
    if (start == OrgTree::kNone) {
        return out;
    }
    if (const int message = checkSearchInput(input)) {
        out.message = {message, {}};
        return out;
    }
    if (m_tree.text(start).find(input) != std::string_view::npos) {
        out.scrollToTop = start;
        return out;
    }
    for (OrgTree::NodeId n = m_tree.firstChild(start); n != OrgTree::kNone; n = m_tree.nextInSubtree(n, start)) {
        if (m_tree.text(n).find(input) != std::string_view::npos) {
            out.select = n;
            return out;
        }
    }
    out.message = {str::kNotFoundFormat, std::string(input)};
    return out;
}

SheetIntakeStart CUnitUserModel::sheetIntake(long long windowHandle) const
{
    if (!m_context.systemManager) {
        return {{str::kOnlyAdministrator, {}}, {}};
    }
    std::string groups;
    std::int32_t selectedGroup = 0;
    for (OrgTree::NodeId n = m_tree.firstChild(OrgTree::kRoot); n != OrgTree::kNone; n = m_tree.nextSibling(n)) {
        std::string text(m_tree.text(n));
        std::transform(text.begin(), text.end(), text.begin(),
                       [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
        const std::size_t marker = text.find("[id:");
        if (marker == std::string::npos) {
            continue;
        }
        const std::string rest = text.substr(marker + 4);
        const std::size_t close = rest.find(']');
        if (close == std::string::npos || close == 0) {
            continue;
        }
        groups += rest.substr(0, close) + "|";
        if (n == m_selected) {
            selectedGroup = ReadIdFromText(text);
        }
    }
    return {{}, "-bysys-h" + std::to_string(windowHandle) + "-grps" + groups + "-dgrp" + std::to_string(selectedGroup)};
}

OrgButtons CUnitUserModel::buttonsAfterClick() const
{
    const bool any = m_selected != OrgTree::kNone;
    return {any, any, any};
}

std::optional<OrgButtons> CUnitUserModel::takeButtonsAfterBuild()
{
    if (!std::exchange(m_buttonsDue, false)) {
        return std::nullopt;
    }
    return buttonsAfterClick();
}

OrgButtons CUnitUserModel::buttonsForNewSelection(OrgTree::NodeId node) const
{
    const bool on = m_tree.isValid(node) && node != OrgTree::kRoot && m_tree.kind(node) != NodeKind::Group;
    return {on, on, on};
}

std::vector<OrgMenuItem> CUnitUserModel::contextMenu() const
{
    if (m_selected == OrgTree::kNone || m_tree.kind(m_selected) == NodeKind::Group) {
        return {OrgMenuItem::AddUnit, OrgMenuItem::Separator, OrgMenuItem::Search};
    }
    return {OrgMenuItem::AddUnit, OrgMenuItem::AddUser,   OrgMenuItem::Separator, OrgMenuItem::Edit,
            OrgMenuItem::Delete,  OrgMenuItem::Separator, OrgMenuItem::Search};
}

EnterAction CUnitUserModel::enterAction() const
{
    return m_selected != OrgTree::kNone && m_tree.kind(m_selected) == NodeKind::User ? EnterAction::Edit
                                                                                     : EnterAction::ToggleExpand;
}

} // namespace qar
