#pragma once

#include "catalog/Roles.h"
#include "intake/IntakeColumns.h"
#include "intake/OrgData.h"
#include "org/UserForm.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qar
{

/// The longest text a column of the tables holds (VARCHAR(255)): a longer one the database refuses.
inline constexpr std::size_t kMaxTextBytes = 255;

/// A user row as the user form would hold it when the administrator typed it in.
struct UserRowInput
{
    /// The typed fields (ID, name, password, duty, e-mail, mobile, weight) and the read-only ones (online
    /// time, score, privileges); the lists' selections follow from the members below.
    UserForm typed;
    std::int32_t unit = 0;
    bool unitExists = false; ///< the unit exists already or came earlier in the file
    std::string unitName;
    std::int32_t unitGroup = 0;
    std::uint8_t role = 0;
    std::uint8_t status = 1;
};

/// How the form would be opened: add, or edit of the stored row of the same id (the "changed" tests
/// compare with its values).
struct UserRowSetup
{
    bool editMode = false;
    bool accountMode = false;
    std::int32_t storedId = 0;
    std::string storedEmail;
    std::string storedMobile;
    std::string storedDuty;
};

/// Which of the row's values other users hold already: the rules ask, the import answers from its
/// indexes, so no check walks a list of a hundred thousand users.
struct UserRowTaken
{
    bool id = false;
    bool mobile = false;
    bool email = false;
    bool duty = false;
};

/// The first failed rule (a string-table id and the column at fault) or, when `messageId` is 0, the
/// values the editor would write.
struct UserRowVerdict
{
    int messageId = 0;
    UserColumn column = UserColumn::Id;
    std::string arg1; ///< texts the message takes (a range's ends, a role)
    std::string arg2;

    std::int32_t id = 0;
    std::int32_t group = 0;
    std::int32_t weight = 0;
    std::int32_t power = 0;
    std::uint8_t role = 0;
    std::uint8_t status = 0;
};

/// The user editor's rules, as the import applies them to one row; the user form model answers them,
/// after the rule every writer meets: no text longer than the column holds (kRowTextTooLong).
struct UserRowRules
{
    std::function<UserRowVerdict(const UserRowInput&, const UserRowSetup&, const UserRowTaken&)> check;
    /// The password as the editor stores it under the password method.
    std::function<std::string(const std::string& method, const std::string& password)> storedPassword;

    explicit operator bool() const { return static_cast<bool>(check); }
};

/// The user editor's rules, with the roles of the program directory's role file.
UserRowRules EditorUserRowRules();
/// The same with the roles given.
UserRowRules EditorUserRowRules(std::vector<RoleRow> roles);

/// The user editor's verdict on a stored row opened and saved without a change: what the row breaks by
/// itself (the ID's range, a required field, the e-mail or mobile rule, a role missing from the role
/// file, the weight's range, a text's length). Uniqueness is not judged; `unit` is the row's unit, null
/// when it does not exist (the form then names no department: kDepartmentNotAssigned).
UserRowVerdict JudgeStoredUser(const UserRowRules& rules, const UserRecord& user, const UnitRecord* unit);

} // namespace qar
