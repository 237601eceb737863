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
    for (const auto& [text, column] : {std::pair{&in.name, UserColumn::Name},
                                       {&in.password, UserColumn::Password},
                                       {&in.duty, UserColumn::Duty},
                                       {&in.email, UserColumn::Email},
                                       {&in.mobile, UserColumn::Mobile}}) {
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
    if (const auto id = ReadWholeNumber(in.idText); id && taken.id) {
        probe.allUserIds.push_back(static_cast<std::int32_t>(*id));
    }
    if (taken.mobile) {
        probe.mobiles.push_back(in.mobile);
    }
    if (taken.email) {
        probe.emails.push_back(in.email);
    }
    if (taken.duty) {
        probe.duties.push_back(in.duty);
    }
    const UserFormModel model(fs, std::move(units), roles, probe);
    UserForm form = model.initialForm();
    if (in.role != 0 && form.roleIndex < 0) {
        UserRowVerdict v;
        v.messageId = str::kRowRoleMissing;
        v.column = UserColumn::Role;
        v.arg1 = std::to_string(in.role);
        return v;
    }
    form.userIdText = in.idText;
    form.name = in.name;
    form.password = in.password;
    form.passwordAgain = in.password;
    form.duty = in.duty;
    form.email = in.email;
    form.mobile = in.mobile;
    form.weightText = in.weightText;
    form.olTime = in.olTime;
    form.score = in.score;
    form.power = in.power;
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
    in.idText = std::to_string(user.id);
    in.name = user.name;
    in.password = user.password;
    in.duty = user.duty;
    in.email = user.email;
    in.mobile = user.mobile;
    in.weightText = std::to_string(user.weight.value_or(0));
    in.unit = user.unit;
    if (unit != nullptr) {
        in.unitExists = true;
        in.unitName = unit->name;
        in.unitGroup = unit->group;
    }
    in.role = user.role;
    in.status = user.status;
    in.power = static_cast<std::uint32_t>(user.power);
    in.olTime = user.olTime;
    in.score = user.score;
    UserRowSetup setup;
    setup.editMode = true;
    setup.storedId = user.id;
    setup.storedEmail = user.email;
    setup.storedMobile = user.mobile;
    setup.storedDuty = user.duty;
    return rules.check(in, setup, UserRowTaken{});
}

} // namespace qar
