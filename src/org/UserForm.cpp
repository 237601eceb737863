#include "org/UserForm.h"

#include "org/OrgTreeBuilder.h"
#include "org/Privileges.h"
#include "platform/Md5.h"
#include "platform/TextUtil.h"
#include "resources/StringIds.h"
#include "xml/CXMarkupFile.h"

#include <algorithm>
#include <limits>

namespace qar
{

namespace
{

constexpr long long kUserIdLimit = 90000000;
constexpr int kStatusCount = 3;

bool fitsInt32(long long v)
{
    return v >= std::numeric_limits<std::int32_t>::min() && v <= std::numeric_limits<std::int32_t>::max();
}

bool contains(const std::vector<std::string>& list, const std::string& value)
{
    return std::find(list.begin(), list.end(), value) != list.end();
}

bool equalsIgnoreCase(std::string_view a, std::string_view b)
{
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

/// The privilege value as the boxes show it: bits without a box do not survive a round through a form.
std::uint32_t asBoxes(std::uint32_t power)
{
    std::array<bool, kPrivilegeBoxes> ticked{};
    for (int box = 0; box < kPrivilegeBoxes; ++box) {
        ticked[static_cast<std::size_t>(box)] = PrivilegeBoxTicked(power, box);
    }
    return PowerFromBoxes(ticked);
}

} // namespace

UserForm UserFormOf(const UserRecord& user)
{
    UserForm form;
    form.userIdText = std::to_string(user.id);
    form.name = user.name;
    form.password = user.password;
    form.passwordAgain = user.password;
    form.duty = user.duty;
    form.email = user.email;
    form.mobile = user.mobile;
    form.weightText = std::to_string(user.weight.value_or(0));
    form.userGroup = user.group;
    form.olTime = user.olTime;
    form.score = user.score;
    form.power = static_cast<std::uint32_t>(user.power);
    return form;
}

bool IsValidMobile(std::string_view mobile)
{
    return mobile.size() == 11 && mobile.front() == '1' &&
           std::all_of(mobile.begin(), mobile.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IsValidEmail(std::string_view email)
{
    const std::size_t at = email.find('@');
    const std::size_t dot = email.find('.');
    return at != std::string_view::npos && at >= 1 && dot != std::string_view::npos && dot >= 3 && email.size() >= 6;
}

std::string ApplyPasswordMethod(std::string_view method, const std::string& password)
{
    if (equalsIgnoreCase(method, "MD5") && password.size() != 32) {
        return Md5Hex(password);
    }
    return password;
}

std::int32_t DepartmentEntryUnit(std::string_view entry)
{
    const std::size_t open = entry.find('[');
    if (open == std::string_view::npos) {
        return 0;
    }
    const std::string_view rest = entry.substr(open + 1);
    return AtoI(rest.substr(0, rest.find(']')));
}

UserFormModel::UserFormModel(const UserFormSetup& setup, std::vector<UserFormUnit> units, std::vector<RoleRow> roles,
                             const OrgIndex& lists)
    : m_setup(setup), m_units(std::move(units)), m_roles(std::move(roles)), m_lists(lists)
{
    for (const UserFormUnit& u : m_units) {
        if (m_setup.context.sees(u.group)) {
            m_departments.push_back({"[" + std::to_string(u.id) + "] " + u.name, u.id});
        }
    }
    for (const RoleRow& r : m_roles) {
        m_roleEntries.push_back({std::to_string(r.id) + " - " + r.name, r.id});
    }
    if (const auto stored = m_setup.storedRole;
        stored && std::none_of(m_roleEntries.begin(), m_roleEntries.end(), [stored](const ComboEntry& e) {
            return e.data == static_cast<std::int32_t>(*stored);
        })) {
        m_missingRole = stored;
        m_roleEntries.push_back({std::string(), *stored});
    }
}

const UserFormUnit* UserFormModel::findUnit(std::int32_t id) const
{
    const auto it = std::find_if(m_units.begin(), m_units.end(), [id](const UserFormUnit& u) { return u.id == id; });
    return it == m_units.end() ? nullptr : &*it;
}

UserForm UserFormModel::initialForm(UserForm values) const
{
    UserForm form = std::move(values);
    form.roleIndex = -1;
    form.departmentIndex = -1;
    // A status the list does not hold leaves it without a selection, and is then stored as 0.
    form.statusIndex = m_setup.status >= 1 && m_setup.status <= kStatusCount ? m_setup.status - 1 : -1;
    for (std::size_t i = 0; i < m_roleEntries.size(); ++i) {
        if (m_roleEntries[i].data == static_cast<std::int32_t>(m_setup.role)) {
            form.roleIndex = static_cast<int>(i);
            break;
        }
    }
    for (std::size_t i = 0; i < m_departments.size(); ++i) {
        if (m_departments[i].data == m_setup.unitId) {
            form.departmentIndex = static_cast<int>(i);
            break;
        }
    }
    if (const UserFormUnit* unit = findUnit(m_setup.unitId)) {
        form.group = unit->group;
        if (!m_setup.editMode) {
            form.userGroup = unit->group;
        }
    }
    return form;
}

void UserFormModel::departmentChanged(UserForm& form) const
{
    if (form.departmentIndex < 0 || static_cast<std::size_t>(form.departmentIndex) >= m_departments.size()) {
        return;
    }
    if (const UserFormUnit* unit =
            findUnit(DepartmentEntryUnit(m_departments[static_cast<std::size_t>(form.departmentIndex)].text))) {
        form.group = unit->group;
        form.userGroup = unit->group;
    }
}

void UserFormModel::roleChanged(UserForm& form) const
{
    if (form.roleIndex >= 0 && static_cast<std::size_t>(form.roleIndex) < m_roles.size()) {
        form.power = asBoxes(static_cast<std::uint32_t>(m_roles[static_cast<std::size_t>(form.roleIndex)].privileges));
    }
}

std::variant<UserFormError, ValidUser> UserFormModel::validate(UserForm& form, bool extendedInUse,
                                                               std::string_view signDomain) const
{
    form.userGroup = form.group; // "Synchronize" is always pressed first

    const std::optional<long long> id = ReadWholeNumber(form.userIdText);
    if (!id || !fitsInt32(*id)) {
        return UserFormError{str::kEnterInteger, UserField::UserId, true};
    }
    const bool weightKept = m_setup.storedWeightNull && form.weightText.empty();
    const std::optional<long long> weight = weightKept ? 0 : ReadWholeNumber(form.weightText);
    if (!weight || *weight < 0 || *weight > 65535) {
        return UserFormError{str::kEnterIntegerRange, UserField::Weight, true, 0, 65535};
    }
    if (extendedInUse && !form.domainAccount.empty() && signDomain.empty()) {
        return UserFormError{str::kSetSignDomain, UserField::None, false, 0, 0, true};
    }
    if (*id <= 0 || *id >= kUserIdLimit) {
        return UserFormError{str::kIllegalUserId, UserField::UserId, true};
    }
    const auto userId = static_cast<std::int32_t>(*id);
    const bool idKept = m_setup.editMode && userId == m_setup.storedId;
    if (!idKept &&
        std::find(m_lists.allUserIds.begin(), m_lists.allUserIds.end(), userId) != m_lists.allUserIds.end()) {
        return UserFormError{str::kUserIdExists, UserField::UserId, true};
    }
    if (form.name.empty()) {
        return UserFormError{str::kInputCantBeNull, UserField::Name};
    }
    if (form.password.empty()) {
        return UserFormError{str::kInputCantBeNull, UserField::Password};
    }
    if (form.password != form.passwordAgain) {
        return UserFormError{str::kPasswordsDiffer, UserField::Password};
    }
    if (form.departmentIndex < 0 || static_cast<std::size_t>(form.departmentIndex) >= m_departments.size()) {
        return UserFormError{str::kDepartmentNotAssigned, UserField::Department};
    }
    if (!form.mobile.empty() && !IsValidMobile(form.mobile)) {
        return UserFormError{str::kIllegalMobile, UserField::Mobile};
    }
    const bool mobileChanged = !m_setup.editMode || form.mobile != m_setup.storedMobile;
    if (mobileChanged && !form.mobile.empty() && contains(m_lists.mobiles, form.mobile)) {
        return UserFormError{str::kMobileExists, UserField::Mobile};
    }
    if (!form.email.empty() && !IsValidEmail(form.email)) {
        return UserFormError{str::kInvalidEmail, UserField::Email};
    }
    const bool emailChanged = !m_setup.editMode || form.email != m_setup.storedEmail;
    if (emailChanged && !form.email.empty() && contains(m_lists.emails, form.email)) {
        return UserFormError{str::kEmailExists, UserField::Email};
    }
    const bool dutyChanged = !m_setup.editMode || form.duty != m_setup.storedDuty;
    if (m_setup.accountMode && dutyChanged && !form.duty.empty() && contains(m_lists.duties, form.duty)) {
        return UserFormError{str::kAccountExists, UserField::Duty};
    }

    ValidUser user;
    user.id = userId;
    user.name = form.name;
    user.password = form.password;
    user.unit = DepartmentEntryUnit(m_departments[static_cast<std::size_t>(form.departmentIndex)].text);
    user.duty = form.duty;
    user.email = form.email;
    user.mobile = form.mobile;
    // The role is the chosen entry's number, kept in a byte as the column holds it.
    user.role = form.roleIndex >= 0 && static_cast<std::size_t>(form.roleIndex) < m_roleEntries.size()
                    ? static_cast<std::uint8_t>(m_roleEntries[static_cast<std::size_t>(form.roleIndex)].data)
                    : 0;
    user.status = static_cast<std::uint8_t>(form.statusIndex + 1);
    user.group = form.userGroup;
    user.weight = static_cast<std::int32_t>(*weight);
    user.keepStoredWeight = weightKept;
    user.olTime = form.olTime;
    user.score = form.score;
    user.power = static_cast<std::int32_t>(asBoxes(form.power));
    user.domainAccount = form.domainAccount;
    user.netDiskMb = form.netDiskMb;
    return user;
}

std::variant<UserFormError, ValidShortUser> ValidateShortUserForm(const ShortUserForm& form)
{
    const std::optional<long long> id = ReadWholeNumber(form.userIdText);
    if (!id || !fitsInt32(*id)) {
        return UserFormError{str::kEnterInteger, UserField::UserId, true};
    }
    const std::optional<long long> group = ReadWholeNumber(form.groupText);
    if (!group || !fitsInt32(*group)) {
        return UserFormError{str::kEnterInteger, UserField::Group, true};
    }
    if (form.name.empty()) {
        return UserFormError{str::kInputCantBeNull, UserField::Name};
    }
    if (form.password != form.passwordAgain) {
        return UserFormError{str::kPasswordsDiffer, UserField::Password};
    }
    if (form.password.empty()) {
        return UserFormError{str::kInputCantBeNull, UserField::Password};
    }
    if (form.email.empty() || !IsValidEmail(form.email)) {
        return UserFormError{str::kInvalidEmail, UserField::Email};
    }
    if (!form.mobile.empty() && !IsValidMobile(form.mobile)) {
        return UserFormError{str::kIllegalMobile, UserField::Mobile};
    }
    return ValidShortUser{static_cast<std::int32_t>(*id),
                          form.name,
                          form.password,
                          form.email,
                          form.mobile,
                          static_cast<std::int32_t>(*group),
                          static_cast<std::int32_t>(asBoxes(form.power))};
}

} // namespace qar
