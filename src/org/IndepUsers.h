#pragma once

#include "org/OrgTree.h"
#include "org/UnitForm.h"
#include "org/UserEditing.h"
#include "org/UserForm.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qar
{

class CXTableUser;

/// What the user-account list manages: users that belong to no unit ("indep. User" of the group
/// editor), or administrator accounts ("Manage User").
enum class AccountListMode
{
    IndependentUsers = 0,
    Administrators = 1,
};

/// The group list's "(All)" entry.
inline constexpr std::int32_t kAllGroups = -1;

/// One line of the user-account list.
struct AccountRow
{
    std::int32_t id = 0;
    std::string name;
    std::int32_t group = 0;
    int powerTextId = 0; ///< 244, 245 or 246
    int image = 0;
};

/// The group list: 247 "(All)" (-1), 248 "0 - [ Not Belongs  Any Group ]" (0), then each group name
/// passed in, its item data the number it begins with. `allText` and `noGroupText` are those two texts.
std::vector<ComboEntry> AccountGroupEntries(const std::vector<std::string>& groupNames, const std::string& allText,
                                            const std::string& noGroupText);

/// The result of an operation of the list: a string id, or the database's own error text (Add), or
/// nothing.
struct AccountMessage
{
    int messageId = 0;
    std::string databaseText;
    /// Files the user's records could not be written to after its row was committed (the row stays).
    std::vector<FileFailure> fileFailures;

    explicit operator bool() const { return messageId != 0 || !databaseText.empty(); }
};

/// The logic of CIndepUserDlg on the main window's users record object: the list of a group, and add,
/// edit and delete through the short user form. These write the row only: no change rows, no password
/// method, nothing of the units-and-users page.
class IndepUserModel
{
public:
    /// `domainUsers`: the sign-on users file the main window holds (null: the program's file is read for
    /// each change); a deleted user's records there and in MUser.xml go with it.
    IndepUserModel(CXTableUser* users, AccountListMode mode, DomainUserFile* domainUsers = nullptr)
        : m_users(users), m_mode(mode), m_domainUsers(domainUsers)
    {}

    AccountListMode mode() const { return m_mode; }
    bool addEnabled() const { return m_mode == AccountListMode::IndependentUsers; }
    /// The rows of `group` (kAllGroups: every row), in table order; empty while the table is closed.
    std::vector<AccountRow> rows(std::int32_t group) const;

    /// Add: reopens the table; the short form opens with the larger of 10000 and the highest id + 1, and
    /// the selected group.
    ShortUserForm startAdd(std::int32_t group);
    AccountMessage finishAdd(const ValidShortUser& user);

    /// Edit: reopens the table and fills the form from the row; nothing when the row is gone.
    std::optional<ShortUserForm> startEdit(std::int32_t userId);
    /// Writes name, password, e-mail, mobile, group and privileges. A row another program changed
    /// meanwhile is not overwritten (253); one it deleted ends the edit quietly.
    AccountMessage finishEdit(std::int32_t userId, const ValidShortUser& user);

    /// Delete: reopens the table and finds the row; its name for the question, nothing when it is gone.
    std::optional<std::string> startDelete(std::int32_t userId);
    AccountMessage finishDelete(std::int32_t userId);

private:
    bool reopen();
    /// Finds the row the edit or delete started on and runs `write` on it: a row gone meanwhile ends
    /// quietly, a row changed meanwhile or a failed write is 253; the table is read again either way.
    AccountMessage writeStoredRow(std::int32_t userId, const std::function<void(CXTableUser&)>& write);

    /// After a committed write: the records follow `change` (see CommittedUserChange).
    std::vector<FileFailure> followRecords(const UserIdChange& change);

    CXTableUser* m_users;
    AccountListMode m_mode;
    DomainUserFile* m_domainUsers;
    UserRecord m_stored; ///< the row the open edit or delete was started on
};

} // namespace qar
