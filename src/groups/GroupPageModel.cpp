#include "groups/GroupPageModel.h"

#include "db/CXTableGroup.h"
#include "db/ChangeLog.h"
#include "db/DbTransaction.h"
#include "db/OdbcError.h"
#include "db/TableMap.h"
#include "platform/DiagnosticLog.h"
#include "resources/StringIds.h"

namespace qar
{

void ChangeLogGroupEffects::logChange(const std::string& table, const std::string& field, std::int32_t key,
                                      std::uint8_t action)
{
    m_log.LogChange(table, field, key, action);
}

GroupPageModel::GroupPageModel(CXTableGroup* table, IGroupEffects& effects) : m_table(table), m_effects(effects) {}

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

void GroupPageModel::reopen()
{
    if (m_table == nullptr) {
        return;
    }
    m_table->Close();
    try {
        m_table->Open();
    } catch (const DbError&) {
        // A closed object leaves the list as it is; the next command reports 162.
    }
}

void GroupPageModel::refresh()
{
    reopen();
    load();
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

std::variant<int, GroupEditSession> GroupPageModel::startAdd() const
{
    if (m_table == nullptr || !m_table->IsOpen()) {
        return str::kUnableToOpenDb;
    }
    GroupEditSession session;
    session.setup.existingNumbers = numbers();
    session.fields = NewGroupFields(ProposeGroupNumber(session.setup.existingNumbers));
    return session;
}

std::variant<int, GroupEditSession> GroupPageModel::startEdit(std::int32_t id)
{
    if (m_table == nullptr || !m_table->IsOpen()) {
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

GroupStore GroupPageModel::store(const GroupEditSession& session, const GroupRecord& group)
{
    if (m_table == nullptr || !m_table->IsOpen() || m_table->database() == nullptr) {
        return GroupStore::Failed;
    }
    if (session.stored && GroupUnchanged(*session.stored, group)) {
        return GroupStore::Unchanged;
    }
    const auto action = static_cast<std::uint8_t>(session.stored ? ChangeAct::Modified : ChangeAct::Added);
    try {
        // The row and its change row are kept together or not at all: a group the server is never told
        // about would stay unknown to it until it restarts.
        DbTransaction transaction(*m_table->database());
        if (!session.stored) {
            m_table->AddNew();
            assign(*m_table, group);
            m_table->Update();
        } else {
            if (!findGroup(session.stored->id)) {
                load();
                return GroupStore::Gone;
            }
            // The object may have been read again since the editor opened (the timed refresh): a row that
            // differs from what the administrator started from was changed by someone else.
            if (current() != *session.stored) {
                return GroupStore::Failed;
            }
            m_table->Edit();
            assign(*m_table, group);
            switch (UpdateRow(*m_table)) {
            case RowWrite::Written:
                break;
            case RowWrite::NothingChanged:
                return GroupStore::Unchanged;
            case RowWrite::AlreadyGone:
                transaction.commit();
                refresh();
                return GroupStore::Gone;
            }
        }
        m_effects.logChange(GetTableName(TableId::Group), kGroupKeyField, group.id, action);
        transaction.commit();
    } catch (const DbError& e) {
        // A database error, or the row was changed by another program since it was read: nothing of the
        // write stays (unless the commit went unconfirmed), and the next try works on the row as it is now.
        const bool unconfirmed = writeFailed("A change to a group", e);
        refresh();
        return unconfirmed ? GroupStore::Unconfirmed : GroupStore::Failed;
    }
    groupWritten();
    if (!session.stored) {
        reopen();
    }
    load();
    return GroupStore::Written;
}

int GroupPageModel::deleteGroup(std::optional<std::int32_t> selected, const std::function<bool(int)>& confirm)
{
    if (m_table == nullptr || !m_table->IsOpen() || m_table->database() == nullptr) {
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
    if (!confirm(str::kConfirmDeleteItem) || !findGroup(*selected)) {
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
