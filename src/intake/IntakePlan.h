#pragma once

#include "intake/IntakeColumns.h"
#include "intake/IntakeFile.h"
#include "intake/IntakeReport.h"
#include "intake/OrgData.h"
#include "intake/UserRowRules.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qar
{

/// What an import does with a row whose ID the database holds already.
enum class OnExisting
{
    Stop,   ///< nothing is imported; the report lists such rows
    Skip,   ///< the row is left out
    Update, ///< the stored row takes the file's values, checked as the editor checks an edit
};

/// The settings of one import.
struct IntakeOptions
{
    OnExisting onExisting = OnExisting::Stop;
    /// The group of unit rows without a group column (the group chosen in the tool, group 1 for the
    /// first-run hand-off); 0 for none.
    std::int32_t defaultGroup = 0;
    /// The groups rows may name; empty for every group.
    std::vector<std::int32_t> allowedGroups;
    /// Environment parameters the user editor follows.
    std::string passwordMethod;
    bool accountMode = false;
};

/// A sheet to import, with the kind and column mapping chosen for it.
struct IntakeSheet
{
    const Sheet* sheet = nullptr;
    SheetKind kind = SheetKind::Units;
    ColumnMapping mapping;
    std::string source; ///< as the report names it
    FileEncoding encoding = FileEncoding::Utf8;
};

/// A row that passed every rule: the values to write, and whether it replaces a stored row.
struct PlannedUnit
{
    UnitRecord row;
    bool update = false;
    std::uint32_t line = 0;
};
struct PlannedUser
{
    UserRecord row;
    bool update = false;
    std::uint32_t line = 0;
};

/// The outcome of a dry run: the rows to write and every problem found. Nothing is written until it is
/// applied.
struct IntakePlan
{
    std::vector<PlannedUnit> units;
    std::vector<PlannedUser> users;
    std::vector<IntakeProblem> problems;
    std::size_t rowsRead = 0;
    std::size_t emptyRows = 0;
    std::size_t skipped = 0;
    std::size_t unchanged = 0; ///< existing rows the file repeats as they are stored: nothing to write
    std::size_t refused = 0;
    std::size_t existing = 0; ///< rows stopped on under OnExisting::Stop
    bool fileProblem = false; ///< a file or sheet could not be read as a whole

    /// Whether applying the plan may write anything: no file problem and no stop on an existing row.
    bool canApply() const { return !fileProblem && existing == 0; }
    std::size_t toAdd() const;
    std::size_t toUpdate() const;
    /// The summary line of the report.
    std::string summary() const;
};

/// The sheets of a file in the order an import takes them (units before users), with their kinds and
/// mappings; a sheet whose kind cannot be told, or that lacks a required column, becomes a problem of
/// the plan instead. `kind` forces the kind of every sheet.
std::vector<IntakeSheet> SheetsOf(const IntakeFile& file, IntakePlan& plan,
                                  std::optional<SheetKind> kind = std::nullopt);

/// Checks rows as the unit and user editors would, against the database's rows and the rows of the
/// file before them, and plans what to write. One planner per import: units first, then users, so
/// users may name units the same import adds.
class IntakePlanner
{
public:
    IntakePlanner(const OrgData& data, IntakeOptions options, UserRowRules userRules);
    ~IntakePlanner();
    IntakePlanner(const IntakePlanner&) = delete;
    IntakePlanner& operator=(const IntakePlanner&) = delete;

    void addFileProblems(const IntakeFile& file);
    void plan(const IntakeSheet& sheet);
    /// The plan so far; call after the last sheet.
    IntakePlan take();

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace qar
