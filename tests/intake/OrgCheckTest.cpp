// The data check: rows the tree hides; rows the editors would refuse, grouped by rule; records of the user
// files whose user does not exist; a group manager's check of the own group alone.
#include "intake/OrgCheck.h"

#include "resources/StringIds.h"
#include "resources/StringTable.h"

#include <gtest/gtest.h>

#include <tuple>

namespace qar
{
namespace
{

UnitRecord unit(std::int32_t id, std::string name, std::int32_t parent, std::uint8_t level, std::int32_t group)
{
    return UnitRecord{id, std::move(name), parent, level, true, false, 0, "", "", group, 0, std::nullopt};
}

UserRecord user(std::int32_t id, std::int32_t unitId, std::string email, std::uint8_t role = 0)
{
    UserRecord u;
    u.id = id;
    u.name = "u" + std::to_string(id);
    u.password = "x";
    u.unit = unitId;
    u.email = std::move(email);
    u.status = 1;
    u.role = role;
    u.group = unitId / 100;
    return u;
}

/// Groups 1 and 2, the units and users below; roles 0 and 2 in the role file.
OrgData checkedData()
{
    OrgData data;
    data.groups = {{1, "One", {}, 0, 0, 0, 0}, {2, "Two", {}, 0, 0, 0, 0}};
    data.units = {unit(101, "Head", 0, 1, 1), unit(102, "", 101, 2, 1), unit(32005, "Far", 0, 1, 1),
                  unit(201, "Two", 0, 1, 2)};
    data.units.push_back(unit(103, "Long", 101, 2, 1));
    data.units.back().alias = std::string(300, 'a');
    data.users = {user(10001, 101, "ann@corp.example", 2),
                  user(10002, 101, "na.han10002@corp.example"),
                  user(10003, 101, "", 5),
                  user(10004, 101, "", 4),
                  user(10005, 999, ""),
                  user(20001, 201, "wu.li@corp.example"),
                  user(10006, 101, "")};
    data.users[4].group = 1;
    data.users.back().mobile = "2380000000";
    return data;
}

CheckOptions options(std::optional<std::int32_t> group = std::nullopt)
{
    CheckOptions o;
    o.group = group;
    o.userRules = EditorUserRowRules({{0, "Staff", 20, 0}, {2, "Manager", 255, 655360}});
    o.userFiles.signOn = {{10001, "ann", 0}, {10301, "ceshi.user", 300}};
    o.userFiles.virtualUnits = {{10301, {117}}};
    return o;
}

std::vector<std::string> report(const OrgData& data, const CheckOptions& o)
{
    return CheckReportLines(CheckOrgData(data, o));
}

TEST(OrgCheck, ListsWhatTheTreeHides)
{
    OrgData data;
    data.groups = {{1, "One", {}, 0, 0, 0, 0}, {2, "Two", {}, 0, 0, 0, 0}};
    // 103's parent is missing, 104 and 105 point at each other, 106 is on level 0, 107's group is missing,
    // 108 is below a hidden unit, and 102 comes twice.
    data.units = {unit(101, "Head", 0, 1, 1), unit(102, "Desk", 101, 2, 1), unit(103, "u", 999, 2, 1),
                  unit(104, "u", 105, 2, 1),  unit(105, "u", 104, 2, 1),    unit(106, "u", 0, 0, 1),
                  unit(107, "u", 0, 1, 7),    unit(108, "u", 103, 3, 1),    unit(102, "u", 101, 2, 1)};
    data.users = {user(10001, 101, "a@corp.example"), user(10002, 555, ""), user(10003, 103, "a@corp.example")};
    data.users[1].group = 1;
    data.users[2].group = 3;
    std::vector<std::tuple<bool, std::int32_t, int>> got;
    for (const CheckFinding& f : CheckOrgData(data)) {
        got.emplace_back(f.subject == CheckSubject::User, f.id, f.messageId);
    }
    const std::vector<std::tuple<bool, std::int32_t, int>> expected = {
        {false, 103, str::kCheckParentMissing},   {false, 104, str::kCheckCycle},
        {false, 105, str::kCheckCycle},           {false, 106, str::kCheckLevelZero},
        {false, 107, str::kCheckGroupMissing},    {false, 108, str::kCheckBelowHidden},
        {false, 102, str::kCheckDuplicateUnitId}, {false, 102, str::kCheckDuplicateUnitId},
        {true, 10002, str::kCheckUnitMissing},    {true, 10003, str::kCheckUnitHidden},
        {true, 10003, str::kCheckGroupMissing},   {true, 10001, str::kCheckDuplicateEmail},
        {true, 10003, str::kCheckDuplicateEmail},
    };
    EXPECT_EQ(got, expected);
}

TEST(OrgCheck, ListsTheRowsTheEditorsRefuseByRuleAndRecordsWithoutTheirUser)
{
    SetUiLanguage(UiLanguage::English);
    const std::vector<std::string> expected = {
        "User 10005 (#5): unit 999 does not exist",
        "Userx.xml (#2): user 10301 does not exist (domain account \"ceshi.user\", net disk 300 MB)",
        "MUser.xml (#1): user 10301 does not exist (virtual units 117)",
        "Rows the editors refuse: Input can't be null! (1)",
        "  Unit 102 (#2): Name \"\"",
        "Rows the editors refuse: Illegal department ID! (1)",
        "  Unit 32005 (#3): ID \"32005\"",
        "Rows the editors refuse: The text is longer than 255 bytes. (1)",
        "  Unit 103 (#5): Alias of 300 bytes",
        "Rows the editors refuse: Illegal mobile number! (1)",
        "  User 10006 (#7): Mobile \"2380000000\"",
        "Rows the editors refuse: Invalid e-mail! (2)",
        "  User 10002 (#2): Email \"na.han10002@corp.example\"",
        "  User 20001 (#6): Email \"wu.li@corp.example\"",
        "Rows the editors refuse: Role 4 does not exist. (1)",
        "  User 10004 (#4): Role \"4\"",
        "Rows the editors refuse: Role 5 does not exist. (1)",
        "  User 10003 (#3): Role \"5\"",
    };
    EXPECT_EQ(report(checkedData(), options()), expected);

    // Without the editors' rules and the files, the check is what the tree hides.
    EXPECT_EQ(report(checkedData(), {}), std::vector<std::string>{expected.front()});
}

TEST(OrgCheck, AGroupManagersCheckCoversTheGroupAlone)
{
    SetUiLanguage(UiLanguage::English);
    OrgData data = checkedData();
    data.users.push_back(user(20002, 201, "ann@corp.example")); // the same e-mail as a user of group 1
    EXPECT_EQ(report(data, options(2)),
              (std::vector<std::string>{"User 20002 (#8): e-mail ann@corp.example is held by 2 users",
                                        "Rows the editors refuse: Invalid e-mail! (1)",
                                        "  User 20001 (#6): Email \"wu.li@corp.example\""}));
    const std::vector<CheckFinding> groupOne = CheckOrgData(data, options(1));
    EXPECT_TRUE(std::none_of(groupOne.begin(), groupOne.end(), [](const CheckFinding& f) {
        return f.subject == CheckSubject::SignOnRecord || f.subject == CheckSubject::VirtualUnits || f.id / 10000 == 2;
    }));
}

} // namespace
} // namespace qar
