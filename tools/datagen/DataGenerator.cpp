#include "DataGenerator.h"

#include "NamePool.h"
#include "catalog/CEnvParamModel.h"
#include "db/BatchInsert.h"
#include "db/CXDatabase.h"
#include "db/OdbcStatement.h"
#include "org/UserForm.h"

#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace qar
{

namespace
{

using Type = BatchInsert::Type;

constexpr std::int32_t kFirstUnitId = 101;
constexpr std::int32_t kFirstUserId = 10001;
constexpr const char* kPassword = "123456";

// Privilege bits of a user (POWER_FLAG).
constexpr std::int32_t kGroupAdministrator = 0x10000;
constexpr std::int32_t kSmsUnlimited = 0x20000;
constexpr std::int32_t kAdministrator = 0x40000;

const char* const kAllTables[] = {"AppTable",     "DutyClassTable", "ParamTable", "GroupTable",
                                  "MsgtypeTable", "UnitTable",      "BaseTable",  "ChangeTable"};

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

std::vector<std::string> schemaStatements(const std::string& file)
{
    std::ifstream in(file);
    if (!in) {
        throw std::runtime_error("cannot read schema file " + file);
    }
    std::string text;
    std::string line;
    while (std::getline(in, line)) {
        if (trimmed(line).rfind("--", 0) != 0) {
            text += line + "\n";
        }
    }
    std::vector<std::string> statements;
    std::istringstream parts(text);
    std::string part;
    while (std::getline(parts, part, ';')) {
        if (!trimmed(part).empty()) {
            statements.push_back(trimmed(part));
        }
    }
    return statements;
}

int pick(std::mt19937& rng, int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(rng);
}

struct Unit
{
    std::int32_t id = 0;
    std::int32_t super = 0; ///< parent unit, 0 for a top unit
    std::int32_t group = 0;
    int level = 1;
};

void writeGroups(CXDatabase& db, const DataGenOptions& opt, const NamePool& names, DataGenCounts& counts)
{
    BatchInsert insert(db, kGenGroupTable,
                       {{"GROUP_ID", Type::Int},
                        {"GROUP_NAME", Type::Text},
                        {"GROUP_URL", Type::Text},
                        {"GROUP_FTP_IP", Type::Int},
                        {"GROUP_CWA_IP", Type::Int},
                        {"GROUP_COUNT", Type::Int},
                        {"GROUP_POWER", Type::Int}});
    for (int g = 1; g <= opt.groups; ++g) {
        insert.add(g);
        insert.add(names.group(g));
        insert.add("http://group" + std::to_string(g) + ".corp.example");
        // 10.0.g.21 and 10.0.g.80, first octet most significant.
        insert.add(static_cast<std::int32_t>((10U << 24) | (static_cast<unsigned>(g & 0xff) << 8) | 21U));
        insert.add(static_cast<std::int32_t>((10U << 24) | (static_cast<unsigned>(g & 0xff) << 8) | 80U));
        insert.add(0); // no member limit
        insert.add(0);
        insert.endRow();
    }
    insert.flush();
    counts.groups = insert.rowsWritten();
}

/// The roles users may hold: the role file's, or role 0 alone, which the user form accepts without one.
std::vector<RoleRow> rolesOf(const DataGenOptions& opt, const NamePool& names)
{
    return opt.roles.empty() ? std::vector<RoleRow>{{0, names.role(0), 20, 0}} : opt.roles;
}

// The roles table holds the roles users are given, as the role file names them.
void writeRoles(CXDatabase& db, const std::vector<RoleRow>& roles, DataGenCounts& counts)
{
    BatchInsert insert(db, kGenRoleTable,
                       {{"DUTY_CLASS", Type::Int}, {"DUTY_CLASSNAME", Type::Text}, {"SMS_COUNT", Type::Int}});
    for (const RoleRow& r : roles) {
        insert.add(r.id);
        insert.add(r.name);
        insert.add(r.sms);
        insert.endRow();
    }
    insert.flush();
    counts.roles = insert.rowsWritten();
}

// The password method's parameter, under the name EnvParam.dat gives it, so users added in the tool get
// their passwords stored as the generated ones are.
void writePasswordMethod(CXDatabase& db, const DataGenOptions& opt)
{
    if (opt.passwordMethodParam.empty()) {
        return;
    }
    OdbcStatement remove(db);
    remove.bindText(1, opt.passwordMethodParam);
    remove.execute(db.quoteBrackets("DELETE FROM [" + std::string(kGenParamTable) + "] WHERE [Param_Name] = ?"));
    BatchInsert insert(db, kGenParamTable, {{"Param_Name", Type::Text}, {"Param_Value", Type::Text}});
    insert.add(opt.passwordMethodParam);
    insert.add(opt.passwordMethod);
    insert.endRow();
    insert.flush();
}

// Each group's units form one tree: a chain reaching the deepest level first, so every group shows
// the full depth, then units under random parents above that level, and now and then another top unit.
std::vector<Unit> planUnits(const DataGenOptions& opt, std::mt19937& rng)
{
    std::vector<Unit> units;
    units.reserve(static_cast<std::size_t>(opt.units));
    std::int32_t nextId = kFirstUnitId;
    for (int g = 1; g <= opt.groups; ++g) {
        const int share = opt.units / opt.groups + (g <= opt.units % opt.groups ? 1 : 0);
        std::vector<std::size_t> parents; // units of this group that may take children
        for (int k = 0; k < share; ++k) {
            Unit u{nextId++, 0, g, 1};
            if (k > 0 && k < opt.depth) {
                u.super = units.back().id;
                u.level = units.back().level + 1;
            } else if (k > 0 && !parents.empty() && pick(rng, 0, 49) != 0) {
                const Unit& parent =
                    units[parents[static_cast<std::size_t>(pick(rng, 0, static_cast<int>(parents.size()) - 1))]];
                u.super = parent.id;
                u.level = parent.level + 1;
            }
            if (u.level < opt.depth) {
                parents.push_back(units.size());
            }
            units.push_back(u);
        }
    }
    return units;
}

void writeUnits(CXDatabase& db, const NamePool& names, std::mt19937& rng, const std::vector<Unit>& units,
                DataGenCounts& counts)
{
    BatchInsert insert(db, kGenUnitTable,
                       {{"UNIT_ID", Type::Int},
                        {"UNIT_NAME", Type::Text},
                        {"SUPER_ID", Type::Int},
                        {"TREE_CLASS", Type::Int},
                        {"UNIT_STATUS", Type::Int},
                        {"CAN_LOG", Type::Int},
                        {"OL_TIME", Type::Int},
                        {"UNIT_ALIAS", Type::Text},
                        {"LOG_PWD", Type::Text},
                        {"GROUP_ID", Type::Int},
                        {"UNIT_FLAG", Type::Int}});
    int serial = 0;
    for (const Unit& u : units) {
        insert.add(u.id);
        insert.add(names.unit(rng, ++serial));
        insert.add(u.super);
        insert.add(u.level);
        insert.add(1);
        insert.add(0);
        insert.add(0);
        insert.add("");
        insert.add("");
        insert.add(u.group);
        insert.add(0);
        insert.endRow();
    }
    insert.flush();
    counts.units = insert.rowsWritten();
}

std::int32_t privileges(std::mt19937& rng)
{
    std::int32_t flags = 0;
    const int r = pick(rng, 0, 999);
    if (r < 2) {
        flags |= kAdministrator;
    } else if (r < 12) {
        flags |= kGroupAdministrator;
    }
    if (pick(rng, 0, 9) == 0) {
        flags |= kSmsUnlimited;
    }
    for (int bit = 19; bit <= 30; ++bit) {
        if (pick(rng, 0, 19) == 0) {
            flags |= static_cast<std::int32_t>(1U << bit);
        }
    }
    return flags;
}

// Eleven digits starting with 1, as the user form wants them, and unique: the last nine are the id
// scrambled (multiplying by a number prime to 10^9 is a bijection), so no two users share one.
std::string mobile(std::mt19937& rng, std::int32_t id)
{
    const auto scrambled = static_cast<std::uint64_t>(id) * 387420489ULL % 1000000000ULL;
    std::string digits = std::to_string(scrambled);
    std::string number = "1" + std::to_string(pick(rng, 3, 9)) + std::string(9 - digits.size(), '0') + digits;
    if (!IsValidMobile(number)) {
        throw std::logic_error("generated mobile number " + number + " breaks the user form's rule");
    }
    return number;
}

void writeUsers(CXDatabase& db, const DataGenOptions& opt, const NamePool& names, std::mt19937& rng,
                const std::vector<Unit>& units, const std::vector<RoleRow>& roles, DataGenCounts& counts)
{
    BatchInsert insert(db, kGenUserTable,
                       {{"USER_ID", Type::Int},
                        {"PASSWORD", Type::Text},
                        {"NAME", Type::Text},
                        {"MACHINE_ID", Type::Int},
                        {"POWER_FLAG", Type::Int},
                        {"EMAIL", Type::Text},
                        {"MOBILE", Type::Text},
                        {"UNIT_ID", Type::Int},
                        {"DUTY", Type::Text},
                        {"USER_STATUS", Type::Int},
                        {"OL_TIME", Type::Int},
                        {"SCORE", Type::Int},
                        {"DUTY_CLASS", Type::Int},
                        {"GROUP_ID", Type::Int}});
    const std::string password =
        ApplyPasswordMethod(opt.passwordMethodParam.empty() ? std::string() : opt.passwordMethod, kPassword);
    for (int i = 0; i < opt.users; ++i) {
        const std::int32_t id = kFirstUserId + i;
        Unit unit{0, 0, pick(rng, 1, opt.groups), 0};
        if (!units.empty()) {
            unit = units[static_cast<std::size_t>(pick(rng, 0, static_cast<int>(units.size()) - 1))];
        }
        const NamePool::Person person = names.person(rng, id);
        const int status = pick(rng, 0, 99);
        insert.add(id);
        insert.add(password);
        insert.add(person.name);
        insert.add(0);
        insert.add(privileges(rng));
        insert.add(person.email);
        insert.add(mobile(rng, id));
        insert.add(unit.id);
        insert.add(names.duty(rng));
        insert.add(status < 92 ? 1 : status < 97 ? 2 : 3);
        insert.add(pick(rng, 0, 100000));
        insert.add(pick(rng, 0, 1000));
        insert.add(roles[static_cast<std::size_t>(pick(rng, 0, static_cast<int>(roles.size()) - 1))].id);
        insert.add(unit.group);
        insert.endRow();
    }
    insert.flush();
    counts.users = insert.rowsWritten();
}

} // namespace

void createSchema(CXDatabase& db, const std::string& schemaFile)
{
    const std::vector<std::string> statements = schemaStatements(schemaFile);
    for (const char* table : kAllTables) {
        db.ExecuteSQL(db.quoteBrackets("DROP TABLE IF EXISTS [" + std::string(table) + "]"));
    }
    for (const std::string& sql : statements) {
        db.ExecuteSQL(sql);
    }
}

DataGenOptions DemoDataOptions()
{
    DataGenOptions o;
    o.groups = 3;
    o.units = 40;
    o.depth = 4;
    o.users = 300;
    o.seed = 7;
    return o;
}

void FollowProgramDirectory(DataGenOptions& options)
{
    options.roles = LoadRoleFile(RoleFilePath());
    options.passwordMethodParam = ReadEnvParamSettings().passwordMethodName;
}

void clearGeneratedTables(CXDatabase& db)
{
    for (const char* table : {kGenGroupTable, kGenRoleTable, kGenUnitTable, kGenUserTable}) {
        db.ExecuteSQL(db.quoteBrackets("DELETE FROM [" + std::string(table) + "]"));
    }
}

DataGenCounts generateData(CXDatabase& db, const DataGenOptions& options)
{
    if (options.groups < 1 || options.units < 0 || options.users < 0 || options.depth < 1 || options.depth > 250) {
        throw std::invalid_argument("groups must be at least 1, depth between 1 and 250, counts not negative");
    }
    std::mt19937 rng(options.seed);
    const NamePool names(options.codePage);
    const std::vector<Unit> units = planUnits(options, rng);
    const std::vector<RoleRow> roles = rolesOf(options, names);
    DataGenCounts counts;
    db.beginTransaction();
    try {
        writeGroups(db, options, names, counts);
        writeRoles(db, roles, counts);
        writePasswordMethod(db, options);
        writeUnits(db, names, rng, units, counts);
        writeUsers(db, options, names, rng, units, roles, counts);
        db.commit();
    } catch (...) {
        db.rollback();
        throw;
    }
    return counts;
}

} // namespace qar
