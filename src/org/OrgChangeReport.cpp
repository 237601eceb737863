#include "org/OrgChangeReport.h"

#include "resources/StringIds.h"

namespace qar
{
namespace
{

StatusPart mainPart(const OrgChangeReport& r)
{
    using Action = OrgChangeReport::Action;
    const auto pick = [&r](int written, int gone, int failed) {
        return r.written ? written : (r.gone ? gone : failed);
    };
    switch (r.action) {
    case Action::UnitAdded:
        return {r.written ? str::kStatusUnitAdded : str::kStatusUnitNotAdded, {r.id}};
    case Action::UnitSaved:
        if (r.written && r.oldId != 0 && r.oldId != r.id) {
            return {str::kStatusUnitSavedAs, {r.oldId, r.id}};
        }
        if (!r.written && !r.failed && !r.gone) {
            return {str::kStatusUnitNothingToSave, {r.id}};
        }
        return {pick(str::kStatusUnitSaved, str::kStatusUnitAlreadyDeleted, str::kStatusUnitNotSaved), {r.id}};
    case Action::UnitDeleted:
        return {pick(str::kStatusUnitDeleted, str::kStatusUnitAlreadyDeleted, str::kStatusUnitNotDeleted), {r.id}};
    case Action::UserDeleted:
        return {pick(str::kStatusUserDeleted, str::kStatusUserAlreadyDeleted, str::kStatusUserNotDeleted), {r.id}};
    case Action::UserAdded:
        return {r.written ? str::kStatusUserAdded : str::kStatusUserNotAdded, {r.id}};
    case Action::UserSaved:
        if (r.written && r.oldId != 0 && r.oldId != r.id) {
            return {str::kStatusUserSavedAs, {r.oldId, r.id}};
        }
        if (!r.written && !r.failed && !r.gone) {
            return {str::kStatusUserNothingToSave, {r.id}};
        }
        return {pick(str::kStatusUserSaved, str::kStatusUserAlreadyDeleted, str::kStatusUserNotSaved), {r.id}};
    case Action::None:
        break;
    }
    return {};
}

/// "1 user re-pointed", "3 users re-pointed".
int counted(int count, int one, int many)
{
    return count == 1 ? one : many;
}

} // namespace

std::vector<StatusPart> DescribeChange(const OrgChangeReport& report)
{
    std::vector<StatusPart> parts;
    if (report.action == OrgChangeReport::Action::None) {
        return parts;
    }
    parts.push_back(mainPart(report));
    if (report.childUnitsRepointed > 0) {
        parts.push_back(
            {counted(report.childUnitsRepointed, str::kStatusChildUnitRepointed, str::kStatusChildUnitsRepointed),
             {report.childUnitsRepointed}});
    }
    if (report.usersRepointed > 0) {
        parts.push_back({counted(report.usersRepointed, str::kStatusUserRepointed, str::kStatusUsersRepointed),
                         {report.usersRepointed}});
    }
    if (report.subUnitsMoved > 0) {
        parts.push_back({counted(report.subUnitsMoved, str::kStatusSubUnitMoved, str::kStatusSubUnitsMoved),
                         {report.subUnitsMoved}});
    }
    if (report.usersRegrouped > 0) {
        parts.push_back({counted(report.usersRegrouped, str::kStatusUserRegrouped, str::kStatusUsersRegrouped),
                         {report.usersRegrouped, report.group}});
    }
    if (report.written && report.failed) {
        parts.push_back({str::kStatusIncomplete, {}});
    }
    return parts;
}

} // namespace qar
