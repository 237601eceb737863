#pragma once

#include "db/WriteFailure.h"
#include "groups/GroupForm.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace qar
{

class CChangeLog;
class CXTableGroup;

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
};

/// Effects for the main window: change rows through its change log, the buttons through a callback.
class ChangeLogGroupEffects : public IGroupEffects
{
public:
    explicit ChangeLogGroupEffects(CChangeLog& log) : m_log(log) {}
    std::function<void()> onUpdateServiceButtons;

    void updateServiceButtons() override
    {
        if (onUpdateServiceButtons) {
            onUpdateServiceButtons();
        }
    }
    void logChange(const std::string& table, const std::string& field, std::int32_t key, std::uint8_t action) override;

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
    Failed,      ///< 253: nothing written (a database error, or the group was changed meanwhile)
    Unconfirmed, ///< the server did not confirm the commit: the list, read again, shows what was kept
};

/// The core of the groups page: the list, its button rules and the commands on the groups table. The
/// view shows the list, asks and tells the administrator, and opens the editor.
class GroupPageModel
{
public:
    GroupPageModel(CXTableGroup* table, IGroupEffects& effects);

    /// Fills the list from the record object: false, with the list as it was, when the object is closed
    /// or holds no rows.
    bool load();
    /// "Refresh": closes and reopens the record object, then loads.
    void refresh();
    /// The list in the order of the record object (the view sorts it by the text of the number).
    const std::vector<GroupListRow>& rows() const { return m_rows; }
    /// "%d - name" of every row, for the account lists.
    std::vector<std::string> groupTexts() const;

    /// Edit while a row is selected; Delete while a row is selected and the server is installed beside
    /// the program; Add whenever it is.
    static GroupButtons buttons(bool rowSelected, bool serverInstalled);

    bool groupsChanged() const { return m_groupsChanged; }
    void clearChangeFlags() { m_groupsChanged = false; }

    /// Add: 162, or the editor on a new group with the proposed number.
    std::variant<int, GroupEditSession> startAdd() const;
    /// Edit of the group `id`: 162, nothing (0: the group is gone), or the editor on it.
    std::variant<int, GroupEditSession> startEdit(std::int32_t id);
    /// OK of the editor: writes the group (added, or edited over the row as it was read).
    GroupStore store(const GroupEditSession& session, const GroupRecord& group);

    /// Delete of the group `selected` (none when no row is selected): 162, 189, 191, or 0 when done, or
    /// cancelled by `confirm` (asked 160), or the group was gone already; 253 when it could not be deleted,
    /// kCommitUnconfirmed when the server never confirmed it.
    int deleteGroup(std::optional<std::int32_t> selected, const std::function<bool(int messageId)>& confirm);

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
    void reopen();

    CXTableGroup* m_table;
    IGroupEffects& m_effects;
    std::vector<GroupListRow> m_rows;
    bool m_groupsChanged = false;
    WriteFailure m_lastFailure;
};

} // namespace qar
