#include "intake/IntakeJob.h"

#include "catalog/CEnvParamModel.h"
#include "db/CXTableEnvParam.h"

#include <algorithm>

namespace qar
{

void ReadEditorEnvironment(CXDatabase& database, IntakeOptions& options)
{
    CXTableEnvParam table(&database);
    table.Open();
    CEnvParamModel params(&table);
    params.load();
    options.passwordMethod = params.passwordMethod();
    options.accountMode = params.accountMode();
}

IntakePlan PlanFiles(const OrgData& data, const std::vector<IntakeFile>& files, const IntakeOptions& options,
                     const UserRowRules& rules, std::optional<SheetKind> kind)
{
    IntakePlanner planner(data, options, rules);
    IntakePlan sheetProblems;
    std::vector<IntakeSheet> sheets;
    for (const IntakeFile& file : files) {
        planner.addFileProblems(file);
        for (IntakeSheet& s : SheetsOf(file, sheetProblems, options, kind)) {
            sheets.push_back(std::move(s));
        }
    }
    // Units of every file before the users of any, so users may name units another file adds.
    std::stable_sort(sheets.begin(), sheets.end(), [](const IntakeSheet& a, const IntakeSheet& b) {
        return a.kind == SheetKind::Units && b.kind == SheetKind::Users;
    });
    for (const IntakeSheet& s : sheets) {
        planner.plan(s);
    }
    IntakePlan plan = planner.take();
    plan.problems.insert(plan.problems.begin(), sheetProblems.problems.begin(), sheetProblems.problems.end());
    plan.fileProblem = plan.fileProblem || sheetProblems.fileProblem;
    return plan;
}

} // namespace qar
