#include "groups/GroupPageModel.h"

#include "db/CXTableGroup.h"
#include "db/CXTableUnit.h"
#include "db/CXTableUser.h"
#include "db/ChangeLog.h"
#include "db/DbTransaction.h"
#include "db/OdbcError.h"
#include "db/TableMap.h"
#include "groups/GroupConfigFiles.h"
#include "platform/DiagnosticLog.h"
#include "resources/StringIds.h"

namespace qar
{

void IGroupEffects::logChanges(const std::vector<ChangeRow>& rows)
{
    for (const ChangeRow& row : rows) {
        logChange(row.table, row.field, row.key, row.action);
    }
}

void ChangeLogGroupEffects::logChange(const std::string& table, const std::string& field, std::int32_t key,
                                      std::uint8_t action)
{
    m_log.LogChange(table, field, key, action);
}

void ChangeLogGroupEffects::logChanges(const std::vector<ChangeRow>& rows)
{
    m_log.LogChanges(rows);
}

GroupPageModel::GroupPageModel(CXTableGroup* table, IGroupEffects& effects, GroupMemberTables members)
    : m_table(table), m_effects(effects), m_members(members)
{}

bool GroupPageModel::load()
{
    if (m_table == nullptr || !m_table->IsOpen() || m_table->GetRecordCount() == 0) {
        return false;
    }
    m_rows.clear();
    m_rows.reserve(static_cast<std::size_t>(m_table->GetRecordCount()));
    for (m_table->MoveFirst(); !m_table->IsEOF(); m_table->MoveNext()) {
        m_rows.push_back({m_table->m_GROUP_ID, m_table->m_GROUP_NAME, m_table->m_GROUP_URL});
    }
    return true;
}

bool GroupPageModel::reopen()
{
    if (m_table == nullptr) {
        return false;
    }
    m_table->Close();
    try {
        m_table->Open();
    } catch (const DbError&) {
        return false; // a closed object leaves the list as it is; the next command reports 162
    }
    return true;
}

bool GroupPageModel::refresh()
{
    bool open = reopen();
    if (!open && m_table != nullptr) {
        // The server may be back since the connection broke: make it anew now rather than at the next
        // tick of the timer, as the units page does.
        m_effects.reconnect();
        open = reopen();
    }
    load();
    return open;
}

bool GroupPageModel::tableOpen()
{
    if (m_table == nullptr) {
        return false;
    }
    if (!m_table->IsOpen()) {
        m_effects.reconnect();
    }
    return m_table->IsOpen() && m_table->database() != nullptr;
}

std::vector<std::string> GroupPageModel::groupTexts() const
{
    std::vector<std::string> texts;
    texts.reserve(m_rows.size());
    for (const GroupListRow& r : m_rows) {
        texts.push_back(std::to_string(r.id) + " - " + r.name);
    }
    return texts;
}

GroupButtons GroupPageModel::buttons(bool rowSelected, bool serverInstalled)
{
    return {serverInstalled, rowSelected, rowSelected && serverInstalled};
}

std::vector<std::int32_t> GroupPageModel::numbers() const
{
    std::vector<std::int32_t> ids;
    ids.reserve(m_rows.size());
    for (const GroupListRow& r : m_rows) {
        ids.push_back(r.id);
    }
    return ids;
}

bool GroupPageModel::findGroup(std::int32_t id)
{
    if (m_table == nullptr || !m_table->IsOpen() || m_table->GetRecordCount() == 0) {
        return false;
    }
    for (m_table->MoveFirst(); !m_table->IsEOF(); m_table->MoveNext()) {
        if (m_table->m_GROUP_ID == id) {
            return true;
        }
    }
    return false;
}

GroupRecord GroupPageModel::current() const
{
    const CXTableGroup& t = *m_table;
    return {t.m_GROUP_ID,
            t.m_GROUP_NAME,
            t.m_GROUP_URL,
            static_cast<std::uint32_t>(t.m_GROUP_FTP_IP.get()),
            static_cast<std::uint32_t>(t.m_GROUP_CWA_IP.get()),
            t.m_GROUP_COUNT,
            static_cast<std::uint32_t>(t.m_GROUP_POWER.get())};
}

std::variant<int, GroupEditSession> GroupPageModel::startAdd()
{
    if (!tableOpen()) {
        return str::kUnableToOpenDb;
    }
    GroupEditSession session;
    session.setup.existingNumbers = numbers();
    session.fields = NewGroupFields(ProposeGroupNumber(session.setup.existingNumbers));
    return session;
}

std::variant<int, GroupEditSession> GroupPageModel::startEdit(std::int32_t id)
{
    if (!tableOpen()) {
        return str::kUnableToOpenDb;
    }
    if (!findGroup(id)) {
        return 0;
    }
    GroupEditSession session;
    session.stored = current();
    session.setup.existingNumbers = numbers();
    session.setup.startNumber = id;
    session.fields = FieldsOf(*session.stored);
    return session;
}

namespace
{
void assign(CXTableGroup& t, const GroupRecord& g)
{
    t.m_GROUP_ID = g.id;
    t.m_GROUP_NAME = g.name;
    t.m_GROUP_URL = g.url;
    t.m_GROUP_FTP_IP = static_cast<std::int32_t>(g.ftpIp);
    t.m_GROUP_CWA_IP = static_cast<std::int32_t>(g.cwaIp);
    t.m_GROUP_COUNT = g.count;
    t.m_GROUP_POWER = static_cast<std::int32_t>(g.power);
}
} // namespace

void GroupPageModel::groupWritten()
{
    m_groupsChanged = true;
    m_effects.updateServiceButtons();
}

void GroupPageModel::moveMembers(std::int32_t from, std::int32_t to)
{
    if (CXTableUnit* units = m_members.unit) {
        if (!units->IsOpen()) {
            units->Open();
        }
        m_movedUnits = units->UpdateWhere(units->m_GROUP_ID, to, units->m_GROUP_ID, from);
    }
    if (CXTableUser* users = m_members.user) {
        if (!users->IsOpen()) {
            users->Open();
        }
        m_movedUsers = users->UpdateWhere(users->m_GROUP_ID, to, users->m_GROUP_ID, from);
    }
}

GroupStore GroupPageModel::reloadStored(GroupEditSession& session)
{
    session.stored = current();
    session.setup.existingNumbers = numbers();
    return GroupStore::Changed;
}

GroupStore GroupPageModel::writeGroup(GroupEditSession& session, const GroupRecord& group)
{
    const bool editing = session.stored.has_value();
    const std::int32_t oldNumber = editing ? session.stored->id : 0;
    const bool renumbered = editing && oldNumber != group.id;
    // The editor checked the number against the list as it was read; another program may have given a
    // group that number since. Two groups of one number would share their members.
    if ((!editing || renumbered) && !m_table->SelectKeysWhere(m_table->m_GROUP_ID, group.id).empty()) {
        return GroupStore::NumberTaken;
    }
    if (!editing) {
        m_table->AddNew();
        assign(*m_table, group);
        m_table->Update();
    } else {
        if (!findGroup(oldNumber)) {
            return GroupStore::Gone;
        }
        // The object may have been read again since the editor opened (the timed refresh): a row that
        // differs from what the administrator started from was changed by someone else.
        if (current() != *session.stored) {
            return reloadStored(session);
        }
        m_table->Edit();
        assign(*m_table, group);
        switch (UpdateRow(*m_table)) {
        case RowWrite::Written:
            break;
        case RowWrite::NothingChanged:
            return GroupStore::Unchanged;
        case RowWrite::AlreadyGone:
            return GroupStore::Gone;
        }
    }
    const std::string table = GetTableName(TableId::Group);
    if (renumbered) {
        // The members follow the number, and the server hears of a key change as the old key deleted, then
        // the new one added.
        moveMembers(oldNumber, group.id);
        m_effects.logChanges({{table, kGroupKeyField, oldNumber, static_cast<std::uint8_t>(ChangeAct::Deleted)},
                              {table, kGroupKeyField, group.id, static_cast<std::uint8_t>(ChangeAct::Added)}});
    } else {
        const ChangeAct act = editing ? ChangeAct::Modified : ChangeAct::Added;
        m_effects.logChange(table, kGroupKeyField, group.id, static_cast<std::uint8_t>(act));
    }
    return GroupStore::Written;
}

GroupStore GroupPageModel::store(GroupEditSession& session, const GroupRecord& group)
{
    if (m_table == nullptr || !m_table->IsOpen() || m_table->database() == nullptr) {
        return GroupStore::Failed;
    }
    if (session.stored && GroupUnchanged(*session.stored, group)) {
        return GroupStore::Unchanged;
    }
    const bool editing = session.stored.has_value();
    const std::int32_t oldNumber = editing ? session.stored->id : 0;
    m_movedUnits = m_movedUsers = 0;
    GroupStore result = GroupStore::Failed;
    try {
        // The row, the members it takes along and the change rows are kept together or not at all: a group
        // the server is never told about would stay unknown to it until it restarts.
        DbTransaction transaction(*m_table->database());
        result = writeGroup(session, group);
        if (result == GroupStore::Written) {
            transaction.commit();
        }
    } catch (const RowMatchError& e) {
        // Changed by another program since the row was read: the next try works on the row as it is now.
        writeFailed("A change to a group", e);
        refresh();
        const bool changed = e.matchedRows() == 0 && !e.rowDeleted() && editing && findGroup(oldNumber);
        return changed ? reloadStored(session) : GroupStore::Failed;
    } catch (const DbError& e) {
        // Nothing of the write stays (unless the commit went unconfirmed), and the next try works on the row
        // as it is now.
        const bool unconfirmed = writeFailed("A change to a group", e);
        refresh();
        return unconfirmed ? GroupStore::Unconfirmed : GroupStore::Failed;
    }
    if (result == GroupStore::NumberTaken || result == GroupStore::Gone) {
        refresh();
        session.setup.existingNumbers = numbers();
    }
    if (result != GroupStore::Written) {
        return result;
    }
    groupWritten();
    m_unitsChanged |= m_movedUnits > 0;
    m_usersChanged |= m_movedUsers > 0;
    if (editing && oldNumber != group.id) {
        m_fileFailures = MoveGroupFiles(oldNumber, group.id);
    }
    if (!editing) {
        reopen();
    }
    load();
    return GroupStore::Written;
}

GroupDeleteQuestion GroupPageModel::deleteQuestion(std::int32_t group)
{
    GroupDeleteQuestion question{str::kConfirmDeleteItem, group, 0, 0};
    if (CXTableUnit* units = m_members.unit; units != nullptr && units->IsOpen()) {
        question.units = units->CountWhere(units->m_GROUP_ID, group);
    }
    if (CXTableUser* users = m_members.user; users != nullptr && users->IsOpen()) {
        question.users = users->CountWhere(users->m_GROUP_ID, group);
    }
    if (question.units + question.users > 0) {
        question.messageId = str::kGroupInUseConfirm;
    }
    return question;
}

int GroupPageModel::deleteGroup(std::optional<std::int32_t> selected,
                                const std::function<bool(const GroupDeleteQuestion&)>& confirm)
{
    if (!tableOpen()) {
        return str::kUnableToOpenDb;
    }
    if (m_rows.size() < 2) {
        return str::kOneRecordAtLeast;
    }
    if (!selected) {
        return 0;
    }
    if (*selected == 0) {
        return str::kGroupZeroReserved;
    }
    GroupDeleteQuestion question;
    try {
        question = deleteQuestion(*selected);
    } catch (const DbError& e) {
        writeFailed("The deletion of a group", e);
        refresh();
        return str::kOperationFailed;
    }
    if (!confirm(question) || !findGroup(*selected)) {
        return 0;
    }
    try {
        DbTransaction transaction(*m_table->database());
        if (DeleteRow(*m_table) == RowWrite::AlreadyGone) {
            transaction.commit();
            refresh(); // another program deleted it first: nothing to say
            return 0;
        }
        m_effects.logChange(GetTableName(TableId::Group), kGroupKeyField, *selected,
                            static_cast<std::uint8_t>(ChangeAct::Deleted));
        transaction.commit();
    } catch (const DbError& e) {
        // Nothing of the delete stays (unless the commit went unconfirmed): the list shows the row as it is.
        const bool unconfirmed = writeFailed("The deletion of a group", e);
        refresh();
        return unconfirmed ? str::kCommitUnconfirmed : str::kOperationFailed;
    }
    groupWritten();
    reopen();
    // An emptied table loads nothing: the deleted row must still leave the list.
    if (!load()) {
        m_rows.clear();
    }
    return 0;
}

bool GroupPageModel::writeFailed(const char* what, const DbError& error)
{
    m_lastFailure = DescribeWriteFailure(error, m_table->database());
    LogDiagnostic(WriteFailureLogText(what, m_lastFailure));
    return m_lastFailure.unconfirmed;
}

int GroupPageModel::propertiesSaved(std::int32_t group)
{
    try {
        m_effects.updateServiceButtons();
        m_effects.logChange(kXmlFileTable, kGroupDataFileField, group, static_cast<std::uint8_t>(ChangeAct::Modified));
    } catch (const DbError&) {
        return str::kOperationFailed;
    }
    return 0;
}

int GroupPageModel::configFilesSaved(std::int32_t group)
{
    try {
        m_effects.updateServiceButtons();
        m_effects.logChange(kXmlFileTable, kGroupXmlFilesField, group, static_cast<std::uint8_t>(ChangeAct::Modified));
    } catch (const DbError&) {
        return str::kOperationFailed;
    }
    return 0;
}

} // namespace qar
