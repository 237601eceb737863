#pragma once

#include "intake/Sheet.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace qar
{

/// What a sheet holds.
enum class SheetKind
{
    Units,
    Users,
};

/// The columns of a units sheet, in the order an export writes them.
enum class UnitColumn
{
    Id,
    Name,
    Parent,
    Level,
    Group,
    Enabled,
    PublicAccount,
    Alias,
    Password,
    Attributes,
    Weight,
    OnlineTime,
    Count,
};

/// The columns of a users sheet, in the order an export writes them.
enum class UserColumn
{
    Id,
    Name,
    Password,
    Unit,
    Group,
    Duty,
    Email,
    Mobile,
    Role,
    Status,
    Privileges,
    Weight,
    OnlineTime,
    Score,
    MachineId,
    Count,
};

/// One column of a sheet kind: the header an export writes and the other names an import accepts for it
/// (compared without case, blanks, '_' or '-'; the database column names among them).
struct ColumnDef
{
    std::string_view header;
    std::array<std::string_view, 4> aliases;
    bool required;
};

std::size_t ColumnCount(SheetKind kind);
const ColumnDef& Column(SheetKind kind, std::size_t field);
/// "Units" or "Users": the sheet names of an exported workbook.
std::string_view SheetKindName(SheetKind kind);

/// Which sheet column each field is read from (-1: not in the sheet).
struct ColumnMapping
{
    SheetKind kind = SheetKind::Units;
    std::vector<int> sheetColumn;

    int columnOf(std::size_t field) const { return sheetColumn[field]; }
    bool has(std::size_t field) const { return sheetColumn[field] >= 0; }
};

/// The fields named by a header row; unknown headers are left out.
ColumnMapping MapHeader(SheetKind kind, const Sheet& sheet, std::size_t headerRow = 0);

/// What a sheet holds, from its name ("Units", "Users" and their Chinese names) or, failing that, from
/// the columns only one kind has; nullopt when neither tells.
std::optional<SheetKind> GuessSheetKind(const Sheet& sheet, std::size_t headerRow = 0);

/// The first required field the mapping lacks, if any. `groupGiven`: rows without a group take a
/// default, so a units sheet needs no group column.
std::optional<std::size_t> MissingRequiredColumn(const ColumnMapping& mapping);

} // namespace qar
