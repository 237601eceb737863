#pragma once

#include "catalog/Roles.h"
#include "org/OrgRows.h"
#include "org/UnitForm.h"
#include "org/UserRecord.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace qar
{

struct OrgIndex;

/// Fields of the user forms a failed check puts the focus on.
enum class UserField
{
    None,
    UserId,
    Name,
    Password,
    Department,
    Duty,
    Email,
    Mobile,
    Weight,
    Group,
    NetDiskSize,
    NetDiskDefault,
};

/// The first failed check of a user form: the string id to show (with the range of kEnterIntegerRange)
/// and the field to focus. `openSignDomain`: the sign-domain form follows the message.
struct UserFormError
{
    int messageId = 0;
    UserField field = UserField::None;
    bool selectAll = false;
    int rangeMin = 0;
    int rangeMax = 0;
    bool openSignDomain = false;

    explicit operator bool() const { return messageId != 0; }
};

/// A unit as the user form offers it.
struct UserFormUnit
{
    std::int32_t id = 0;
    std::string name;
    std::int32_t group = 0;
};

/// What the full user form's fields hold (texts as typed, list selections as indexes, -1 for none).
struct UserForm
{
    std::string userIdText;
    std::string name;
    std::string password;
    std::string passwordAgain;
    int departmentIndex = -1;
    std::string duty;
    std::string email;
    int roleIndex = -1;
    std::string mobile;
    std::string weightText = "0";
    int statusIndex = 0;
    std::int32_t group = 0;     ///< "Group": the department's group (read-only)
    std::int32_t userGroup = 0; ///< "User Group" (read-only, "Synchronize" copies "Group" into it)
    std::int32_t olTime = 0;    ///< "Total online (minutes)" (read-only)
    std::int32_t score = 0;     ///< "Score" (read-only)
    std::uint32_t power = 0;    ///< the privilege boxes
    std::string domainAccount;  ///< "Windows Domain Name"
    std::uint16_t netDiskMb = 0;
};

/// A user form that passed every check: the values the page writes (the password as typed).
struct ValidUser
{
    std::int32_t id = 0;
    std::string name;
    std::string password;
    std::int32_t unit = 0;
    std::string duty;
    std::string email;
    std::string mobile;
    std::uint8_t role = 0;
    std::uint8_t status = 0;
    std::int32_t group = 0;
    std::int32_t weight = 0;
    /// The weight field was left empty on a row whose weight is NULL: the column is not written.
    bool keepStoredWeight = false;
    std::int32_t olTime = 0;
    std::int32_t score = 0;
    std::int32_t power = 0;
    std::string domainAccount;
    std::uint16_t netDiskMb = 0;
};

/// How the user form opens.
struct UserFormSetup
{
    AdminContext context;
    bool editMode = false;
    bool accountMode = false; ///< DUTY is the unified account: labelled 250, unique among users
    std::int32_t unitId = 0;  ///< the unit passed in
    std::uint8_t role = 0;    ///< the role to select
    std::uint8_t status = 1;  ///< USER_STATUS (edit mode)
    // Edit mode: the stored values the "changed" tests compare with.
    std::int32_t storedId = 0;
    std::string storedEmail;
    std::string storedMobile;
    std::string storedDuty;
    /// Edit mode: the row's role, kept even when role.xml lacks it (see roleEntries()).
    std::optional<std::uint8_t> storedRole;
    /// Edit mode: the row's weight is NULL; the form shows it empty and an empty field keeps it.
    bool storedWeightNull = false;
};

/// The logic of CUserEditDlg: its lists, their selections, the events that move values between fields,
/// and the checks of OK.
class UserFormModel
{
public:
    /// `units` are every unit row in table order, `roles` the roles of role.xml in file order; `lists`
    /// are the page's user ids, mobiles, e-mail addresses and duties (uniqueness checks).
    UserFormModel(const UserFormSetup& setup, std::vector<UserFormUnit> units, std::vector<RoleRow> roles,
                  const OrgIndex& lists);

    bool editMode() const { return m_setup.editMode; }
    bool accountMode() const { return m_setup.accountMode; }
    /// "[%d] %s" of the visible units, item data the unit id.
    const std::vector<ComboEntry>& departmentEntries() const { return m_departments; }
    /// "%d - %s" of every role, item data the role id. A stored role (setup) that role.xml lacks comes last, with an
    /// empty text (the form shows it as "%d – not in role.xml"), so that an edit keeps it unless the administrator
    /// picks another.
    const std::vector<ComboEntry>& roleEntries() const { return m_roleEntries; }
    /// That stored role, when the list had to add it.
    std::optional<std::uint8_t> missingRole() const { return m_missingRole; }
    /// Every unit (id to name), for the virtual-unit forms.
    const std::vector<UserFormUnit>& units() const { return m_units; }

    /// The form as it opens: the typed fields of `values` (a stored user's, UserFormOf, or an imported
    /// row's) with the selections and groups made.
    UserForm initialForm(UserForm values = {}) const;
    /// A department was chosen: "Group" and "User Group" become its group.
    void departmentChanged(UserForm& form) const;
    /// A role was chosen: the privilege boxes take the role's privileges.
    void roleChanged(UserForm& form) const;
    /// "Synchronize" is shown while "Group" and "User Group" differ.
    static bool synchronizeVisible(const UserForm& form) { return form.group != form.userGroup; }

    /// OK: "Synchronize" first, then the checks in their order. `extendedInUse`: the extended data section
    /// is shown; `signDomain`: the sign-on users file's domain.
    std::variant<UserFormError, ValidUser> validate(UserForm& form, bool extendedInUse,
                                                    std::string_view signDomain) const;

private:
    const UserFormUnit* findUnit(std::int32_t id) const;

    UserFormSetup m_setup;
    std::vector<UserFormUnit> m_units;
    std::vector<RoleRow> m_roles;
    const OrgIndex& m_lists;
    std::vector<ComboEntry> m_departments;
    std::vector<ComboEntry> m_roleEntries;
    std::optional<std::uint8_t> m_missingRole;
};

/// A stored user's values in the user form's fields, as an edit shows them (the password in both
/// password fields, a NULL weight as 0).
UserForm UserFormOf(const UserRecord& user);

/// An 11-digit mobile number beginning with 1 (or an empty one) passes.
bool IsValidMobile(std::string_view mobile);
/// An e-mail address passes with an "@" not in front, its first "." at position 3 or later and at least
/// six characters.
bool IsValidEmail(std::string_view email);
/// The password as stored: with the method "MD5" (any case) a password whose length is not 32 becomes
/// its MD5 digest; 32 characters are taken as a digest already.
std::string ApplyPasswordMethod(std::string_view method, const std::string& password);
/// The number between "[" and "]" of a department entry.
std::int32_t DepartmentEntryUnit(std::string_view entry);

/// Fields of the short user form (independent users and administrator accounts).
struct ShortUserForm
{
    std::string userIdText;
    std::string name;
    std::string password;
    std::string passwordAgain;
    std::string email;
    std::string mobile;
    std::string groupText;
    std::uint32_t power = 0;
};

/// A short form that passed its checks.
struct ValidShortUser
{
    std::int32_t id = 0;
    std::string name;
    std::string password;
    std::string email;
    std::string mobile;
    std::int32_t group = 0;
    std::int32_t power = 0;
};

/// The short form's checks in their order: name, passwords, e-mail (required), mobile. The id and the
/// group must be whole numbers; neither range nor uniqueness is checked.
std::variant<UserFormError, ValidShortUser> ValidateShortUserForm(const ShortUserForm& form);

} // namespace qar
