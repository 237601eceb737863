#include "intake/IntakeColumns.h"

#include <string>

namespace qar
{

namespace
{

// Export headers first; then the names of the editors' fields and of the database columns.
constexpr ColumnDef kUnitColumns[] = {
    {"ID", {"Code", "UNIT_ID", "Unit ID", ""}, true},
    {"Name", {"Department", "UNIT_NAME", "Unit Name", ""}, true},
    {"Parent", {"SUPER_ID", "Parent ID", "", ""}, false},
    {"Level", {"TREE_CLASS", "", "", ""}, false},
    {"Group", {"GROUP_ID", "Group ID", "", ""}, false},
    {"Enabled", {"Valided", "UNIT_STATUS", "Status", ""}, false},
    {"PublicAccount", {"CAN_LOG", "Public account", "", ""}, false},
    {"Alias", {"UNIT_ALIAS", "Dept. Alias", "", ""}, false},
    {"Password", {"LOG_PWD", "", "", ""}, false},
    {"Attributes", {"Attribute", "UNIT_FLAG", "", ""}, false},
    {"Weight", {"Weight for sorting", "", "", ""}, false},
    {"OnlineTime", {"OL_TIME", "", "", ""}, false},
};

constexpr ColumnDef kUserColumns[] = {
    {"ID", {"USER_ID", "User ID", "", ""}, true},
    {"Name", {"User Name", "NAME", "", ""}, true},
    {"Password", {"PASSWORD", "", "", ""}, false}, // an export leaves it out unless asked
    {"Unit", {"UNIT_ID", "Unit ID", "Department", ""}, true},
    {"Group", {"GROUP_ID", "User Group", "", ""}, false},
    {"Duty", {"DUTY", "Unitive Account", "", ""}, false},
    {"Email", {"E-mail", "EMAIL", "", ""}, false},
    {"Mobile", {"MOBILE", "", "", ""}, false},
    {"Role", {"DUTY_CLASS", "", "", ""}, false},
    {"Status", {"USER_STATUS", "", "", ""}, false},
    {"Privileges", {"POWER_FLAG", "", "", ""}, false},
    {"Weight", {"Weight for Sorting", "", "", ""}, false},
    {"OnlineTime", {"OL_TIME", "Total online (minutes)", "", ""}, false},
    {"Score", {"SCORE", "", "", ""}, false},
    {"MachineId", {"MACHINE_ID", "", "", ""}, false},
};

static_assert(std::size(kUnitColumns) == static_cast<std::size_t>(UnitColumn::Count));
static_assert(std::size(kUserColumns) == static_cast<std::size_t>(UserColumn::Count));

// Headers only one kind has, to tell a sheet's kind from its header row.
constexpr std::string_view kUnitOnly[] = {"parent",    "superid",  "parentid",      "level",  "treeclass",
                                          "enabled",   "valided",  "publicaccount", "canlog", "attributes",
                                          "attribute", "unitflag", "department",    "code"};
constexpr std::string_view kUserOnly[] = {"userid", "unit",       "email",     "mobile", "role",      "dutyclass",
                                          "duty",   "privileges", "powerflag", "score",  "machineid", "username"};

std::string normalised(std::string_view header)
{
    std::string out;
    for (char c : header) {
        if (c == ' ' || c == '_' || c == '-' || c == '.') {
            continue;
        }
        out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return out;
}

bool names(const ColumnDef& column, const std::string& header)
{
    if (normalised(column.header) == header) {
        return true;
    }
    for (std::string_view alias : column.aliases) {
        if (!alias.empty() && normalised(alias) == header) {
            return true;
        }
    }
    return false;
}

} // namespace

std::size_t ColumnCount(SheetKind kind)
{
    return kind == SheetKind::Units ? std::size(kUnitColumns) : std::size(kUserColumns);
}

const ColumnDef& Column(SheetKind kind, std::size_t field)
{
    return kind == SheetKind::Units ? kUnitColumns[field] : kUserColumns[field];
}

std::string_view SheetKindName(SheetKind kind)
{
    return kind == SheetKind::Units ? "Units" : "Users";
}

ColumnMapping MapHeader(SheetKind kind, const Sheet& sheet, std::size_t headerRow)
{
    ColumnMapping mapping{kind, std::vector<int>(ColumnCount(kind), -1)};
    if (headerRow >= sheet.rowCount()) {
        return mapping;
    }
    const std::uint32_t cells = sheet.row(headerRow).cellCount;
    for (std::uint32_t c = 0; c < cells; ++c) {
        const std::string header = normalised(sheet.cell(headerRow, c));
        for (std::size_t f = 0; f < mapping.sheetColumn.size(); ++f) {
            // The first column of a name wins; a second one of the same name is left out.
            if (mapping.sheetColumn[f] < 0 && names(Column(kind, f), header)) {
                mapping.sheetColumn[f] = static_cast<int>(c);
                break;
            }
        }
    }
    return mapping;
}

std::optional<SheetKind> GuessSheetKind(const Sheet& sheet, std::size_t headerRow)
{
    const std::string name = normalised(sheet.name);
    if (name == "units" || name == "unit" || name == "departments" || sheet.name == "部门" || sheet.name == "单位") {
        return SheetKind::Units;
    }
    if (name == "users" || name == "user" || sheet.name == "用户") {
        return SheetKind::Users;
    }
    if (headerRow >= sheet.rowCount()) {
        return std::nullopt;
    }
    int units = 0;
    int users = 0;
    for (std::uint32_t c = 0; c < sheet.row(headerRow).cellCount; ++c) {
        const std::string header = normalised(sheet.cell(headerRow, c));
        for (std::string_view u : kUnitOnly) {
            units += header == u;
        }
        for (std::string_view u : kUserOnly) {
            users += header == u;
        }
    }
    if (units == users) {
        return std::nullopt;
    }
    return units > users ? SheetKind::Units : SheetKind::Users;
}

std::optional<std::size_t> MissingRequiredColumn(const ColumnMapping& mapping)
{
    for (std::size_t f = 0; f < mapping.sheetColumn.size(); ++f) {
        if (Column(mapping.kind, f).required && !mapping.has(f)) {
            return f;
        }
    }
    return std::nullopt;
}

} // namespace qar
