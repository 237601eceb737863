// Users through the user editor's rules: the dry run of a hostile users sheet, the round trip of units
// and users in one workbook, updates, and the rollback when the users' insert fails after the units'.
#include "OdbcTestDb.h"
#include "db/ChangeLog.h"
#include "db/OdbcError.h"
#include "intake/IntakeApply.h"
#include "intake/IntakeExport.h"
#include "intake/IntakeJob.h"
#include "platform/Md5.h"
#include "resources/StringIds.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

namespace qar
{
namespace
{

void writeRoles(const test::TempDir& programDir)
{
    test::writeFile(
        programDir.file("UserData/config/xmldata/role.xml"),
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<QAR_ROLE>\n<R ID=\"0\" N=\"Staff\" SMS=\"20\" P=\"0\"/>\n"
        "<R ID=\"2\" N=\"Manager\" SMS=\"255\" P=\"655360\"/>\n</QAR_ROLE>\n");
}

using Finding = std::tuple<std::uint32_t, std::string, int>;

TEST(IntakeUsers, ReportsEveryHostileUserRowWithTheEditorsMessages)
{
    test::TempDir dir;
    test::ScopedEnv programDir("QAR_PROGRAM_DIR", dir.path().c_str());
    writeRoles(dir);
    OrgData data;
    data.groups = {{1, "One", {}, 0, 0, 3, 0}}; // a limit of three members
    data.units = {{101, "Head", 0, 1, true, false, 0, "", "", 1, 0, std::nullopt}};
    data.users = {UserRecord{10000, "x", "Old", 0, 0, "old@corp.example", "13900000000", 101, "", 1, 0, 0, 0, 1, {}}};
    IntakeFile file;
    file.label = "users.csv";
    ReadCsvText(file,
                "ID,Name,Password,Unit,Email,Mobile,Role,Status,Group\n"
                "10001,Ann,pw,101,ann@corp.example,13800000001,2,1,\n"
                "0,Bob,pw,101,,,0,1,\n"
                "10001,Dup,pw,101,,,0,1,\n"
                "10003,,pw,101,,,0,1,\n"
                "10004,Cy,,101,,,0,1,\n"
                "10005,Di,pw,999,,,0,1,\n"
                "10006,Ed,pw,101,,23800000000,0,1,\n"
                "10007,Fa,pw,101,,13900000000,0,1,\n"
                "10008,Gi,pw,101,a@b.c,,0,1,\n"
                "10009,Hu,pw,101,ann@corp.example,,0,1,\n"
                "10010,Io,pw,101,,,9,1,\n"
                "10011,Jo,pw,101,,,0,4,\n"
                "10012,Ka,pw,101,,,0,1,2\n"
                "90000000,La,pw,101,,,0,1,\n"
                "10014,Mo,0123456789abcdef0123456789abcdef,101,,,0,1,\n"
                "10015,No,pw,101,,,0,1,\n",
                FileEncoding::Auto, 100);
    IntakeOptions options;
    options.passwordMethod = "md5";
    const IntakePlan plan = PlanFiles(data, {file}, options, EditorUserRowRules(), SheetKind::Users);
    std::vector<Finding> got;
    for (const IntakeProblem& p : plan.problems) {
        got.emplace_back(p.line, p.column, p.messageId);
    }
    const std::vector<Finding> expected = {
        {3, "ID", str::kIllegalUserId},       {4, "ID", str::kUserIdExists},
        {5, "Name", str::kInputCantBeNull},   {6, "Password", str::kInputCantBeNull},
        {7, "Unit", str::kRowUnitMissing},    {8, "Mobile", str::kIllegalMobile},
        {9, "Mobile", str::kMobileExists},    {10, "Email", str::kInvalidEmail},
        {11, "Email", str::kEmailExists},     {12, "Role", str::kRowRoleMissing},
        {13, "Status", str::kRowStatusRange}, {14, "Group", str::kRowGroupMismatch},
        {15, "ID", str::kIllegalUserId},      {17, "Unit", str::kUserAmountAtLimit},
    };
    EXPECT_EQ(got, expected);
    ASSERT_EQ(plan.users.size(), 2u);
    EXPECT_EQ(plan.users[0].row.password, Md5Hex("pw"));
    EXPECT_EQ(plan.users[0].row.role, 2);
    EXPECT_EQ(plan.users[1].row.password, "0123456789abcdef0123456789abcdef"); // 32 characters: kept
}

class IntakeUsersDbTest : public test::DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        ResetChangeLogForTesting();
        writeRoles(programDir());
        m_db.Open(db().connectString());
        db().exec("INSERT INTO [GroupTable] ([GROUP_ID], [GROUP_NAME], [GROUP_COUNT]) VALUES (1, 'One', 0)");
        db().exec("INSERT INTO [UnitTable] ([UNIT_ID], [UNIT_NAME], [SUPER_ID], [TREE_CLASS], [UNIT_STATUS], "
                  "[CAN_LOG], [OL_TIME], [UNIT_ALIAS], [LOG_PWD], [GROUP_ID], [UNIT_FLAG]) VALUES "
                  "(101, 'Head', 0, 1, 1, 0, 0, '', '', 1, 0), (102, 'Desk', 101, 2, 1, 0, 0, '', '', 1, 0)");
        db().exec("INSERT INTO [BaseTable] ([USER_ID], [PASSWORD], [NAME], [MACHINE_ID], [POWER_FLAG], [EMAIL], "
                  "[MOBILE], [UNIT_ID], [DUTY], [USER_STATUS], [OL_TIME], [SCORE], [DUTY_CLASS], [GROUP_ID]) VALUES "
                  "(10001, 'e10adc3949ba59abbe56e057f20f883e', '\xE5\xBC\xA0\xE4\xB8\x89', 7, 65536, "
                  "'zhang@corp.example', '13800000001', 102, '=Manager', 1, 120, 9, 2, 1), "
                  "(10002, '-secret', 'Bob, \"B\"', 0, 0, '', '', 101, '', 3, 0, 0, 0, 1)");
    }
    void TearDown() override
    {
        m_db.Close();
        DbTest::TearDown();
    }

    IntakePlan plan(const std::string& path, OnExisting onExisting = OnExisting::Stop)
    {
        IntakeOptions options;
        options.onExisting = onExisting;
        return PlanFiles(ReadOrgData(m_db), {ReadIntakeFile(path)}, options, EditorUserRowRules());
    }

    CXDatabase m_db;
    test::TempDir m_dir;
};

TEST_P(IntakeUsersDbTest, AWorkbookOfUnitsAndUsersReadsBackIntoAnEmptyDatabase)
{
    const OrgData before = ReadOrgData(m_db);
    const std::string path = m_dir.file("org.xlsx");
    std::string error;
    ASSERT_EQ(
        ExportFile(before, {{SheetKind::Units, SheetKind::Users}, std::nullopt, SpreadsheetFormat::Xlsx}, path, error),
        4u)
        << error;
    db().exec("DELETE FROM [BaseTable]");
    db().exec("DELETE FROM [UnitTable]");
    const IntakePlan p = plan(path);
    ASSERT_TRUE(p.problems.empty()) << IntakeProblemText(p.problems[0]);
    EXPECT_TRUE(ApplyPlan(m_db, p, ReadOrgData(m_db), false).committed);
    const OrgData after = ReadOrgData(m_db);
    EXPECT_EQ(after.users, before.users);
    EXPECT_EQ(after.units, before.units);
}

TEST_P(IntakeUsersDbTest, UpdatesStoredUsersAndKeepsNothingWhenTheUsersInsertFails)
{
    const std::string update = test::writeFile(m_dir.file("update.csv"), "ID,Name,Password,Unit,Email\n"
                                                                         "10002,Bob,x,101,bob@corp.example\n"
                                                                         "10003,Cy,x,102,\n");
    const IntakePlan p = plan(update, OnExisting::Update);
    ASSERT_TRUE(p.problems.empty()) << IntakeProblemText(p.problems[0]);
    const ApplyResult r = ApplyPlan(m_db, p, ReadOrgData(m_db), true);
    EXPECT_EQ(std::tie(r.usersAdded, r.usersUpdated), std::make_tuple(std::size_t{1}, std::size_t{1}));
    EXPECT_EQ(db().query("SELECT [EMAIL] FROM [BaseTable] WHERE [USER_ID] = 10002"),
              test::rows({{"bob@corp.example"}}));
    EXPECT_EQ(db().query("SELECT [Key_Value], [Change_Act] FROM [ChangeTable] ORDER BY [REC_ID]"),
              test::rows({{"10002", "2"}, {"10003", "0"}}));

    // Units go in first; the users' insert then fails and takes the units with it.
    const std::string both = test::writeFile(m_dir.file("both.csv"), "ID,Name,Password,Unit\n10004,Di,x,101\n");
    const std::string units = test::writeFile(m_dir.file("units.csv"), "ID,Name,Parent,Group\n103,New,101,1\n");
    if (GetParam() == test::DbKind::Sqlite) {
        db().exec("CREATE TRIGGER refuse BEFORE INSERT ON [BaseTable] BEGIN SELECT RAISE(ABORT, 'refused'); END");
    } else {
        db().exec("CREATE TRIGGER refuse BEFORE INSERT ON [BaseTable] FOR EACH ROW "
                  "SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'refused'");
    }
    const IntakePlan failing = PlanFiles(ReadOrgData(m_db), {ReadIntakeFile(units), ReadIntakeFile(both)},
                                         IntakeOptions{}, EditorUserRowRules());
    ASSERT_EQ(failing.units.size() + failing.users.size(), 2u);
    EXPECT_THROW(ApplyPlan(m_db, failing, ReadOrgData(m_db), true), DbError);
    EXPECT_EQ(db().count("[UnitTable] WHERE [UNIT_ID] = 103"), 0);
    EXPECT_EQ(db().count("[ChangeTable]"), 2);
}

QAR_DB_TEST_ON_BOTH_ENGINES(IntakeUsersDbTest);

} // namespace
} // namespace qar
