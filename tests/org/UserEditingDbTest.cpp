#include "OrgDbTest.h"
#include "db/ChangeLog.h"
#include "db/ColumnMap.h"
#include "org/IndepUsers.h"
#include "org/UserEditing.h"
#include "platform/DiagnosticLog.h"
#include "platform/Md5.h"
#include "resources/StringIds.h"
#include "xml/DomainUserFile.h"
#include "xml/MultiUnitUsers.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

namespace qar
{
namespace
{

using test::rows;

/// For its lifetime the cryptography library finds no digest, as under a configuration that allows only
/// approved ones (MD5 refused): a default property no implementation has.
struct RefusedDigests
{
    RefusedDigests() { EVP_set_default_properties(nullptr, "qar.refused=yes"); }
    ~RefusedDigests() { EVP_set_default_properties(nullptr, ""); }
};

class UserEditingDbTest : public test::OrgDbTest
{
protected:
    void SetUp() override
    {
        OrgDbTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        db().exec("INSERT INTO [UnitTable] ([UNIT_ID], [UNIT_NAME], [SUPER_ID], [TREE_CLASS], [UNIT_STATUS], "
                  "[GROUP_ID]) VALUES (101, 'Sales', 0, 1, 1, 1), (102, 'Ops', 0, 1, 1, 1), (201, 'Far', 0, 1, 1, 2)");
        user(10001, 101, 1, "a@example.com", "13900000001");
        user(10002, 201, 2);
        user(10003, 201, 2);
        openAndBuild();
    }
    void user(int id, int unit, int group, const std::string& email = {}, const std::string& mobile = {})
    {
        const auto n = [](int v) { return std::to_string(v); };
        db().exec("INSERT INTO [BaseTable] ([USER_ID], [PASSWORD], [NAME], [MACHINE_ID], [POWER_FLAG], [EMAIL], "
                  "[MOBILE], [UNIT_ID], [DUTY], [USER_STATUS], [OL_TIME], [SCORE], [DUTY_CLASS], [GROUP_ID]) VALUES "
                  "(" +
                  n(id) + ", 'pw', 'u" + n(id) + "', 7, 0, '" + email + "', '" + mobile + "', " + n(unit) +
                  ", '', 1, 30, 40, 0, " + n(group) + ")");
    }
    UserEditing editing(const std::string& method = "MD5")
    {
        UserEditEnvironment env;
        env.params.passwordMethod = method;
        env.extendedSection = true;
        env.domainUsers = m_domain.get();
        env.groupUserLimit = [](std::int32_t group) { return group == 2 ? 2 : 0; }; // 0: no limit
        return UserEditing(m_model, env);
    }
    OrgTree::NodeId userNode(std::int32_t id) const { return test::findUserNode(m_model.tree(), id); }
    /// Opens the form on `node` (add or edit), lets `fill` change the fields and saves.
    OrgMessage save(UserEditing& e, OrgTree::NodeId node, bool edit, const std::function<void(UserForm&)>& fill)
    {
        m_model.select(node);
        auto start = edit ? e.startEditUser() : e.startAddUser();
        if (auto* message = std::get_if<OrgMessage>(&start)) {
            return *message;
        }
        UserEditSession& s = std::get<UserEditSession>(start);
        fill(s.fields);
        auto valid = s.form.validate(s.fields, s.extendedSection, s.signDomain);
        if (auto* error = std::get_if<UserFormError>(&valid)) {
            return {error->messageId, {}};
        }
        return edit ? e.finishEditUser(s, std::get<ValidUser>(valid)) : e.finishAddUser(s, std::get<ValidUser>(valid));
    }

    std::unique_ptr<DomainUserFile> m_domain = std::make_unique<DomainUserFile>(
        test::writeFile(programDir().file("Userx.xml"), "<QAR_USERX><DOMAIN>CORP</DOMAIN></QAR_USERX>"));
};

// A group node and a full group are refused before anything is written; a user added gets its row, node,
// list entries, change row and sign-on record.
TEST_P(UserEditingDbTest, AddsAUserWithItsRowNodeListsAndChangeRow)
{
    UserEditing e = editing();
    EXPECT_EQ(save(e, m_model.index().groupNodes.at(1), false, [](UserForm&) {}).messageId,
              str::kAddUserUnderDepartment);
    // Group 2 holds two listed users and allows two.
    EXPECT_EQ(save(e, m_model.index().unitNodes.at(201), false,
                   [](UserForm& f) {
                       f.name = "x";
                       f.password = f.passwordAgain = "p";
                   })
                  .messageId,
              str::kUserAmountAtLimit);
    EXPECT_EQ(db().count("[BaseTable]"), 3);
    EXPECT_TRUE(m_events.empty());

    const std::string name = std::string("O'Neil; 100% \"x\"") + std::string(239, 'n');
    ASSERT_EQ(name.size(), 255u);
    EXPECT_FALSE(save(e, m_model.index().unitNodes.at(102), false, [&](UserForm& f) {
        EXPECT_EQ(f.userIdText, "10004");
        f.name = name;
        f.password = f.passwordAgain = "secret';--";
        f.email = "new@example.com";
        f.mobile = "13900000009";
        f.power = 0x40000;
        f.domainAccount = "li";
    }));
    EXPECT_EQ(db().query("SELECT [NAME], [PASSWORD], [UNIT_ID], [GROUP_ID], [MACHINE_ID], [POWER_FLAG], "
                         "[USER_STATUS], [OL_TIME] FROM [BaseTable] WHERE [USER_ID] = 10004"),
              (test::Rows{{name, Md5Hex("secret';--"), "102", "1", "0", "262144", "1", "0"}}));
    EXPECT_EQ(db().changeRows(), rows({{"0", "BASE_USERS", "USER_ID", "10004", "0"}}));
    EXPECT_EQ(m_events, (std::vector<std::string>{"users", "buttons"}));
    EXPECT_EQ(m_model.changedUsers(), std::vector<std::int32_t>{10004});
    const OrgTree::NodeId node = userNode(10004);
    ASSERT_NE(node, OrgTree::kNone);
    EXPECT_EQ(m_model.tree().image(node), kImageUser); // the administrator image waits for the next build
    EXPECT_EQ(m_model.selected(), node);               // selected, as a new unit is
    EXPECT_EQ(m_model.index().nextUserId, 10005);
    EXPECT_EQ(m_model.index().emails.back(), "new@example.com");
    EXPECT_EQ(DomainUserFile(m_domain->path()).FindDomainUser(10004)->domainAccount, "li"); // saved with the row
}

TEST_P(UserEditingDbTest, ANewIdLogsTheOldOneDeletedThenTheNewOneAdded)
{
    UserEditing e = editing();
    EXPECT_FALSE(save(e, userNode(10001), true, [](UserForm& f) {
        EXPECT_EQ(f.password, "pw");
        f.userIdText = "10010";
        f.departmentIndex = 1; // [102] Ops
    }));
    EXPECT_EQ(db().query("SELECT [USER_ID], [UNIT_ID], [MACHINE_ID], [OL_TIME], [SCORE], [PASSWORD] FROM [BaseTable] "
                         "WHERE [NAME] = 'u10001'"),
              rows({{"10010", "102", "7", "30", "40", Md5Hex("pw").c_str()}}));
    EXPECT_EQ(db().changeRows(),
              rows({{"0", "BASE_USERS", "USER_ID", "10001", "1"}, {"1", "BASE_USERS", "USER_ID", "10010", "0"}}));
    EXPECT_EQ(m_model.tree().parent(m_model.selected()), m_model.index().unitNodes.at(102));
    EXPECT_EQ(m_model.tree().itemData(m_model.selected()), 10010);
    const auto& ids = m_model.index().allUserIds;
    EXPECT_EQ(std::count(ids.begin(), ids.end(), 10001), 0);
    EXPECT_EQ(std::count(ids.begin(), ids.end(), 10010), 1);
}

// The change rows cannot be written: the user's row goes with them, for a new user and for a new id, and
// the tree shows the table again.
TEST_P(UserEditingDbTest, AUserRowStaysOnlyWithItsChangeRows)
{
    UserEditing e = editing();
    const test::Rows before = db().query("SELECT [USER_ID], [UNIT_ID] FROM [BaseTable] ORDER BY [USER_ID]");
    db().exec("ALTER TABLE [ChangeTable] RENAME TO [Away]");
    for (const bool edit : {false, true}) {
        SCOPED_TRACE(edit ? "new id" : "new user");
        const OrgTree::NodeId node = edit ? userNode(10001) : m_model.index().unitNodes.at(102);
        EXPECT_EQ(save(e, node, edit,
                       [](UserForm& f) {
                           f.userIdText = "10010";
                           f.name = "New";
                           f.password = f.passwordAgain = "pw";
                       })
                      .messageId,
                  str::kOperationFailed);
        EXPECT_EQ(db().query("SELECT [USER_ID], [UNIT_ID] FROM [BaseTable] ORDER BY [USER_ID]"), before);
        EXPECT_EQ(userNode(10010), OrgTree::kNone);
        EXPECT_NE(userNode(10001), OrgTree::kNone);
        EXPECT_TRUE(m_events.empty());
    }
    db().exec("ALTER TABLE [Away] RENAME TO [ChangeTable]");
}

TEST_P(UserEditingDbTest, APasswordAloneIsWrittenWithoutAChangeRowAndNothingChangedWritesNothing)
{
    UserEditing e = editing("");
    EXPECT_FALSE(save(e, userNode(10001), true, [](UserForm&) {}));
    EXPECT_TRUE(m_events.empty());
    EXPECT_FALSE(m_model.usersChanged());

    EXPECT_FALSE(save(e, userNode(10001), true, [](UserForm& f) { f.password = f.passwordAgain = "new;pw%"; }));
    EXPECT_EQ(db().query("SELECT [PASSWORD] FROM [BaseTable] WHERE [USER_ID] = 10001"), rows({{"new;pw%"}}));
    EXPECT_EQ(db().count("[ChangeTable]"), 0);
    EXPECT_TRUE(m_model.usersChanged());

    EXPECT_FALSE(save(e, userNode(10001), true, [](UserForm& f) { f.name = "renamed"; }));
    EXPECT_EQ(db().changeRows(), rows({{"0", "BASE_USERS", "USER_ID", "10001", "2"}}));
}

TEST_P(UserEditingDbTest, NeverOverwritesARowAnotherProgramChangedOrDeleted)
{
    const struct
    {
        const char* what;
        const char* statement;
        bool reopenMeanwhile; // the refresh timer read the table again while the form was open
        int message;
    } cases[] = {
        {"changed", "UPDATE [BaseTable] SET [NAME] = 'theirs' WHERE [USER_ID] = 10001", false, str::kOperationFailed},
        {"changed, table read again", "UPDATE [BaseTable] SET [MOBILE] = '13911111111' WHERE [USER_ID] = 10001", true,
         str::kOperationFailed},
        {"deleted", "DELETE FROM [BaseTable] WHERE [USER_ID] = 10001", false, 0},
        {"deleted, table read again", "DELETE FROM [BaseTable] WHERE [USER_ID] = 10001", true, 0},
    };
    const test::ScopedEnv state("XDG_STATE_HOME", programDir().file("state").c_str());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        db().exec("DELETE FROM [BaseTable] WHERE [USER_ID] = 10001");
        user(10001, 101, 1);
        m_users.Close();
        openAndBuild();
        UserEditing e = editing();
        m_model.select(userNode(10001));
        auto start = e.startEditUser();
        UserEditSession& s = std::get<UserEditSession>(start);
        s.fields.name = "mine";
        const ValidUser valid = std::get<ValidUser>(s.form.validate(s.fields, false, ""));
        db().exec(c.statement);
        if (c.reopenMeanwhile) {
            m_users.Close();
            m_users.Open();
        }
        std::remove(DiagnosticLogPath().c_str());
        EXPECT_EQ(e.finishEditUser(s, valid).messageId, c.message);
        EXPECT_EQ(db().count("[BaseTable] WHERE [NAME] = 'mine'"), 0);
        // The tree shows the table as it is now; the status line and the log say what happened.
        EXPECT_EQ(userNode(10001) != OrgTree::kNone, c.message != 0);
        EXPECT_EQ(DescribeChange(m_model.takeReport()),
                  (std::vector<StatusPart>{
                      {c.message != 0 ? str::kStatusUserNotSaved : str::kStatusUserAlreadyDeleted, {10001}}}));
        EXPECT_EQ(test::readFile(DiagnosticLogPath()).find("was not saved") != std::string::npos, c.message != 0);
    }
    EXPECT_EQ(db().count("[ChangeTable]"), 0);
}

// A password digest the system refuses fails the add and the edit with 253 and the cause; nothing is
// written, not even an empty password, and nothing of the user is kept.
TEST_P(UserEditingDbTest, ADigestTheSystemRefusesFailsTheWriteWithItsCause)
{
    for (const bool edit : {false, true}) {
        SCOPED_TRACE(edit ? "edit" : "add");
        UserEditing e = editing();
        std::optional<RefusedDigests> refused;
        const OrgMessage result =
            save(e, edit ? userNode(10001) : m_model.index().unitNodes.at(102), edit, [&](UserForm& f) {
                f.name = "New";
                f.password = f.passwordAgain = "secret";
                refused.emplace(); // after the connection is made: it needs no digest afterwards
            });
        refused.reset();
        EXPECT_EQ(result.messageId, str::kOperationFailed);
        EXPECT_NE(result.failure.cause.find("MD5"), std::string::npos) << result.failure.cause;
        EXPECT_EQ(db().count("[BaseTable] WHERE [NAME] = 'New' OR [PASSWORD] = ''"), 0);
        EXPECT_FALSE(m_domain->modified);
        EXPECT_TRUE(m_model.changedUsers().empty());
    }
}

TEST_P(UserEditingDbTest, IndependentUsersAreListedAddedEditedAndDeletedWithoutChangeRows)
{
    db().exec("UPDATE [BaseTable] SET [UNIT_ID] = 0, [POWER_FLAG] = 65536, [EMAIL] = 'adm@example.com' WHERE [USER_ID] "
              "= 10002");
    m_users.Open();
    IndepUserModel independent(&m_users, AccountListMode::IndependentUsers);
    IndepUserModel admins(&m_users, AccountListMode::Administrators);
    ASSERT_EQ(independent.rows(kAllGroups).size(), 1u);
    EXPECT_EQ(independent.rows(kAllGroups)[0].image, 6);
    EXPECT_TRUE(independent.rows(1).empty());
    EXPECT_FALSE(admins.addEnabled());

    ShortUserForm form = independent.startAdd(kAllGroups);
    EXPECT_EQ(form.userIdText, "10004");
    EXPECT_EQ(form.groupText, "-1");
    form.name = "Indie";
    form.password = form.passwordAgain = "plain";
    form.email = "indie@example.com";
    EXPECT_FALSE(independent.finishAdd(std::get<ValidShortUser>(ValidateShortUserForm(form))));
    EXPECT_EQ(db().query("SELECT [UNIT_ID], [GROUP_ID], [PASSWORD], [USER_STATUS], [DUTY] FROM [BaseTable] WHERE "
                         "[USER_ID] = 10004"),
              rows({{"0", "-1", "plain", "1", ""}}));
    EXPECT_EQ(independent.rows(kAllGroups).size(), 2u);

    std::optional<ShortUserForm> edit = admins.startEdit(10002);
    ASSERT_TRUE(edit);
    edit->power = 0x40000;
    db().exec("UPDATE [BaseTable] SET [SCORE] = 99 WHERE [USER_ID] = 10002");
    EXPECT_EQ(admins.finishEdit(10002, std::get<ValidShortUser>(ValidateShortUserForm(*edit))).messageId,
              str::kOperationFailed);
    edit = admins.startEdit(10002);
    edit->power = 0x40000;
    EXPECT_FALSE(admins.finishEdit(10002, std::get<ValidShortUser>(ValidateShortUserForm(*edit))));
    EXPECT_EQ(admins.rows(2)[0].powerTextId, str::kPowerSysAdmin);

    EXPECT_EQ(independent.startDelete(10004), "Indie");
    EXPECT_FALSE(independent.finishDelete(10004));
    EXPECT_FALSE(independent.startDelete(10004));
    EXPECT_EQ(db().count("[ChangeTable]"), 0);

    // A database error on add shows the database's own text.
    const ValidShortUser tooLong{10005, std::string(300, 'x'), "p", "a@b.cd", "", 1, 0};
    if (db().kind() == test::DbKind::MariaDb) {
        EXPECT_FALSE(independent.finishAdd(tooLong).databaseText.empty());
    }
}

// A user's records in Userx.xml and MUser.xml follow it through a new id and a delete, so an id freed
// gives nobody another person's sign-on account, quota or units; records stay with an id another row
// still holds, and a file that cannot be written is named with its cause while the row stays as written.
TEST_P(UserEditingDbTest, RecordsFollowTheUserSoAFreedIdInheritsNothing)
{
    const std::string units = test::writeFile(programDir().file("UserData/config/xmldata/MUser.xml"),
                                              "<QAR_USERS><USER ID=\"10004\" UNITS=\"5\"/></QAR_USERS>");
    m_domain = std::make_unique<DomainUserFile>(
        test::writeFile(programDir().file("UserData/data/Userx.xml"),
                        "<QAR_USERX><DOMAIN>C</DOMAIN><USERS><U ID=\"10004\" DN=\"left\"/></USERS></QAR_USERX>"));
    m_model.setDomainUsers(m_domain.get());
    // A user's records as "account/size|units", "|" for none.
    const auto records = [&](std::int32_t id) {
        DomainUserFile file(m_domain->path());
        const DomainUserRecord* account = file.FindDomainUser(id);
        MultiUnitUsers multi;
        multi.Load(units);
        return (account ? account->domainAccount + "/" + std::to_string(account->netDiskMb) : std::string()) + "|" +
               FormatUnitsText(multi.GetUserUnits(static_cast<std::uint32_t>(id)));
    };
    UserEditing e = editing();
    ASSERT_FALSE(save(e, m_model.index().unitNodes.at(101), false, [](UserForm& f) {
        f.userIdText = "10301";
        f.name = f.password = f.passwordAgain = "Ceshi";
        f.domainAccount = "ceshi.user";
        f.netDiskMb = 300;
    }));
    MultiUnitUsers set; // what "Set Virtual Units" writes
    set.Load(units);
    set.SetUserUnits(10301, {117});
    ASSERT_TRUE(set.Save(units));
    ASSERT_FALSE(save(e, userNode(10301), true, [](UserForm& f) { f.userIdText = "10302"; }));
    EXPECT_EQ(records(10301), "|");
    EXPECT_EQ(records(10302), "ceshi.user/300|117");
    m_model.select(userNode(10302));
    ASSERT_FALSE(m_model.deleteSelected([](int) { return true; }));
    EXPECT_EQ(records(10302), "|");

    // The next user given an id an earlier delete left records of gets none of them.
    m_users.Open();
    IndepUserModel independent(&m_users, AccountListMode::IndependentUsers, m_domain.get());
    ShortUserForm form = independent.startAdd(1);
    ASSERT_EQ(form.userIdText, "10004");
    form.name = form.password = form.passwordAgain = "Next";
    form.email = "next@example.com";
    EXPECT_FALSE(independent.finishAdd(std::get<ValidShortUser>(ValidateShortUserForm(form))));
    EXPECT_EQ(records(10004), "|");

    set.Load(units);
    set.SetUserUnits(10002, {3});
    set.SetUserUnits(10004, {4});
    ASSERT_TRUE(set.Save(units));
    user(10002, 101, 1); // a second row of id 10002
    for (const std::int32_t id : {10004, 10002}) {
        ASSERT_TRUE(independent.startDelete(id));
        const test::ScopedSaveFailure blocked(units);
        const std::vector<FileFailure> failed = independent.finishDelete(id).fileFailures;
        EXPECT_EQ(failed.size(), id == 10004 ? 1u : 0u); // the other id still holds its records: nothing to write
        if (!failed.empty()) {
            EXPECT_EQ(failed[0], (FileFailure{units, EISDIR}));
        }
        EXPECT_EQ(db().count("[BaseTable] WHERE [USER_ID] = " + std::to_string(id)), id == 10004 ? 0 : 1);
    }
    EXPECT_EQ(records(10004), "|4");
    EXPECT_EQ(records(10002), "|3");
}

// An edit keeps what the form cannot show: a role role.xml lacks stays, and a NULL weight stays NULL unless
// a number is typed; changing only the weight writes no change row.
TEST_P(UserEditingDbTest, AnEditKeepsARoleMissingFromRoleXmlAndANullWeight)
{
    writeDbFieldDat("[ADD_TABLES]\nUTB_WEIGHT=Weight\n");
    db().exec("ALTER TABLE [BaseTable] ADD Weight integer NULL");
    db().exec("UPDATE [BaseTable] SET [DUTY_CLASS] = 5, [Weight] = 7 WHERE [USER_ID] = 10001");
    ColumnMap::resetAllForTesting();
    CXTableUser users(&m_connection);
    CUnitUserModel model(OrgTables{&m_groups, &m_units, &users}, m_effects);
    users.Open();
    model.buildTree();
    UserEditEnvironment env;
    env.roleFile = test::writeFile(programDir().file("role.xml"), "<QAR_ROLE><R ID=\"0\"/><R ID=\"3\"/></QAR_ROLE>");
    UserEditing e(model, env);
    const auto edit = [&](std::int32_t id, const std::function<void(UserForm&)>& change) {
        model.select(test::findUserNode(model.tree(), id));
        auto start = e.startEditUser();
        UserEditSession& s = std::get<UserEditSession>(start);
        change(s.fields);
        EXPECT_EQ(s.form.missingRole(), id == 10001 ? std::optional<std::uint8_t>(5) : std::nullopt);
        return e.finishEditUser(s, std::get<ValidUser>(s.form.validate(s.fields, false, ""))).messageId;
    };
    EXPECT_EQ(edit(10001, [](UserForm& f) { f.weightText = "9"; }), 0);
    EXPECT_EQ(edit(10002, [](UserForm& f) { f.name = f.weightText.empty() ? "renamed" : "shown"; }), 0);
    EXPECT_EQ(db().query("SELECT [DUTY_CLASS], [Weight], [NAME] FROM [BaseTable] WHERE [USER_ID] IN (10001, 10002) "
                         "ORDER BY [USER_ID]"),
              (test::Rows{{"5", "9", "u10001"}, {"0", std::nullopt, "renamed"}}));
    EXPECT_EQ(db().changeRows(), rows({{"0", "BASE_USERS", "USER_ID", "10002", "2"}}));
    EXPECT_EQ(edit(10001, [](UserForm& f) { f.roleIndex = 1; }), 0); // "3 - "
    EXPECT_EQ(db().count("[BaseTable] WHERE [USER_ID] = 10001 AND [DUTY_CLASS] = 3"), 1);
    ColumnMap::resetAllForTesting();
}

QAR_DB_TEST_ON_BOTH_ENGINES(UserEditingDbTest);

} // namespace
} // namespace qar
