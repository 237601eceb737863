// The data check's second half: the records kept for users who do not exist, the rows the editors would
// refuse, and the report that groups those by rule.
#include "intake/OrgCheckRules.h"

#include "intake/IntakeExport.h"
#include "intake/IntakeReport.h"
#include "intake/UnitRowRules.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"

#include <algorithm>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

namespace qar
{

namespace
{

std::string_view header(CheckSubject subject, std::size_t column)
{
    return Column(subject == CheckSubject::Unit ? SheetKind::Units : SheetKind::Users, column).header;
}

/// The order of a rule's group in the report: units before users, then by message and its texts.
bool byRule(const CheckFinding& a, const CheckFinding& b)
{
    return std::tie(a.subject, a.messageId, a.args) < std::tie(b.subject, b.messageId, b.args);
}

bool sameRule(const CheckFinding& a, const CheckFinding& b)
{
    return a.editorRule && b.editorRule && !byRule(a, b) && !byRule(b, a);
}

} // namespace

UserFileRecords ReadUserFileRecords()
{
    UserFileRecords files;
    DomainUserFile signOn(DomainUserFilePath());
    files.signOn = signOn.records;
    MultiUnitUsers virtualUnits;
    virtualUnits.Load(MultiUnitUsersPath());
    files.virtualUnits = virtualUnits.users();
    return files;
}

CheckOptions EditorCheckOptions(std::optional<std::int32_t> group)
{
    return CheckOptions{group, EditorUserRowRules(), ReadUserFileRecords()};
}

void AddUserFileFindings(const OrgData& data, const UserFileRecords& files, std::vector<CheckFinding>& out)
{
    std::unordered_set<std::int32_t> users;
    for (const UserRecord& u : data.users) {
        users.insert(u.id);
    }
    for (std::size_t i = 0; i < files.signOn.size(); ++i) {
        const DomainUserRecord& r = files.signOn[i];
        if (users.count(r.userId) == 0) {
            out.push_back({CheckSubject::SignOnRecord,
                           r.userId,
                           i + 1,
                           str::kCheckSignOnOrphan,
                           {std::to_string(r.userId), r.domainAccount, std::to_string(r.netDiskMb)}});
        }
    }
    for (std::size_t i = 0; i < files.virtualUnits.size(); ++i) {
        const auto& [user, units] = files.virtualUnits[i];
        const auto id = static_cast<std::int32_t>(user);
        if (users.count(id) == 0) {
            out.push_back({CheckSubject::VirtualUnits,
                           id,
                           i + 1,
                           str::kCheckVirtualUnitsOrphan,
                           {std::to_string(id), FormatUnitsText(units)}});
        }
    }
}

void AddEditorRuleFindings(const OrgData& data, const UserRowRules& rules, std::optional<std::int32_t> group,
                           std::vector<CheckFinding>& out)
{
    std::vector<std::int32_t> groupIds;
    for (const GroupRecord& g : data.groups) {
        groupIds.push_back(g.id);
    }
    std::unordered_map<std::int32_t, const UnitRecord*> units;
    for (const UnitRecord& u : data.units) {
        units.emplace(u.id, &u); // the first row of an id answers, as the editors' scans do
    }
    const auto unitOf = [&units](std::int32_t id) -> const UnitRecord* {
        const auto it = units.find(id);
        return it == units.end() ? nullptr : it->second;
    };
    std::vector<CheckFinding> found;
    for (std::size_t i = 0; i < data.units.size(); ++i) {
        const UnitRecord& u = data.units[i];
        if (group && u.group != *group) {
            continue;
        }
        const UnitRowVerdict v = JudgeStoredUnit(u, u.superId == 0 ? nullptr : unitOf(u.superId), groupIds);
        // The missing group of a top-level unit is the tree's finding already.
        const bool treeFound = v.messageId == str::kGroupNotAssigned && u.superId == 0 &&
                               std::find(groupIds.begin(), groupIds.end(), u.group) == groupIds.end();
        if (v.messageId != 0 && !treeFound) {
            found.push_back({CheckSubject::Unit, u.id, i + 1, v.messageId, v.args, true,
                             std::string(header(CheckSubject::Unit, static_cast<std::size_t>(v.column))),
                             UnitCell(u, v.column).str()});
        }
    }
    for (std::size_t i = 0; i < data.users.size(); ++i) {
        const UserRecord& u = data.users[i];
        if (group && u.group != *group) {
            continue;
        }
        const UserRowVerdict v = JudgeStoredUser(rules, u, unitOf(u.unit));
        // A missing unit is the tree's finding already.
        if (v.messageId != 0 && v.messageId != str::kDepartmentNotAssigned) {
            std::vector<std::string> args;
            if (!v.arg1.empty()) {
                args = {v.arg1, v.arg2};
            }
            found.push_back({CheckSubject::User, u.id, i + 1, v.messageId, std::move(args), true,
                             std::string(header(CheckSubject::User, static_cast<std::size_t>(v.column))),
                             UserCell(u, v.column).str()});
        }
    }
    std::stable_sort(found.begin(), found.end(), byRule);
    out.insert(out.end(), std::make_move_iterator(found.begin()), std::make_move_iterator(found.end()));
}

std::string CheckFindingText(const CheckFinding& finding)
{
    std::string subject;
    switch (finding.subject) {
    case CheckSubject::Unit:
    case CheckSubject::User:
        subject = LoadAnsiString(finding.subject == CheckSubject::User ? str::kCheckUserWord : str::kCheckUnitWord) +
                  " " + std::to_string(finding.id);
        break;
    case CheckSubject::SignOnRecord:
        subject = "Userx.xml";
        break;
    case CheckSubject::VirtualUnits:
        subject = "MUser.xml";
        break;
    }
    subject += " (#" + std::to_string(finding.row) + "): ";
    if (!finding.editorRule) {
        return subject + IntakeText(finding.messageId, finding.args);
    }
    if (finding.messageId == str::kRowTextTooLong) {
        return subject + IntakeText(str::kCheckRuleLength, {finding.column, std::to_string(finding.value.size())});
    }
    return subject + IntakeText(str::kCheckRuleValue, {finding.column, finding.value});
}

std::vector<std::string> CheckReportLines(const std::vector<CheckFinding>& findings)
{
    std::vector<std::string> lines;
    lines.reserve(findings.size());
    for (std::size_t i = 0; i < findings.size(); ++i) {
        const CheckFinding& f = findings[i];
        if (!f.editorRule) {
            lines.push_back(CheckFindingText(f));
            continue;
        }
        if (i == 0 || !sameRule(findings[i - 1], f)) {
            std::size_t count = 1;
            while (i + count < findings.size() && sameRule(findings[i + count], f)) {
                ++count;
            }
            lines.push_back(
                IntakeText(str::kCheckRuleHeading, {IntakeText(f.messageId, f.args), std::to_string(count)}));
        }
        lines.push_back("  " + CheckFindingText(f));
    }
    return lines;
}

} // namespace qar
