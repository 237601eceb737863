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

} // namespace qar
