#include "intake/IntakeJob.h"

#include "catalog/CEnvParamModel.h"
#include "db/CXTableEnvParam.h"
#include "resources/StringIds.h"

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
    IntakePlan sheetProblems;
    std::vector<IntakeSheet> sheets;
    for (const IntakeFile& file : files) {
        for (IntakeSheet& s : SheetsOf(file, sheetProblems, kind)) {
            sheets.push_back(std::move(s));
        }
    }
    return PlanSheets(data, files, std::move(sheets), sheetProblems, options, rules);
}

IntakePlan PlanSheets(const OrgData& data, const std::vector<IntakeFile>& files, std::vector<IntakeSheet> sheets,
                      const IntakePlan& sheetProblems, const IntakeOptions& options, const UserRowRules& rules)
{
    IntakePlanner planner(data, options, rules);
    for (const IntakeFile& file : files) {
        planner.addFileProblems(file);
    }
    IntakePlan problems = sheetProblems;
    // Unit rows without a group column take the group chosen for the import; without one they cannot.
    std::erase_if(sheets, [&](const IntakeSheet& s) {
        const bool lacking = s.kind == SheetKind::Units &&
                             !s.mapping.has(static_cast<std::size_t>(UnitColumn::Group)) && options.defaultGroup == 0;
        if (lacking) {
            problems.problems.push_back({s.source, 0, {}, str::kIntakeNoDefaultGroup, {s.sheet->name}});
            problems.fileProblem = true;
        }
        return lacking;
    });
    // Units of every file before the users of any, so users may name units another file adds.
    std::stable_sort(sheets.begin(), sheets.end(), [](const IntakeSheet& a, const IntakeSheet& b) {
        return a.kind == SheetKind::Units && b.kind == SheetKind::Users;
    });
    for (const IntakeSheet& s : sheets) {
        planner.plan(s);
    }
    IntakePlan plan = planner.take();
    plan.problems.insert(plan.problems.begin(), problems.problems.begin(), problems.problems.end());
    plan.fileProblem = plan.fileProblem || problems.fileProblem;
    return plan;
}

} // namespace qar

namespace qar
{

IntakeSession::IntakeSession(CXDatabase& database, UserRowRules rules) : m_database(database), m_rules(std::move(rules))
{}

void IntakeSession::setFiles(const std::vector<std::pair<std::string, std::optional<SheetKind>>>& files)
{
    m_files.clear();
    m_sheets.clear();
    m_sheetProblems = IntakePlan{};
    m_plan = IntakePlan{};
    IntakeReadOptions read;
    read.encoding = m_encoding;
    m_files.reserve(files.size());
    for (const auto& [path, kind] : files) {
        m_files.push_back(ReadIntakeFile(path, read));
    }
    // The sheets point into the files: both are kept together from here on.
    for (std::size_t i = 0; i < m_files.size(); ++i) {
        for (IntakeSheet& s : SheetsOf(m_files[i], m_sheetProblems, files[i].second)) {
            m_sheets.push_back(std::move(s));
        }
    }
}

void IntakeSession::mapColumn(std::size_t sheet, int sheetColumn, int field)
{
    if (sheet >= m_sheets.size()) {
        return;
    }
    std::vector<int>& columns = m_sheets[sheet].mapping.sheetColumn;
    for (int& c : columns) {
        if (c == sheetColumn) {
            c = -1;
        }
    }
    if (field >= 0 && static_cast<std::size_t>(field) < columns.size()) {
        columns[static_cast<std::size_t>(field)] = sheetColumn;
    }
}

const IntakePlan& IntakeSession::dryRun()
{
    m_data = ReadOrgData(m_database);
    ReadEditorEnvironment(m_database, m_options);
    IntakePlan problems = m_sheetProblems;
    std::vector<IntakeSheet> sheets;
    for (const IntakeSheet& s : m_sheets) {
        // A required column the administrator unmapped makes the sheet a problem of its own.
        if (const auto missing = MissingRequiredColumn(s.mapping)) {
            problems.problems.push_back({s.source,
                                         0,
                                         {},
                                         str::kIntakeMissingColumn,
                                         {s.sheet->name, std::string(Column(s.kind, *missing).header)}});
            problems.fileProblem = true;
            continue;
        }
        sheets.push_back(s);
    }
    m_plan = PlanSheets(m_data, m_files, std::move(sheets), problems, m_options, m_rules);
    return m_plan;
}

ApplyResult IntakeSession::apply(bool logChanges, const ApplyProgress& progress)
{
    return ApplyPlan(m_database, m_plan, m_data, logChanges, progress);
}

} // namespace qar
