#include "org/UserForm.h"

#include "TempDir.h"
#include "org/OrgTreeBuilder.h"
#include "org/Privileges.h"
#include "org/VirtualUnits.h"
#include "platform/Md5.h"
#include "resources/StringIds.h"

#include <gtest/gtest.h>

using namespace qar;
using test::TempDir;
using test::writeFile;

namespace
{

std::string powerDat(int num, const std::string& defName, std::initializer_list<std::pair<int, const char*>> names)
{
    std::string text = "[Names]\r\nnum=" + std::to_string(num) + "\r\nDef_Name=" + defName + "\r\n";
    for (const auto& [i, name] : names) {
        text += "Name_" + std::to_string(i) + "=" + name + "\r\n";
    }
    return text;
}

std::array<bool, kPrivilegeBoxes> boxesOf(std::uint32_t power)
{
    std::array<bool, kPrivilegeBoxes> ticked{};
    for (int b = 0; b < kPrivilegeBoxes; ++b) {
        ticked[static_cast<std::size_t>(b)] = PrivilegeBoxTicked(power, b);
    }
    return ticked;
}

} // namespace

TEST(Privileges, BoxesCoverEveryBitButThoseWithoutABox)
{
    EXPECT_EQ(PrivilegeBoxBit(0), 18);                            // the first box
    EXPECT_EQ(PrivilegeBoxBit(15), 1);                            // the first reserved box
    EXPECT_EQ(PrivilegeBoxBit(23), 9);                            // the last one
    EXPECT_EQ(PowerFromBoxes(boxesOf(0xFFFFFFFFu)), 0x7FFF03FEu); // bits 0, 10-15 and 31 come out 0
    EXPECT_EQ(PowerFromBoxes(boxesOf(0x80000001u)), 0u);
    EXPECT_EQ(PowerTextId(0x50000), str::kPowerSysAdmin);
    EXPECT_EQ(PowerTextId(0x10000), str::kPowerUserAdmin);
    EXPECT_EQ(PowerTextId(0x20000), str::kPowerNormal);
}

TEST(Privileges, PowerDatNamesTheBoxesOnlyWithTwentyOneNames)
{
    TempDir dir;
    const struct
    {
        std::string file;
        bool administratorEditable;
        int box;
        std::string name;
        bool enabled;
    } cases[] = {
        {powerDat(20, "x", {{0, "Files"}}), true, 3, "", true},     // num 20: built-in texts
        {powerDat(21, "", {{0, "Files"}}), true, 3, "Files", true}, // SYS 19
        {powerDat(21, "", {{0, "Files"}}), true, 8, "", false},     // name 5 missing: SYS 24 off
        {powerDat(21, "(unused)", {{12, "(unused)"}}), true, 15, "(unused)", false},
        {powerDat(21, "(unused)", {{20, "Last"}}), true, 23, "Last", true},
        {powerDat(21, "", {}), false, kAdministratorBox, "", false}, // group manager
        {"", true, kAdministratorBox, "", true},                     // no file
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file + "/" + std::to_string(c.box));
        const std::string path = c.file.empty() ? dir.file("none.dat") : writeFile(dir.file("Power.dat"), c.file);
        const auto looks = PrivilegeBoxLooks(ReadPowerNames(path), c.administratorEditable);
        EXPECT_EQ(looks[static_cast<std::size_t>(c.box)].name, c.name);
        EXPECT_EQ(looks[static_cast<std::size_t>(c.box)].enabled, c.enabled);
    }
}

TEST(UserRules, MobileEmailAndPasswordMethod)
{
    const struct
    {
        const char* text;
        bool mobile;
        bool email;
    } cases[] = {
        {"13800138000", true, false},  {"23800138000", false, false}, {"1380013800", false, false},
        {"1380013800a", false, false}, {"a@b.cd", false, true},       {"abc@d.e", false, true},
        {"abcd@e", false, false},      {"a.bc@de.f", false, false},   {"@abc.def", false, false},
        {"ab@c.de", false, true},      {"abc.d@ef", false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(IsValidMobile(c.text), c.mobile);
        EXPECT_EQ(IsValidEmail(c.text), c.email);
    }
    const std::string digest(32, 'a');
    EXPECT_EQ(ApplyPasswordMethod("md5", digest), digest);
    EXPECT_EQ(ApplyPasswordMethod("MD5", digest.substr(1)), Md5Hex(digest.substr(1)));
    EXPECT_EQ(ApplyPasswordMethod("MD5", "123456"), "e10adc3949ba59abbe56e057f20f883e");
    EXPECT_EQ(ApplyPasswordMethod("SHA", "123456"), "123456");
}

class UserFormModelTest : public ::testing::Test
{
protected:
    UserFormModel model(bool edit, bool accountMode = false, AdminContext context = {})
    {
        UserFormSetup setup;
        setup.context = context;
        setup.editMode = edit;
        setup.accountMode = accountMode;
        setup.unitId = 101;
        setup.role = 3;
        setup.status = 2;
        setup.storedId = 10005;
        setup.storedEmail = "own@example.com";
        setup.storedMobile = "13900000005";
        setup.storedDuty = "ownacct";
        return UserFormModel(setup, {{101, "Sales", 1}, {102, "Ops", 2}, {101, "Twin", 9}},
                             {{3, "Clerk", 10, static_cast<std::int32_t>(0x80020003u)}, {4, "Boss", 0, 0x40000}},
                             lists);
    }
    static UserForm filled(const UserFormModel& m)
    {
        UserForm f = m.initialForm();
        f.userIdText = "10009";
        f.name = "Li";
        f.password = f.passwordAgain = "pw";
        return f;
    }

    OrgIndex lists = [] {
        OrgIndex i;
        i.allUserIds = {10005, 10006};
        i.mobiles = {"13900000005", "13900000006"};
        i.emails = {"own@example.com", "other@example.com"};
        i.duties = {"ownacct", "otheracct"};
        return i;
    }();
};

TEST_F(UserFormModelTest, OpensOnTheUnitItsRoleAndItsStatus)
{
    const UserFormModel add = model(false);
    ASSERT_EQ(add.departmentEntries().size(), 3u);
    EXPECT_EQ(add.departmentEntries()[0].text, "[101] Sales");
    EXPECT_EQ(add.roleEntries()[1].text, "4 - Boss");
    const UserForm f = add.initialForm();
    EXPECT_EQ(f.departmentIndex, 0);
    EXPECT_EQ(f.roleIndex, 0);
    EXPECT_EQ(f.statusIndex, 1);
    EXPECT_EQ(f.group, 1);
    EXPECT_EQ(f.userGroup, 1);
    EXPECT_FALSE(UserFormModel::synchronizeVisible(f));
    EXPECT_EQ(model(true).initialForm().userGroup, 0); // edit mode keeps the stored user group

    // A group manager of group 2 is offered group 2's unit only.
    const UserFormModel manager = model(false, false, {false, 2});
    ASSERT_EQ(manager.departmentEntries().size(), 1u);
    EXPECT_EQ(manager.initialForm().departmentIndex, -1);

    UserForm g = f;
    g.departmentIndex = 1;
    add.departmentChanged(g);
    EXPECT_EQ(g.group, 2);
    EXPECT_EQ(g.userGroup, 2);
    add.roleChanged(g); // role 3's bits without a box are left out
    EXPECT_EQ(g.power, 0x20002u);
}

TEST_F(UserFormModelTest, ChecksTheFieldsInTheirOrder)
{
    enum Mode
    {
        Add,
        Edit,
        Account, // adding in account mode: the duty is an account name
    };
    using F = UserForm&;
    const struct
    {
        const char* what;
        Mode mode;
        std::function<void(UserForm&)> change;
        int message;
        UserField field;
    } cases[] = {
        {"id not a number", Add, [](F f) { f.userIdText = "x"; }, str::kEnterInteger, UserField::UserId},
        {"weight", Add, [](F f) { f.weightText = "65536"; }, str::kEnterIntegerRange, UserField::Weight},
        {"domain without sign domain", Add, [](F f) { f.domainAccount = "d"; }, str::kSetSignDomain, UserField::None},
        {"id 0", Add, [](F f) { f.userIdText = "0"; }, str::kIllegalUserId, UserField::UserId},
        {"id 90000000", Add, [](F f) { f.userIdText = "90000000"; }, str::kIllegalUserId, UserField::UserId},
        {"id 89999999", Add, [](F f) { f.userIdText = "89999999"; }, 0, UserField::None},
        {"id taken", Add, [](F f) { f.userIdText = "10006"; }, str::kUserIdExists, UserField::UserId},
        {"own id kept", Edit, [](F f) { f.userIdText = "10005"; }, 0, UserField::None},
        {"name", Add, [](F f) { f.name.clear(); }, str::kInputCantBeNull, UserField::Name},
        {"password", Add, [](F f) { f.password = f.passwordAgain = ""; }, str::kInputCantBeNull, UserField::Password},
        {"passwords differ", Add, [](F f) { f.passwordAgain = "pW"; }, str::kPasswordsDiffer, UserField::Password},
        {"no department", Add, [](F f) { f.departmentIndex = -1; }, str::kDepartmentNotAssigned, UserField::Department},
        {"mobile", Add, [](F f) { f.mobile = "2390000000x"; }, str::kIllegalMobile, UserField::Mobile},
        {"mobile taken", Add, [](F f) { f.mobile = "13900000005"; }, str::kMobileExists, UserField::Mobile},
        {"own mobile kept", Edit, [](F f) { f.mobile = "13900000005"; }, 0, UserField::None},
        {"e-mail", Add, [](F f) { f.email = "a@b.c"; }, str::kInvalidEmail, UserField::Email},
        {"e-mail taken", Edit, [](F f) { f.email = "other@example.com"; }, str::kEmailExists, UserField::Email},
        {"account taken", Account, [](F f) { f.duty = "otheracct"; }, str::kAccountExists, UserField::Duty},
        {"duty repeats outside account mode", Add, [](F f) { f.duty = "otheracct"; }, 0, UserField::None},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const UserFormModel m = model(c.mode == Edit, c.mode == Account);
        UserForm f = filled(m);
        c.change(f);
        const auto result = m.validate(f, true, "");
        if (c.message == 0) {
            EXPECT_TRUE(std::holds_alternative<ValidUser>(result));
            continue;
        }
        ASSERT_TRUE(std::holds_alternative<UserFormError>(result));
        EXPECT_EQ(std::get<UserFormError>(result).messageId, c.message);
        EXPECT_EQ(std::get<UserFormError>(result).field, c.field);
    }
}

TEST_F(UserFormModelTest, ValidUserTakesTheDepartmentsGroupAndTheRoleNumber)
{
    const UserFormModel m = model(true);
    UserForm f = filled(m);
    f.userGroup = 7;
    f.departmentIndex = 1;
    f.group = 2;
    f.roleIndex = 1;
    f.power = 0x80040001;
    f.statusIndex = -1;
    const auto result = m.validate(f, false, "");
    ASSERT_TRUE(std::holds_alternative<ValidUser>(result));
    const ValidUser& u = std::get<ValidUser>(result);
    EXPECT_EQ(u.group, 2);
    EXPECT_EQ(u.unit, 102);
    EXPECT_EQ(u.role, 4);
    EXPECT_EQ(u.power, 0x40000);
    EXPECT_EQ(u.status, 0);
}

TEST(ShortUserForm, ChecksNamePasswordsEmailAndMobile)
{
    const struct
    {
        ShortUserForm form;
        int message;
    } cases[] = {
        {{"10000", "", "a", "a", "abc@d.e", "", "1", 0}, str::kInputCantBeNull},
        {{"10000", "n", "", "x", "abc@d.e", "", "1", 0}, str::kPasswordsDiffer},
        {{"10000", "n", "", "", "abc@d.e", "", "1", 0}, str::kInputCantBeNull},
        {{"10000", "n", "a", "a", "", "", "1", 0}, str::kInvalidEmail},
        {{"10000", "n", "a", "a", "abc@d.e", "123", "1", 0}, str::kIllegalMobile},
        {{"10000", "n", "a", "a", "abc@d.e", "", "x", 0}, str::kEnterInteger},
        {{"0", "n", "a", "a", "abc@d.e", "", "-1", 0x80000000}, 0},
    };
    for (const auto& c : cases) {
        const auto result = ValidateShortUserForm(c.form);
        EXPECT_EQ(std::holds_alternative<UserFormError>(result) ? std::get<UserFormError>(result).messageId : 0,
                  c.message);
    }
    const auto valid = std::get<ValidShortUser>(ValidateShortUserForm(cases[6].form));
    EXPECT_EQ(valid.group, -1);
    EXPECT_EQ(valid.power, 0);
}

TEST(VirtualUnitsModel, ListsSortedRefusesRepeatsAndWritesOnlyAChange)
{
    TempDir dir;
    const std::string path = writeFile(dir.file("MUser.xml"), "<QAR_USERS><USER ID=\"5\" UNITS=\"9|3\"/>"
                                                              "<USER ID=\"6\" UNITS=\"3\"/></QAR_USERS>");
    VirtualUnitsModel model(5, {{3, "sales"}, {4, "Ops"}});
    model.load(path);
    ASSERT_EQ(model.entries().size(), 2u);
    EXPECT_EQ(model.entries()[0].text, " [9]"); // not in the unit table: an empty name
    EXPECT_EQ(model.entries()[1].text, "sales [3]");
    EXPECT_EQ(model.unitChoices().front().text, "Ops [4]");
    EXPECT_EQ(model.add(3), str::kItemExists);
    EXPECT_TRUE(model.save(path)); // nothing changed: the file keeps its bytes
    EXPECT_EQ(test::readFile(path).substr(0, 11), "<QAR_USERS>");

    EXPECT_EQ(model.add(4), 0);
    model.remove(0);
    ASSERT_TRUE(model.save(path));
    MultiUnitUsers file;
    file.Load(path);
    EXPECT_EQ(file.GetUserUnits(5), (MultiUnitUsers::UnitList{4, 3})); // display order: "Ops", "sales"
    EXPECT_EQ(file.GetUserUnits(6), MultiUnitUsers::UnitList{3});
    model.remove(0);
    model.remove(0);
    ASSERT_TRUE(model.save(path));
    file.Load(path);
    EXPECT_TRUE(file.GetUserUnits(5).empty());
}
