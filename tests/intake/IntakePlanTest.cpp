#include "TempDir.h"
#include "app/ShellCommands.h"
#include "groups/GroupForm.h"
#include "intake/IntakeJob.h"
#include "intake/OrgCheck.h"
#include "intake/SheetIntakeArgs.h"
#include "platform/Paths.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"

#include <gtest/gtest.h>

#include <tuple>

namespace qar
{
namespace
{

OrgData sampleData()
{
    OrgData data;
    data.groups = {{1, "One", {}, 0, 0, 0, 0}, {2, "Two", {}, 0, 0, 0, 0}};
    data.units = {{101, "Head", 0, 1, true, false, 0, "", "", 1, 0, std::nullopt},
                  {102, "Desk", 101, 2, true, false, 0, "", "", 1, 0, std::nullopt}};
    return data;
}

IntakePlan planCsv(const OrgData& data, const std::string& csv, IntakeOptions options = {})
{
    IntakeFile file;
    file.label = "units.csv";
    ReadCsvText(file, csv, FileEncoding::Auto, 1000);
    return PlanFiles(data, {file}, options, UserRowRules{}, SheetKind::Units);
}

using Finding = std::tuple<std::uint32_t, std::string, int>;

std::vector<Finding> findings(const IntakePlan& plan)
{
    std::vector<Finding> out;
    for (const IntakeProblem& p : plan.problems) {
        out.emplace_back(p.line, p.column, p.messageId);
    }
    return out;
}

TEST(IntakePlan, ReportsEveryHostileUnitRowWithTheEditorsMessages)
{
    const IntakePlan plan = planCsv(sampleData(), "ID,Name,Parent,Level,Group,Weight\n"
                                                  "103,Sales,101,2,1,0\n"
                                                  "104,,101,2,1,0\n"
                                                  "1 05,X,101,,1,\n"
                                                  "-7,X,0,,1,\n"
                                                  "32001,X,0,,1,\n"
                                                  "105,X,999,,1,\n"
                                                  "106,X,103,2,1,\n"
                                                  "101,Dup,0,,1,\n"
                                                  "103,Again,101,,1,\n"
                                                  "107,X,0,,9,\n"
                                                  "108,X,0,,1,65536\n"
                                                  "109,=cmd|' /C calc'!A0,0,,1\n"
                                                  "110,X,0,,1,,extra\n"
                                                  ",,,,,\n"
                                                  "+111,X,103,,1\n"
                                                  "112,X,0,1,x\n");
    const std::vector<Finding> expected = {
        {3, "Name", str::kInputCantBeNull},    {4, "ID", str::kEnterInteger},
        {5, "ID", str::kEnterIntegerRange},    {6, "ID", str::kIllegalDepartmentId},
        {7, "Parent", str::kRowParentMissing}, {8, "Level", str::kRowLevelMismatch},
        {9, "ID", str::kRowExistsStop},        {10, "ID", str::kIdMustBeUnique},
        {11, "Group", str::kGroupNotAssigned}, {12, "Weight", str::kEnterIntegerRange},
        {14, "", str::kRowTooManyCells},       {17, "Group", str::kRowNotNumber},
    };
    EXPECT_EQ(findings(plan), expected);
    ASSERT_EQ(plan.units.size(), 3u);
    EXPECT_EQ(plan.units[0].row.level, 2);
    EXPECT_EQ(plan.units[1].row.name, "=cmd|' /C calc'!A0"); // a formula is a name like any other
    EXPECT_EQ(plan.units[2].row.id, 111);
    EXPECT_EQ(plan.units[2].row.level, 3); // below a unit of the same file
    EXPECT_EQ(plan.emptyRows, 1u);
    EXPECT_EQ(plan.existing, 1u);
    EXPECT_FALSE(plan.canApply()); // stop on the existing row: nothing is written
}

TEST(IntakePlan, ExistingRowsAreSkippedOrUpdatedAsChosen)
{
    const std::string csv = "ID,Name,Parent,Group\n101,Head office,0,1\n102,Desk,0,2\n";
    IntakeOptions options;
    options.onExisting = OnExisting::Skip;
    const IntakePlan skipped = planCsv(sampleData(), csv, options);
    EXPECT_EQ(skipped.skipped, 2u);
    EXPECT_TRUE(skipped.canApply());

    options.onExisting = OnExisting::Update;
    const IntakePlan updated = planCsv(sampleData(), csv, options);
    ASSERT_EQ(updated.units.size(), 2u);
    EXPECT_TRUE(updated.units[0].update);
    EXPECT_EQ(updated.units[0].row.name, "Head office");
    EXPECT_EQ(updated.units[1].row.group, 2); // a unit without children may move
    EXPECT_TRUE(updated.problems.empty());

    // Rows as they are stored are neither written nor counted as updates.
    const IntakePlan same = planCsv(sampleData(), "ID,Name,Parent,Group\n101,Head,0,1\n102,Desk,101,1\n", options);
    EXPECT_EQ(same.unchanged, 2u);
    EXPECT_TRUE(same.units.empty());
    SetUiLanguage(UiLanguage::English);
    EXPECT_EQ(same.summary(), "2 rows read: 0 to add, 0 to update, 2 unchanged, 0 skipped, 0 refused.");

    const IntakePlan moved = planCsv(sampleData(), "ID,Name,Parent,Group\n101,Head,0,2\n102,Desk,102,1\n", options);
    EXPECT_EQ(findings(moved),
              (std::vector<Finding>{{2, "Parent", str::kRowMoveWithContent}, {3, "Parent", str::kRowParentBelow}}));
}

TEST(IntakePlan, KeepsToTheGroupsItWasGivenAndNeedsAGroup)
{
    IntakeOptions options;
    options.allowedGroups = {1};
    const IntakePlan plan = planCsv(sampleData(), "ID,Name,Group\n103,A,2\n", options);
    EXPECT_EQ(findings(plan), (std::vector<Finding>{{2, "Group", str::kRowGroupNotAllowed}}));

    const IntakePlan noGroup = planCsv(sampleData(), "ID,Name\n103,A\n");
    EXPECT_EQ(findings(noGroup), (std::vector<Finding>{{0, "", str::kIntakeNoDefaultGroup}}));
    options.defaultGroup = 1;
    EXPECT_EQ(planCsv(sampleData(), "ID,Name\n103,A\n", options).units.at(0).row.group, 1);
}

TEST(SheetIntakeArgs, ReadsWhatTheMainToolPasses)
{
    const auto exists = [](const std::string& path) { return FileExists(path); };
    // The units-and-users page (the page model's test shows that it writes this).
    const auto fromPage = ParseSheetIntakeArgs("-bysys-h4194311-grps1|22|-dgrp22", exists);
    ASSERT_TRUE(fromPage);
    EXPECT_EQ(fromPage->window, 4194311u);
    EXPECT_EQ(fromPage->groups, (std::vector<std::int32_t>{1, 22}));
    EXPECT_EQ(fromPage->selectedGroup, 22);

    // The group editor's "Data Input".
    const auto fromEditor = ParseSheetIntakeArgs(GroupSheetIntakeParameters(77, 5), exists);
    ASSERT_TRUE(fromEditor);
    EXPECT_EQ(fromEditor->window, 77u);
    EXPECT_EQ(fromEditor->groups, (std::vector<std::int32_t>{5}));
    EXPECT_EQ(fromEditor->selectedGroup, 5);

    // The first-run hand-off, from a folder whose name holds "-user" itself.
    test::TempDir dir;
    const std::string windows = dir.file("a-user");
    test::writeFile(windows + "/Data1.d_t", "x");
    test::writeFile(windows + "/Data2.d_t", "x");
    test::ScopedEnv windowsDir("QAR_WINDOWS_DIR", windows.c_str());
    const auto request = SheetIntakeRequest(99, true);
    ASSERT_TRUE(request);
    const auto handOff = ParseSheetIntakeArgs(request->arguments.at(0), exists);
    ASSERT_TRUE(handOff);
    EXPECT_EQ(handOff->window, 99u);
    EXPECT_EQ(handOff->unitsFile, windows + "/Data1.d_t");
    EXPECT_EQ(handOff->usersFile, windows + "/Data2.d_t");

    for (const char* bad : {"", "--help", "-bysys", "-bysys-hx-grps1|-dgrp1", "-bysys-h1-grps1|x|-dgrp1",
                            "-bysys-h1-grps1|", "-bysys-h1-unit/a"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(ParseSheetIntakeArgs(bad, exists));
    }
}

} // namespace
} // namespace qar
