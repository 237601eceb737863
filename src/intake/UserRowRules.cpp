// The user editor's rules for an import row: the user form model of the editor judges the row, told by
// the import which values are taken already, so it never walks a list of every user.
#include "intake/UserRowRules.h"

#include "catalog/Roles.h"
#include "org/OrgTreeBuilder.h"
#include "org/UserForm.h"
#include "resources/StringIds.h"

namespace qar
{

namespace
{

UserColumn columnOf(UserField field)
{
    switch (field) {
    case UserField::Name:
        return UserColumn::Name;
    case UserField::Password:
        return UserColumn::Password;
    case UserField::Department:
    case UserField::Group:
        return UserColumn::Unit;
    case UserField::Duty:
        return UserColumn::Duty;
    case UserField::Email:
        return UserColumn::Email;
    case UserField::Mobile:
        return UserColumn::Mobile;
    case UserField::Weight:
        return UserColumn::Weight;
    default:
        return UserColumn::Id;
    }
}

UserRowVerdict judge(const std::vector<RoleRow>& roles, const UserRowInput& in, const UserRowSetup& setup,
                     const UserRowTaken& taken)
{
    const UserForm& typed = in.typed;
    for (const auto& [text, column] : {std::pair{&typed.name, UserColumn::Name},
                                       {&typed.password, UserColumn::Password},
                                       {&typed.duty, UserColumn::Duty},
                                       {&typed.email, UserColumn::Email},
                                       {&typed.mobile, UserColumn::Mobile}}) {
        if (text->size() > kMaxTextBytes) {
            UserRowVerdict v;
            v.messageId = str::kRowTextTooLong;
            v.column = column;
            return v;
        }
    }
    UserFormSetup fs;
    fs.editMode = setup.editMode;
    fs.accountMode = setup.accountMode;
    fs.unitId = in.unit;
    fs.role = in.role;
    fs.status = in.status;
    fs.storedId = setup.storedId;
    fs.storedEmail = setup.storedEmail;
    fs.storedMobile = setup.storedMobile;
    fs.storedDuty = setup.storedDuty;
    std::vector<UserFormUnit> units;
    if (in.unitExists) {
        units.push_back({in.unit, in.unitName, in.unitGroup});
    }
    OrgIndex probe;
    if (const auto id = ReadWholeNumber(typed.userIdText); id && taken.id) {
        probe.allUserIds.push_back(static_cast<std::int32_t>(*id));
    }
    if (taken.mobile) {
        probe.mobiles.push_back(typed.mobile);
    }
    if (taken.email) {
        probe.emails.push_back(typed.email);
    }
    if (taken.duty) {
        probe.duties.push_back(typed.duty);
    }
    const UserFormModel model(fs, std::move(units), roles, probe);
    UserForm form = model.initialForm(typed);
    if (in.role != 0 && form.roleIndex < 0) {
        UserRowVerdict v;
        v.messageId = str::kRowRoleMissing;
        v.column = UserColumn::Role;
        v.arg1 = std::to_string(in.role);
        return v;
    }
    form.passwordAgain = form.password; // a row holds the password once
    auto result = model.validate(form, false, {});
    UserRowVerdict v;
    if (const UserFormError* error = std::get_if<UserFormError>(&result)) {
        v.messageId = error->messageId;
        v.column = columnOf(error->field);
        if (error->messageId == str::kEnterIntegerRange) {
            v.arg1 = std::to_string(error->rangeMin);
            v.arg2 = std::to_string(error->rangeMax);
        }
        return v;
    }
    const ValidUser& user = std::get<ValidUser>(result);
    v.id = user.id;
    v.group = user.group;
    v.weight = user.weight;
    v.power = user.power;
    v.role = user.role;
    v.status = user.status;
    return v;
}

} // namespace

UserRowRules EditorUserRowRules()
{
    return EditorUserRowRules(LoadRoleFile(RoleFilePath()));
}

UserRowRules EditorUserRowRules(std::vector<RoleRow> roles)
{
    UserRowRules rules;
    rules.check = [roles = std::move(roles)](const UserRowInput& in, const UserRowSetup& setup,
                                             const UserRowTaken& taken) { return judge(roles, in, setup, taken); };
    rules.storedPassword = [](const std::string& method, const std::string& password) {
        return ApplyPasswordMethod(method, password);
    };
    return rules;
}

UserRowVerdict JudgeStoredUser(const UserRowRules& rules, const UserRecord& user, const UnitRecord* unit)
{
    UserRowInput in;
    in.typed = UserFormOf(user);
    in.unit = user.unit;
    if (unit != nullptr) {
        in.unitExists = true;
        in.unitName = unit->name;
        in.unitGroup = unit->group;
    }
    in.role = user.role;
    in.status = user.status;
    UserRowSetup setup;
    setup.editMode = true;
    setup.storedId = user.id;
    setup.storedEmail = user.email;
    setup.storedMobile = user.mobile;
    setup.storedDuty = user.duty;
    return rules.check(in, setup, UserRowTaken{});
}

} // namespace qar
