// The demo follows the editors' rules: generated as scripts/demo generates it, in the demo's program
// directory, the data check finds nothing, and every group exported and read back with "update" has
// nothing refused and nothing to update.
#include "DataGenerator.h"
#include "OdbcTestDb.h"
#include "db/ChangeLog.h"
#include "db/ColumnMap.h"
#include "db/SchemaExtension.h"
#include "intake/IntakeExport.h"
#include "intake/IntakeJob.h"
#include "intake/OrgCheck.h"
#include "org/UserForm.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace qar
{
namespace
{

class DemoDataTest : public test::DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        // The files scripts/demo puts into the program directory that the generator and the editors read.
        const std::string demo = QAR_DEMO_DIR;
        test::writeFile(programDir().file("UserData/config/xmldata/role.xml"),
                        test::readFile(demo + "/xmldata/role.xml"));
        test::writeFile(programDir().file("UserData/setting/EnvParam.dat"), test::readFile(demo + "/EnvParam.dat"));
        writeDbFieldDat(test::readFile(demo + "/DBField.dat"));
        writeDbDat("[CONFIG]\nUTB=BaseTable\n");
        ColumnMap::resetAllForTesting();
        ResetChangeLogForTesting();
    }

    test::TempDir m_dir;
};

TEST_P(DemoDataTest, FollowsTheEditorsRulesAndEveryGroupReadsBackUnchanged)
{
    DataGenOptions options = DemoDataOptions();
    FollowProgramDirectory(options);
    generateData(m_connection, options);
    EnsureWeightColumns(m_connection, db().connectString()); // as the tool does when it starts

    // New users get their passwords stored as the generated ones are.
    IntakeOptions intake;
    intake.onExisting = OnExisting::Update;
    ReadEditorEnvironment(m_connection, intake);
    EXPECT_EQ(intake.passwordMethod, "MD5");
    const OrgData data = ReadOrgData(m_connection);
    ASSERT_EQ(data.users.size(), 300u);
    ASSERT_TRUE(data.userWeight);
    for (const UserRecord& u : data.users) {
        ASSERT_EQ(u.password, ApplyPasswordMethod(intake.passwordMethod, "123456")) << u.id;
    }

    EXPECT_EQ(CheckReportLines(CheckOrgData(data, EditorCheckOptions())), std::vector<std::string>{});
    std::size_t rows = 0;
    for (const GroupRecord& g : data.groups) {
        SCOPED_TRACE(g.id);
        const std::string path = m_dir.file("group" + std::to_string(g.id) + ".xlsx");
        std::string error;
        const auto exported =
            ExportFile(data, {{SheetKind::Units, SheetKind::Users}, g.id, SpreadsheetFormat::Xlsx}, path, error);
        ASSERT_TRUE(exported) << error;
        const IntakePlan plan = PlanFiles(data, {ReadIntakeFile(path)}, intake, EditorUserRowRules());
        EXPECT_EQ(plan.refused, 0u) << (plan.problems.empty() ? "" : IntakeProblemText(plan.problems.front()));
        EXPECT_EQ(plan.toAdd() + plan.toUpdate(), 0u);
        EXPECT_EQ(plan.unchanged, *exported);
        rows += *exported;
    }
    EXPECT_EQ(rows, data.units.size() + data.users.size());

    clearGeneratedTables(m_connection);
    generateData(m_connection, options);
    EXPECT_EQ(ReadOrgData(m_connection).users, data.users) << "the same seed gives the same rows";
}

QAR_DB_TEST_ON_BOTH_ENGINES(DemoDataTest);

} // namespace
} // namespace qar
