#pragma once

#include "db/WriteFailure.h"
#include "org/IOrgEffects.h"
#include "org/OrgChangeReport.h"
#include "org/OrgPlace.h"
#include "org/OrgRows.h"
#include "org/OrgTexts.h"
#include "org/OrgTree.h"
#include "org/OrgTreeBuilder.h"
#include "org/UnitForm.h"
#include "platform/Progress.h"
#include "platform/SafeFile.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

namespace qar
{

class RowStore;

class CXTableGroup;
class CXTableUnit;
class CXTableUser;
class DomainUserFile;

/// A message for the user: a string-table id (0 for none), the text its "%s" takes, and why a write failed
/// (offered under "Details").
struct OrgMessage
{
    OrgMessage() = default;
    OrgMessage(int id, std::string text, WriteFailure why = {})
        : messageId(id), arg(std::move(text)), failure(std::move(why))
    {}

    int messageId = 0;
    std::string arg;
    WriteFailure failure; ///< why a write failed, for the message's details

    explicit operator bool() const { return messageId != 0; }
};

/// The record objects of the main window the page works on.
struct OrgTables
{
    CXTableGroup* group = nullptr;
    CXTableUnit* unit = nullptr;
    CXTableUser* user = nullptr;
};

/// Which of "Add user", "Edit" and "Delete" are enabled.
struct OrgButtons
{
    bool addUser = false;
    bool edit = false;
    bool remove = false;
};

/// Entries of the tree's context menu.
enum class OrgMenuItem
{
    AddUnit,
    AddUser,
    Edit,
    Delete,
    Search,
    Separator,
};

/// What "Edit" opens for the selected node.
enum class EditTarget
{
    None,
    Unit,
    User,
};

/// What the Enter key does on the page.
enum class EnterAction
{
    Edit,
    ToggleExpand,
};

/// Outcome of a search: the node to select, or the node to scroll to the top, or a message.
struct SearchOutcome
{
    OrgTree::NodeId select = OrgTree::kNone;
    OrgTree::NodeId scrollToTop = OrgTree::kNone;
    OrgMessage message;
};

/// The spreadsheet tool's start: refused with a message, or its parameters.
struct SheetIntakeStart
{
    OrgMessage message;
    std::string parameters; ///< "-bysys-h%d-grps%s-dgrp%d"
};

/// Every column of a unit row as the edit form was loaded from it: at OK the row must still hold these
/// values, whatever the table was read again meanwhile, or another program changed it.
struct StoredUnit
{
    UnitRow row;
    std::string password;
    std::int32_t attribute = 0;
    std::int32_t olTime = 0;
    std::optional<std::int32_t> weight; ///< only where the table has the weight column; nullopt for NULL

    bool operator==(const StoredUnit&) const = default;
};

/// A unit form about to be shown: its model, the fields it opens with, and what the page keeps for the
/// write after OK.
struct UnitEditSession
{
    UnitFormModel form;
    UnitForm fields;
    OrgTree::NodeId node = OrgTree::kNone; ///< the selected node (add) or the edited unit's node
    StoredUnit stored;                     ///< edit mode: the row as read
    std::vector<std::int32_t> userIds;     ///< edit mode: users listed below the unit's node
};

/// The core of the units-and-users page: the tree, the page state (maps, lists, change flags) and the
/// operations on units and users. The view shows the tree, asks the questions and shows the messages.
class CUnitUserModel
{
public:
    CUnitUserModel(OrgTables tables, IOrgEffects& effects, OrgTexts texts = {});

    void setAdminContext(const AdminContext& context) { m_context = context; }
    const AdminContext& adminContext() const { return m_context; }
    /// The group a data check or an export started here covers: a group manager's own, none (every
    /// group) for a system manager.
    std::optional<std::int32_t> checkScope() const
    {
        return m_context.systemManager ? std::nullopt : std::optional<std::int32_t>(m_context.currentGroup);
    }

    const OrgTree& tree() const { return m_tree; }
    OrgTree& tree() { return m_tree; }
    const OrgIndex& index() const { return m_index; }
    /// The user editor keeps the lists and the next user id up to date between builds.
    OrgIndex& index() { return m_index; }
    OrgTree::NodeId selected() const { return m_selected; }
    void select(OrgTree::NodeId node)
    {
        m_selected = m_tree.isValid(node) && node != OrgTree::kRoot ? node : OrgTree::kNone;
    }

    // Change bookkeeping read and cleared by the main window.
    bool unitsChanged() const { return m_unitsChanged; }
    bool usersChanged() const { return m_usersChanged; }
    const std::vector<std::int32_t>& changedUsers() const { return m_changedUsers; }
    void clearChangeFlags();

    /// Builds the tree from the open record objects (nothing happens while groups or units are closed).
    /// The administrator's place is kept: the same nodes open, the same node selected, or the nearest
    /// one left (next sibling, previous sibling, parent).
    void buildTree();
    /// Closes and reopens the unit and user tables, then builds the tree ("Refresh"). When a table cannot
    /// be opened the connection is made anew at once (the timer's silent refresh) and the tables read
    /// again; should that fail too the tables stay closed, the tree is left as it was and the result is
    /// false.
    bool refresh();
    /// Whether the unit and user tables are open (the last reading of them worked).
    bool tablesAreOpen() const;

    // A build whose user rows come in chunks, read elsewhere while the groups and units are shown.
    /// Who reads the user table for refresh() (unset: refresh reopens it and builds the tree). The reader
    /// calls startChunkedBuild, then addUserRows for each chunk, then finishChunkedBuild.
    void setUserReader(std::function<void()> reader) { m_userReader = std::move(reader); }
    /// Builds the groups and units from the open record objects, no users yet. Returns the ids of the units
    /// whose users are wanted first: those below the first group node that holds units.
    std::vector<std::int32_t> startChunkedBuild();
    /// User rows laid out as the open user record's columns. Early rows (of the units startChunkedBuild
    /// named) are only listed; the rows of the pass over the whole table are counted and indexed in table
    /// order, and listed unless their unit's users came early. The tree ends as buildTree makes it.
    /// `expectedUsers`: the rows the table holds, to make room for them all at once.
    void addUserRows(const RowStore& rows, bool early, std::size_t expectedUsers = 0);
    /// After the last chunk: the selection goes back to the node it was on before the build, unless the
    /// administrator moved it meanwhile.
    void finishChunkedBuild();
    /// Whether a write is under way: its transaction is open and the record objects hold half of it, so
    /// nothing may build the tree from them now (a timer tick while the write shows its progress).
    bool writing() const { return m_atomic; }
    /// Where long writes report how far they got (nullptr: nowhere). Not owned.
    void setProgress(IProgress* progress) { m_progress = progress; }
    /// Told how far a refresh or build has come: rows done of rows in all (0 of 0 while the tables are
    /// read again).
    using BuildProgress = std::function<void(std::size_t done, std::size_t total)>;
    void setBuildProgress(BuildProgress progress) { m_buildProgress = std::move(progress); }

    /// What the last command wrote, for the status line; forgotten once taken.
    OrgChangeReport takeReport() { return std::exchange(m_report, OrgChangeReport{}); }

    // Operations offered to the user editor.
    void recordChangedUser(std::int32_t userId);
    void removeMobile(const std::string& mobile);
    void removeEmail(const std::string& email);
    std::vector<std::int32_t> collectUserIds(OrgTree::NodeId node) const;
    const OrgTables& tables() const { return m_tables; }
    const OrgTexts& texts() const { return m_texts; }
    /// After a user row is written: the users-changed flag, then the service buttons; the status line
    /// is told which user was added or saved (`oldId`: the id it had before, when that changed).
    void userWritten(OrgChangeReport::Action action, std::int32_t userId, std::int32_t oldId = 0);
    /// A change row for a user (written only while the server runs); throws DbError.
    void logUserChange(std::int32_t userId, std::uint8_t action) { logUser(userId, action); }
    /// Runs a write of user `userId` with its change rows as one transaction (see runAtomically); the status
    /// line hears of the user whatever the outcome: written (userWritten), not written, or already gone.
    OrgMessage runUserWrite(OrgChangeReport::Action action, std::int32_t userId,
                            const std::function<OrgMessage()>& write);
    /// Called by a running write that finds the row it works on deleted meanwhile: the write ends quietly,
    /// nothing it did before stays (its transaction is rolled back), and the tree is read again.
    OrgMessage rowGone();
    /// The sign-on users file the main window holds for the run: a deleted user's records there and in
    /// MUser.xml go with it (null: the program's file is read for the change).
    void setDomainUsers(DomainUserFile* file) { m_domainUsers = file; }
    /// Files a user's records could not be written to after its row was committed (the row stays as
    /// written); the page reports them. Forgotten once taken.
    void noteFileFailures(std::vector<FileFailure> failures);
    std::vector<FileFailure> takeFileFailures() { return std::exchange(m_fileFailures, {}); }

    // Commands of the page.
    /// "Edit": 162 or 159, or which editor to open.
    std::pair<OrgMessage, EditTarget> editTarget();
    /// "Delete": `confirm` is asked 167 and answers OK (true) or Cancel.
    OrgMessage deleteSelected(const std::function<bool(int messageId)>& confirm);
    /// Where "&Search" starts: the selected node, else the first top-level node; kNone (an empty tree)
    /// means the search form is not shown.
    OrgTree::NodeId searchStartNode() const;
    /// OK of the search form: 216 for an empty text (the form stays open), else 0.
    static int checkSearchInput(std::string_view input);
    /// "&Search" with the text typed in the search form.
    SearchOutcome search(std::string_view input) const;
    /// "Import/Export": the spreadsheet tool's parameters for the page window `windowHandle`.
    SheetIntakeStart sheetIntake(long long windowHandle) const;

    // Button and menu rules.
    /// After a click in the tree and at the end of every build: enabled while a node is selected.
    OrgButtons buttonsAfterClick() const;
    /// When the selection moves to `node`: disabled on a group node.
    OrgButtons buttonsForNewSelection(OrgTree::NodeId node) const;
    /// The end of a build that read the user rows: the buttons follow the selection (which a build
    /// empties). Answered once per such build; nullopt when none ran since the last call.
    std::optional<OrgButtons> takeButtonsAfterBuild();
    std::vector<OrgMenuItem> contextMenu() const;
    EnterAction enterAction() const;

    // The unit editor.
    /// "Add unit": 162, or the form to show.
    std::variant<OrgMessage, UnitEditSession> startAddUnit();
    /// OK of the add form: inserts the node and the row. 253 on a database error.
    OrgMessage finishAddUnit(const UnitEditSession& session, const ValidUnit& unit);
    /// "Edit" on a unit node: 162, nothing (row gone), or the form to show.
    std::variant<OrgMessage, UnitEditSession> startEditUnit();
    /// OK of the edit form: writes the unit, its subtree, its users and the change rows.
    OrgMessage finishEditUnit(const UnitEditSession& session, const ValidUnit& unit);

    static constexpr std::int32_t kFirstUserId = 10001;

private:
    /// What a write makes known outside the page, in the order it happened; held back until the write's
    /// transaction is committed.
    enum class Effect
    {
        UnitsChanged,
        UsersChanged,
        GroupsChanged,
        ServiceButtons,
    };

    /// Runs `write` as one transaction with the change rows it logs: all of it stays, or nothing. The
    /// effects it raised follow the commit. On a database error (or any other failure, such as a password
    /// digest the system refuses) the tree is built again from the database and the result is 253.
    OrgMessage runAtomically(const std::function<OrgMessage()>& write);
    /// The change rows the running write logged, in its transaction.
    void writeHeldRows();
    /// A write failed: logged with its cause, the tables read again, 253 with the cause.
    OrgMessage writeFailed(const std::exception& error, const CXDatabase* database);
    void raise(Effect effect);
    /// Whether the unit table (and the user table with `users`) is open; when not, the connection is made
    /// anew at once and the answer is given after that.
    bool tablesOpen(bool users);
    void startProgress(std::size_t total);
    void step(std::size_t steps = 1);
    void buildFromTables();
    /// Groups and units of a build; false when no user can be listed (no group, no unit, no unit level).
    bool buildGroupsAndUnits(OrgTreeBuilder& builder, std::size_t expectedUsers);
    void reportProgress(std::size_t done, std::size_t total) const;
    std::vector<UnitRow> readUnitRows() const;
    std::vector<std::int32_t> readGroupIds() const;
    UnitEditSession makeSession(UnitFormSetup setup) const;
    /// Notes in the report whether `result` is the failure of a write (and then nothing it counted stays).
    OrgMessage reportFailure(OrgMessage result);
    void unitWritten();
    void logUnit(std::int32_t unitId, std::uint8_t action);
    void logUser(std::int32_t userId, std::uint8_t action);
    /// Throws DbError when the table holds a unit of `code`: another program took it after the form
    /// checked it, and a second unit of one code would break the tree.
    void requireUnitCodeFree(std::int32_t code);
    void repointUnitCode(std::int32_t oldCode, std::int32_t newCode);
    void moveUsersToGroup(std::vector<std::int32_t> userIds, std::int32_t group);
    std::string unitNodeText(const UnitRow& unit) const;
    OrgMessage deleteUser(std::int32_t userId);
    OrgMessage deleteUnit(OrgTree::NodeId node, std::int32_t unitId);

    OrgTables m_tables;
    IOrgEffects& m_effects;
    OrgTexts m_texts;
    AdminContext m_context;
    OrgTree m_tree;
    OrgIndex m_index;
    OrgTree::NodeId m_selected = OrgTree::kNone;
    bool m_unitsChanged = false;
    bool m_usersChanged = false;
    bool m_buttonsDue = false; ///< a build read the user rows since the view last asked
    std::vector<std::int32_t> m_changedUsers;
    bool m_atomic = false;             ///< a write is running in its transaction
    bool m_rollBack = false;           ///< the running write ends quietly: roll it back
    std::vector<Effect> m_heldEffects; ///< raised by the running write
    std::vector<ChangeRow> m_heldRows; ///< change rows of the running write
    IProgress* m_progress = nullptr;
    std::size_t m_progressDone = 0;
    std::size_t m_progressTotal = 0;
    OrgChangeReport m_report;
    BuildProgress m_buildProgress;
    DomainUserFile* m_domainUsers = nullptr;
    std::vector<FileFailure> m_fileFailures;
    std::function<void()> m_userReader;
    bool m_chunkUsers = false;        ///< the chunked build lists users
    bool m_chunkUsersStarted = false; ///< its pass over the whole table has begun
    bool m_chunkRoomMade = false;
    bool m_earlyListed = false; ///< users of the early units came in an early pass
    std::unordered_set<std::int32_t> m_earlyUnits;
    OrgPlace m_chunkPlace;
    OrgTree::NodeId m_chunkSelection = OrgTree::kNone; ///< selected as the build began
};

} // namespace qar
