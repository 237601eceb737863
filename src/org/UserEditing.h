#pragma once

#include "catalog/EnvParamValues.h"
#include "org/CUnitUserModel.h"
#include "org/Privileges.h"
#include "org/UserForm.h"
#include "org/UserRecord.h"
#include "xml/UserRecordFiles.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <variant>

namespace qar
{

class DomainUserFile;

/// What the user editor takes from the main window besides the page: the environment parameters, the
/// role and privilege-name files, the sign-on users file and the groups' user limits.
struct UserEditEnvironment
{
    EnvParamValues params;
    std::string roleFile;
    std::string powerFile;
    /// The extended data section is shown (the folder UserData\data exists).
    bool extendedSection = false;
    /// The sign-on users file of the main window; null when there is none.
    DomainUserFile* domainUsers = nullptr;
    /// GROUP_COUNT of a group, 0 when the group is not found (0 never limits).
    std::function<int(std::int32_t groupId)> groupUserLimit;
};

class CXTableUser;

/// How a user's records in Userx.xml and MUser.xml follow a committed write of its row, told by who holds
/// the ids now (ids are not unique in every database): records stay with an id another row still holds,
/// and a new id that other rows hold too keeps its records. Nothing when no record needs to move or the
/// table cannot be asked (the cause is logged).
std::optional<UserIdChange> CommittedUserChange(CXTableUser& users, const UserIdChange& change);

/// The current row of the users record object, every column.
UserRecord ReadUserRecord(const CXTableUser& table);
/// Moves the record object to the first row holding `userId`, scanning from the first row; false when
/// there is none.
bool FindUserRow(CXTableUser& table, std::int32_t userId);

/// A user form about to be shown: its model, the fields it opens with, the looks of the privilege
/// boxes, and what the page keeps for the write after OK.
struct UserEditSession
{
    UserFormModel form;
    UserForm fields;
    std::array<PrivilegeBoxLook, kPrivilegeBoxes> boxes;
    bool extendedSection = false;
    std::string signDomain;
    OrgTree::NodeId node = OrgTree::kNone; ///< the edited user's node
    UserRecord stored;                     ///< edit mode
    /// Add mode: the id whose virtual units the administrator set from the form (kept, not dropped as
    /// another person's leftovers when the user is written).
    std::int32_t virtualUnitsSetFor = 0;
};

/// Add-user and Edit-user of the units-and-users page: open the user form on the selected node, then
/// write the row, keep the tree and the page's lists in step and log the change.
class UserEditing
{
public:
    UserEditing(CUnitUserModel& page, UserEditEnvironment environment);

    /// "Add user": 162 or 223, or the form to show.
    std::variant<OrgMessage, UserEditSession> startAddUser() const;
    /// OK of the add form: 214 when the group is full, 253 on a database error (the group's limit that
    /// cannot be read included) or a password digest the system refuses, else nothing.
    OrgMessage finishAddUser(const UserEditSession& session, const ValidUser& user);
    /// "Edit" on a user node: 162, nothing (row gone), or the form to show.
    std::variant<OrgMessage, UserEditSession> startEditUser() const;
    /// OK of the edit form. A row another program changed meanwhile is not overwritten: 253 (logged), and
    /// the tree is built anew; a row it deleted ends the edit quietly, also with a new tree.
    OrgMessage finishEditUser(const UserEditSession& session, const ValidUser& user);

    const UserEditEnvironment& environment() const { return m_env; }

private:
    UserEditSession makeSession(const UserFormSetup& setup) const;
    /// The tree and the page's lists after an edit of the user's row.
    void showEdited(const UserEditSession& session, const ValidUser& user);
    /// After the row is committed: the records follow `change`, the user's own sign-on record takes the
    /// form's values, and the files are written (failures go to the page).
    void writeRecords(const ValidUser& user, std::optional<UserIdChange> change);

    CUnitUserModel& m_page;
    UserEditEnvironment m_env;
};

} // namespace qar
