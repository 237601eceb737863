#pragma once

#include "intake/IntakeApply.h"
#include "intake/IntakeFile.h"
#include "intake/IntakePlan.h"

#include <optional>
#include <string>
#include <vector>

namespace qar
{

class CXDatabase;

/// The password method and the account mode the user editor follows, from EnvParam.dat and the
/// parameter table.
void ReadEditorEnvironment(CXDatabase& database, IntakeOptions& options);

/// The dry run of a set of files against the rows of a database: every file's problems, then its sheets
/// (units before users across all files). `kind` forces the kind of every sheet.
IntakePlan PlanFiles(const OrgData& data, const std::vector<IntakeFile>& files, const IntakeOptions& options,
                     const UserRowRules& rules, std::optional<SheetKind> kind = std::nullopt);

/// The dry run of sheets already chosen and mapped (`sheetProblems`: what choosing them found), units
/// before users.
IntakePlan PlanSheets(const OrgData& data, const std::vector<IntakeFile>& files, std::vector<IntakeSheet> sheets,
                      const IntakePlan& sheetProblems, const IntakeOptions& options, const UserRowRules& rules);

/// One import as the import tool's window runs it: files picked (each with the kind it must hold, or
/// none to tell by its content), the column mapping shown and changed, dry runs, then the apply.
class IntakeSession
{
public:
    IntakeSession(CXDatabase& database, UserRowRules rules);

    IntakeOptions& options() { return m_options; }
    void setEncoding(FileEncoding encoding) { m_encoding = encoding; }
    /// Reads the files anew and maps their sheets by their headers.
    void setFiles(const std::vector<std::pair<std::string, std::optional<SheetKind>>>& files);
    const std::vector<IntakeFile>& files() const { return m_files; }
    /// The sheets that will be imported, with their mappings.
    const std::vector<IntakeSheet>& sheets() const { return m_sheets; }
    /// Reads a sheet column `sheetColumn` as `field` (-1: not at all); a field read from another column
    /// before is taken from that one.
    void mapColumn(std::size_t sheet, int sheetColumn, int field);

    /// Reads the database's rows and checks every row; nothing is written.
    const IntakePlan& dryRun();
    const IntakePlan& plan() const { return m_plan; }
    /// Writes the last dry run's plan (see ApplyPlan). Throws DbError.
    ApplyResult apply(bool logChanges, const ApplyProgress& progress);

private:
    CXDatabase& m_database;
    UserRowRules m_rules;
    IntakeOptions m_options;
    FileEncoding m_encoding = FileEncoding::Auto;
    std::vector<IntakeFile> m_files;
    std::vector<IntakeSheet> m_sheets;
    IntakePlan m_sheetProblems;
    OrgData m_data;
    IntakePlan m_plan;
};

} // namespace qar
