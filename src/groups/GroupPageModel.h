#pragma once

#include "db/WriteFailure.h"
#include "groups/GroupForm.h"
#include "platform/SafeFile.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace qar
{

class CChangeLog;
class CXTableGroup;
class CXTableUnit;
class CXTableUser;
struct ChangeRow;

/// What a change to the groups makes known outside the page, in the order every change follows: the
/// row is written, then the page's flag is set, then the service buttons are updated, then the change
/// row is logged.
struct IGroupEffects
{
    virtual ~IGroupEffects() = default;
    virtual void updateServiceButtons() = 0;
    /// Writes a change row while the server runs; throws DbError when it cannot be written.
    virtual void logChange(const std::string& table, const std::string& field, std::int32_t key,
                           std::uint8_t action) = 0;
    /// The change rows of one operation in their order; throws DbError.
    virtual void logChanges(const std::vector<ChangeRow>& rows);
    /// The connection was found broken: reconnect at once, silently, as the refresh timer does.
    virtual void reconnect() {}
};

/// Effects for the main window: change rows through its change log, the buttons through a callback.
class ChangeLogGroupEffects : public IGroupEffects
{
public:
    explicit ChangeLogGroupEffects(CChangeLog& log) : m_log(log) {}
    std::function<void()> onUpdateServiceButtons;
    std::function<void()> onReconnect;

    void updateServiceButtons() override
    {
        if (onUpdateServiceButtons) {
            onUpdateServiceButtons();
        }
    }
    void logChange(const std::string& table, const std::string& field, std::int32_t key, std::uint8_t action) override;
    void logChanges(const std::vector<ChangeRow>& rows) override;
    void reconnect() override
    {
        if (onReconnect) {
            onReconnect();
        }
    }

private:
    CChangeLog& m_log;
};

/// A row of the groups list.
struct GroupListRow
{
    std::int32_t id = 0;
    std::string name;
    std::string url;
};

/// Which of Add, Edit and Delete (buttons and menu entries) can be used.
struct GroupButtons
{
    bool add = false;
    bool edit = false;
    bool remove = false;
};

/// The group editor about to be shown: its checks, the fields it opens with, and for an edit the
/// group as it was read.
struct GroupEditSession
{
    GroupFormSetup setup;
    GroupFields fields;
    std::optional<GroupRecord> stored;
};

/// How storing the editor's group ended.
enum class GroupStore
{
    Written,     ///< the row and its change row are written
    Unchanged,   ///< an edit that changed nothing: nothing written, nothing logged
    Gone,        ///< the edited group was deleted meanwhile: the command ends without a message
    Failed,      ///< 253: nothing written (a database error)
    Unconfirmed, ///< the server did not confirm the commit: the list, read again, shows what was kept
    Changed,     ///< 253: another program changed the group meanwhile; nothing written, and the session
                 ///< now holds the group as it is stored, so that OK again saves over it
    NumberTaken, ///< 203: another program gave a group the number meanwhile; nothing written
};

/// The tables a group's members live in: renumbering a group moves them along, deleting one counts them.
struct GroupMemberTables
{
    CXTableUnit* unit = nullptr;
    CXTableUser* user = nullptr;
};

/// What Delete asks before a group goes: 160, or, while units or users still name the group,
/// kGroupInUseConfirm with their numbers.
struct GroupDeleteQuestion
{
    int messageId = 0;
    std::int32_t group = 0;
    long long units = 0;
    long long users = 0;
};

/// The core of the groups page: the list, its button rules and the commands on the groups table. The
/// view shows the list, asks and tells the administrator, and opens the editor.
class GroupPageModel
{
public:
    GroupPageModel(CXTableGroup* table, IGroupEffects& effects, GroupMemberTables members = {});

    /// Fills the list from the record object: false, with the list as it was, when the object is closed
    /// or holds no rows.
    bool load();
    /// "Refresh": closes and reopens the record object, then loads. When it cannot be read the connection
    /// is made anew at once and the table read again; false (the list as it was) when that fails too.
    bool refresh();
    /// The list in the order of the record object (the view sorts it by the text of the number).
    const std::vector<GroupListRow>& rows() const { return m_rows; }
    /// "%d - name" of every row, for the account lists.
    std::vector<std::string> groupTexts() const;

    /// Edit while a row is selected; Delete while a row is selected and the server is installed beside
    /// the program; Add whenever it is.
    static GroupButtons buttons(bool rowSelected, bool serverInstalled);

    bool groupsChanged() const { return m_groupsChanged; }
    /// A renumbered group took units or users along: the server reads those again too.
    bool unitsChanged() const { return m_unitsChanged; }
    bool usersChanged() const { return m_usersChanged; }
    void clearChangeFlags() { m_groupsChanged = m_unitsChanged = m_usersChanged = false; }

    /// Add: 162, or the editor on a new group with the proposed number.
    std::variant<int, GroupEditSession> startAdd();
    /// Edit of the group `id`: 162, nothing (0: the group is gone), or the editor on it.
    std::variant<int, GroupEditSession> startEdit(std::int32_t id);
    /// OK of the editor: writes the group (added, or edited over the row as it was read). The number is
    /// checked against the table inside the write. A renumbered group's units and users move with it in
    /// the same transaction, announced as the old number deleted, then the new one added; its files
    /// follow after the commit (what could not be moved waits in takeFileFailures()).
    GroupStore store(GroupEditSession& session, const GroupRecord& group);
    /// Files a renumbered group's last store could not move; forgotten once taken.
    std::vector<FileFailure> takeFileFailures() { return std::exchange(m_fileFailures, {}); }

    /// Delete of the group `selected` (none when no row is selected): 162, 189, 191, or 0 when done, or
    /// cancelled by `confirm`, or the group was gone already; 253 when it could not be deleted,
    /// kCommitUnconfirmed when the server never confirmed it.
    int deleteGroup(std::optional<std::int32_t> selected,
                    const std::function<bool(const GroupDeleteQuestion& question)>& confirm);

    /// "Prop Setup" saved the group's property file: service buttons, then the change row. 253 when the
    /// row cannot be written.
    int propertiesSaved(std::int32_t group);
    /// "File Setup" changed the group's configuration files.
    int configFilesSaved(std::int32_t group);

    /// Why the last write of a group failed, for the message's details.
    const WriteFailure& lastWriteFailure() const { return m_lastFailure; }

private:
    /// Logs a failed write and keeps it for the message; true when its outcome is unknown.
    bool writeFailed(const char* what, const DbError& error);
    bool findGroup(std::int32_t id);
    GroupRecord current() const;
    std::vector<std::int32_t> numbers() const;
    void groupWritten();
    bool reopen();
    /// Whether the record object is open; when not, the connection is made anew first.
    bool tableOpen();
    /// Moves the members of group `from` to `to`; throws DbError.
    void moveMembers(std::int32_t from, std::int32_t to);
    /// The store's writes inside its transaction; throws DbError.
    GroupStore writeGroup(GroupEditSession& session, const GroupRecord& group);
    /// The session takes the group as it is stored now, for the editor's next OK.
    GroupStore reloadStored(GroupEditSession& session);
    GroupDeleteQuestion deleteQuestion(std::int32_t group);

    CXTableGroup* m_table;
    IGroupEffects& m_effects;
    GroupMemberTables m_members;
    std::vector<GroupListRow> m_rows;
    bool m_groupsChanged = false;
    bool m_unitsChanged = false;
    bool m_usersChanged = false;
    long long m_movedUnits = 0; ///< by the running store
    long long m_movedUsers = 0;
    std::vector<FileFailure> m_fileFailures;
    WriteFailure m_lastFailure;
};

} // namespace qar
