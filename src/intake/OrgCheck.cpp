#include "intake/OrgCheck.h"

#include "intake/IntakeReport.h"
#include "intake/OrgCheckRules.h"
#include "org/OrgTexts.h"
#include "org/OrgTree.h"
#include "org/OrgTreeBuilder.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"

#include <unordered_map>
#include <unordered_set>

namespace qar
{

namespace
{

constexpr int kMaxWalk = 10000;

void buildTree(const OrgData& data, OrgTree& tree, OrgIndex& index, const OrgTexts& texts)
{
    OrgTreeBuilder builder(tree, index, texts, AdminContext{});
    builder.start(data.groups.size() + data.units.size() + data.users.size());
    for (const GroupRecord& g : data.groups) {
        builder.addGroup(g.id, g.name);
    }
    std::vector<UnitRow> units;
    units.reserve(data.units.size());
    for (const UnitRecord& u : data.units) {
        units.push_back({u.id, u.name, u.superId, u.level, u.status, u.canLog, u.alias, u.group});
    }
    builder.addUnits(units);
    builder.startUsers(data.users.size());
    for (const UserRecord& u : data.users) {
        builder.addUser({u.id, u.name, u.power, u.email, u.mobile, u.duty, u.unit, u.status, u.group});
    }
}

/// Whether walking the parent links from `start` comes back to a unit already passed.
bool inCycle(std::int32_t start, const std::unordered_map<std::int32_t, std::int32_t>& parentOf)
{
    std::unordered_set<std::int32_t> seen{start};
    std::int32_t current = start;
    for (int step = 0; step < kMaxWalk; ++step) {
        const auto it = parentOf.find(current);
        if (it == parentOf.end() || it->second == 0) {
            return false;
        }
        current = it->second;
        if (!seen.insert(current).second) {
            return true;
        }
    }
    return true;
}

void duplicates(std::vector<CheckFinding>& out, CheckSubject subject,
                const std::vector<std::pair<std::string, std::int32_t>>& values, int messageId)
{
    std::unordered_map<std::string, int> counts;
    for (const auto& v : values) {
        if (!v.first.empty()) {
            ++counts[v.first];
        }
    }
    for (std::size_t i = 0; i < values.size(); ++i) {
        const auto& v = values[i];
        if (!v.first.empty() && counts[v.first] > 1) {
            out.push_back({subject, v.second, i + 1, messageId, {v.first, std::to_string(counts[v.first])}});
        }
    }
}

/// What the tree hides or cannot tell apart, units first.
std::vector<CheckFinding> treeFindings(const OrgData& data)
{
    OrgTree tree;
    OrgIndex index;
    const OrgTexts texts;
    buildTree(data, tree, index, texts);

    std::unordered_set<std::int32_t> groups;
    for (const GroupRecord& g : data.groups) {
        groups.insert(g.id);
    }
    std::unordered_map<std::int32_t, std::int32_t> parentOf;
    std::unordered_map<std::int32_t, std::uint8_t> levelOf;
    for (const UnitRecord& u : data.units) {
        parentOf.emplace(u.id, u.superId);
        levelOf.emplace(u.id, u.level);
    }
    std::vector<CheckFinding> out;
    for (std::size_t i = 0; i < data.units.size(); ++i) {
        const UnitRecord& u = data.units[i];
        const auto finding = [&](int id, std::vector<std::string> args = {}) {
            out.push_back({CheckSubject::Unit, u.id, i + 1, id, std::move(args)});
        };
        const auto parentLevel = levelOf.find(u.superId);
        const bool hasParent = u.superId != 0 && parentLevel != levelOf.end();
        if (hasParent && u.level != parentLevel->second + 1 && u.level != 0 && !inCycle(u.id, parentOf)) {
            finding(str::kCheckLevelMismatch, {std::to_string(u.level), std::to_string(parentLevel->second)});
        }
        if (index.unitNodes.count(u.id) != 0) {
            continue;
        }
        if (u.level == 0) {
            finding(str::kCheckLevelZero);
        } else if (u.superId == 0) {
            if (groups.count(u.group) == 0) {
                finding(str::kCheckGroupMissing, {std::to_string(u.group)});
            }
        } else if (!hasParent) {
            finding(str::kCheckParentMissing, {std::to_string(u.superId)});
        } else if (inCycle(u.id, parentOf)) {
            finding(str::kCheckCycle);
        } else if (index.unitNodes.count(u.superId) == 0) {
            finding(str::kCheckBelowHidden, {std::to_string(u.superId)});
        } else if (u.level == parentLevel->second + 1) {
            // Shown parent, right level, still hidden: the parent lies further down the table than the
            // walk by levels reaches, or a duplicate id took its node.
            finding(str::kCheckBelowHidden, {std::to_string(u.superId)});
        }
    }
    std::vector<std::pair<std::string, std::int32_t>> values;
    values.reserve(data.units.size());
    for (const UnitRecord& u : data.units) {
        values.emplace_back(std::to_string(u.id), u.id);
    }
    duplicates(out, CheckSubject::Unit, values, str::kCheckDuplicateUnitId);

    for (std::size_t i = 0; i < data.users.size(); ++i) {
        const UserRecord& u = data.users[i];
        const auto finding = [&](int id, std::vector<std::string> args) {
            out.push_back({CheckSubject::User, u.id, i + 1, id, std::move(args)});
        };
        if (parentOf.count(u.unit) == 0) {
            finding(str::kCheckUnitMissing, {std::to_string(u.unit)});
        } else if (index.unitNodes.count(u.unit) == 0) {
            finding(str::kCheckUnitHidden, {std::to_string(u.unit)});
        }
        if (groups.count(u.group) == 0) {
            finding(str::kCheckGroupMissing, {std::to_string(u.group)});
        }
    }
    for (const auto& [field, id] :
         {std::pair{0, str::kCheckDuplicateUserId}, {1, str::kCheckDuplicateEmail}, {2, str::kCheckDuplicateMobile}}) {
        values.clear();
        for (const UserRecord& u : data.users) {
            values.emplace_back(field == 0 ? std::to_string(u.id) : field == 1 ? u.email : u.mobile, u.id);
        }
        duplicates(out, CheckSubject::User, values, id);
    }
    return out;
}

} // namespace

std::vector<CheckFinding> CheckOrgData(const OrgData& data, const CheckOptions& options)
{
    std::vector<CheckFinding> out = treeFindings(data);
    if (!options.group) {
        AddUserFileFindings(data, options.userFiles, out);
    }
    if (options.userRules) {
        AddEditorRuleFindings(data, options.userRules, options.group, out);
    }
    if (options.group) {
        // A group manager sees the rows of the group alone, whatever the check found in others.
        std::erase_if(out, [&](const CheckFinding& f) {
            const std::int32_t group = f.subject == CheckSubject::Unit   ? data.units[f.row - 1].group
                                       : f.subject == CheckSubject::User ? data.users[f.row - 1].group
                                                                         : *options.group + 1;
            return group != *options.group;
        });
    }
    return out;
}

void BuildOrgTree(const OrgData& data, OrgTree& tree)
{
    OrgIndex index;
    const OrgTexts texts = OrgTexts::load(LoadAnsiString);
    buildTree(data, tree, index, texts);
}

std::string OrgTreeText(const OrgData& data, std::int32_t group)
{
    OrgTree tree;
    BuildOrgTree(data, tree);
    std::string out;
    for (OrgTree::NodeId top = tree.firstChild(OrgTree::kRoot); top != OrgTree::kNone; top = tree.nextSibling(top)) {
        if (group != 0 && tree.itemData(top) != group) {
            continue;
        }
        for (OrgTree::NodeId n = top; n != OrgTree::kNone; n = tree.nextInSubtree(n, top)) {
            int depth = 0;
            for (OrgTree::NodeId p = tree.parent(n); p != OrgTree::kRoot && p != OrgTree::kNone; p = tree.parent(p)) {
                ++depth;
            }
            out.append(static_cast<std::size_t>(depth) * 2, ' ');
            out.append(tree.text(n));
            out += '\n';
        }
    }
    return out;
}

} // namespace qar
