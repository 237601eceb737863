#pragma once

#include "intake/IntakePlan.h"
#include "platform/SafeFile.h"

#include <cstddef>
#include <functional>

namespace qar
{

class CXDatabase;

/// What applying a plan did.
struct ApplyResult
{
    bool committed = false; ///< false: cancelled, nothing kept
    std::size_t unitsAdded = 0;
    std::size_t usersAdded = 0;
    std::size_t unitsUpdated = 0;
    std::size_t usersUpdated = 0;
    std::size_t changeRows = 0;
    /// Files the new users' records could not be cleared in after the commit (the rows stay).
    std::vector<FileFailure> fileFailures;

    bool changedUnits() const { return unitsAdded + unitsUpdated > 0; }
    bool changedUsers() const { return usersAdded + usersUpdated > 0; }
};

/// Called after every batch with the rows written so far and in all, on the thread that writes them;
/// false cancels the import.
using ApplyProgress = std::function<bool(std::size_t done, std::size_t total)>;

/// Writes a plan in one transaction: new units and users with batched INSERTs (parameter arrays), each
/// updated row with an UPDATE that must change exactly the one row of its ID (a row whose values the
/// file repeats is not written), and, when `logChanges` (the server runs), one change row per unit or
/// user as the editors write them: 0 for added, 2 for updated. Any database error rolls everything
/// back and is thrown (DbError); a cancel rolls back and returns with `committed` false. Never writes
/// a plan that cannot be applied (`canApply()` false): it returns at once. After the commit, a new
/// user's id starts without records a former holder left in Userx.xml and MUser.xml.
ApplyResult ApplyPlan(CXDatabase& database, const IntakePlan& plan, const OrgData& stored, bool logChanges,
                      const ApplyProgress& progress = {});

} // namespace qar
