#include "OdbcTestDb.h"
#include "QarCtl.h"
#include "db/ChangeLog.h"
#include "db/OdbcError.h"
#include "intake/IntakeApply.h"
#include "intake/IntakeExport.h"
#include "intake/IntakeJob.h"
#include "resources/StringTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace qar
{
namespace
{

class IntakeDbTest : public test::DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        ResetChangeLogForTesting();
        m_db.Open(db().connectString());
        db().exec("INSERT INTO [GroupTable] ([GROUP_ID], [GROUP_NAME], [GROUP_COUNT]) VALUES (1, 'One', 0), "
                  "(2, 'Two', 0)");
    }
    void TearDown() override
    {
        m_db.Close();
        DbTest::TearDown();
    }

    /// Imports files into the database; the plan must have nothing to report.
    ApplyResult import(const std::vector<std::string>& paths, bool logChanges = false,
                       const ApplyProgress& progress = {})
    {
        std::vector<IntakeFile> files;
        for (const std::string& p : paths) {
            files.push_back(ReadIntakeFile(p));
        }
        const OrgData data = ReadOrgData(m_db);
        const IntakePlan plan = PlanFiles(data, files, IntakeOptions{}, EditorUserRowRules());
        EXPECT_TRUE(plan.problems.empty()) << (plan.problems.empty() ? "" : IntakeProblemText(plan.problems[0]));
        return ApplyPlan(m_db, plan, data, logChanges, progress);
    }

    static std::vector<UnitRecord> sortedUnits(OrgData data)
    {
        std::sort(data.units.begin(), data.units.end(), [](const auto& a, const auto& b) { return a.id < b.id; });
        return data.units;
    }

    void seedUnits()
    {
        // Names an export must carry through untouched: formulas, quotes, commas, Chinese, blanks around.
        db().exec("INSERT INTO [UnitTable] ([UNIT_ID], [UNIT_NAME], [SUPER_ID], [TREE_CLASS], [UNIT_STATUS], "
                  "[CAN_LOG], [OL_TIME], [UNIT_ALIAS], [LOG_PWD], [GROUP_ID], [UNIT_FLAG]) VALUES "
                  "(103, 'Sales, \"North\"', 101, 2, 0, 1, -5, '@sales', '=1+2', 1, 66), "
                  "(101, '\xE6\x80\xBB\xE9\x83\xA8', 0, 1, 1, 0, 0, '', '', 1, 0), "
                  "(201, ' Two ', 0, 1, 1, 0, 7, '', '-x', 2, 2), "
                  "(104, '+plus', 103, 3, 1, 0, 0, '''q', '', 1, 128)");
    }

    CXDatabase m_db;
    test::TempDir m_dir;
};

TEST_P(IntakeDbTest, AnExportImportedIntoAnEmptyDatabaseGivesTheSameRows)
{
    seedUnits();
    const OrgData before = ReadOrgData(m_db);
    for (SpreadsheetFormat format : {SpreadsheetFormat::Csv, SpreadsheetFormat::Xlsx}) {
        SCOPED_TRACE(format == SpreadsheetFormat::Csv ? "CSV" : "XLSX");
        const std::string path = m_dir.file(format == SpreadsheetFormat::Csv ? "units.csv" : "units.xlsx");
        std::string error;
        ASSERT_EQ(ExportFile(before, {{SheetKind::Units}, std::nullopt, format}, path, error), 4u) << error;
        db().exec("DELETE FROM [UnitTable]");
        const ApplyResult result = import({path});
        EXPECT_TRUE(result.committed);
        EXPECT_EQ(result.unitsAdded, 4u);
        EXPECT_EQ(sortedUnits(ReadOrgData(m_db)), sortedUnits(before));
    }
}

TEST_P(IntakeDbTest, NothingIsKeptWhenTheDatabaseFailsOrTheImportIsCancelled)
{
    const std::string csv = test::writeFile(m_dir.file("units.csv"), "ID,Name,Parent,Group\n101,A,0,1\n102,B,101,1\n"
                                                                     "103,C,101,1\n");
    if (GetParam() == test::DbKind::Sqlite) {
        db().exec("CREATE TRIGGER refuse BEFORE INSERT ON [UnitTable] WHEN NEW.[UNIT_ID] = 103 "
                  "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    } else {
        db().exec("CREATE TRIGGER refuse BEFORE INSERT ON [UnitTable] FOR EACH ROW BEGIN IF NEW.[UNIT_ID] = 103 "
                  "THEN SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'refused'; END IF; END");
    }
    EXPECT_THROW(import({csv}, true), DbError);
    EXPECT_EQ(db().count("[UnitTable]"), 0);
    EXPECT_EQ(db().count("[ChangeTable]"), 0);

    db().exec("DROP TRIGGER refuse");
    EXPECT_FALSE(import({csv}, true, [](std::size_t, std::size_t) { return false; }).committed);
    EXPECT_EQ(db().count("[UnitTable]"), 0);

    const ApplyResult done = import({csv}, true);
    EXPECT_EQ(done.changeRows, 3u);
    EXPECT_EQ(db().query("SELECT [Table_Name], [Field_Name], [Key_Value], [Change_Act] FROM [ChangeTable] "
                         "ORDER BY [REC_ID]"),
              test::rows({{"UnitTable", "UNIT_ID", "101", "0"},
                          {"UnitTable", "UNIT_ID", "102", "0"},
                          {"UnitTable", "UNIT_ID", "103", "0"}}));
}

TEST_P(IntakeDbTest, QarCtlReportsRefusedRowsAndAnswersWithItsExitCodes)
{
    SetUiLanguage(UiLanguage::English);
    const std::string csv = test::writeFile(m_dir.file("units.csv"), "ID,Name,Group\n101,A,1\n102,,1\n103,C,2\n");
    const auto run = [&](std::vector<std::string> args, std::string* err = nullptr) {
        std::ostringstream out;
        std::ostringstream report;
        args.insert(args.begin(), {"--connect", db().connectString()});
        const int code = RunQarCtl(args, out, report);
        if (err != nullptr) {
            *err = report.str() + out.str();
        }
        return code;
    };
    std::string report;
    EXPECT_EQ(run({"import", csv, "--dry-run"}, &report), kQarCtlRefused);
    EXPECT_EQ(db().count("[UnitTable]"), 0);
    EXPECT_EQ(run({"import", csv}, &report), kQarCtlRefused);
    EXPECT_NE(report.find("units.csv line 3, column Name: Input can't be null!"), std::string::npos) << report;
    EXPECT_EQ(db().count("[UnitTable]"), 2);
    EXPECT_EQ(run({"check"}, &report), kQarCtlOk);
    EXPECT_EQ(run({"tree", "--group", "2"}, &report), kQarCtlOk);
    EXPECT_NE(report.find("Unit:C [ID:103]"), std::string::npos) << report;
    EXPECT_EQ(report.find("[ID:101]"), std::string::npos);
    EXPECT_EQ(run({"export", "units", "-o", m_dir.file("out.xlsx"), "--format", "xlsx"}), kQarCtlOk);
    EXPECT_EQ(run({"import", m_dir.file("out.xlsx"), "--on-existing", "skip"}, &report), kQarCtlOk) << report;
    EXPECT_EQ(run({"export", "groups"}), kQarCtlUsage);
    EXPECT_EQ(run({"import"}), kQarCtlUsage);
    std::ostringstream sink;
    EXPECT_EQ(RunQarCtl({"--dsn", test::kClosedPortDsn, "check"}, sink, sink), kQarCtlDatabase);
}

QAR_DB_TEST_ON_BOTH_ENGINES(IntakeDbTest);

} // namespace
} // namespace qar
