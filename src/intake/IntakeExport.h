#pragma once

#include "intake/IntakeColumns.h"
#include "intake/IntakeFile.h"
#include "intake/OrgData.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace qar
{

/// What an export writes.
struct ExportRequest
{
    std::vector<SheetKind> kinds;      ///< one sheet each; CSV takes exactly one
    std::optional<std::int32_t> group; ///< only the units and users of this group
    SpreadsheetFormat format = SpreadsheetFormat::Csv;
    /// The password columns (stored hashes or plain passwords) are written only when asked for.
    bool withPasswords = false;
};

/// The format a file name's extension names (".csv", ".xlsx", in any case), if any.
std::optional<SpreadsheetFormat> FormatOfName(std::string_view path);

/// The format an export to `path` writes: the one its name says, else `chosen`. Fails with a message id
/// when it cannot be written as asked: a CSV file holds one kind of rows (kIntakeCsvOneKind).
std::variant<SpreadsheetFormat, int> ExportFormatFor(std::string_view path, SpreadsheetFormat chosen,
                                                     std::size_t kinds);

/// One cell of an exported row: a number, or a text (bytes of the system's code page, pointing into the
/// record).
struct ExportCell
{
    bool isText = false;
    std::int64_t number = 0;
    std::string_view text;

    /// The cell as text: the bytes, or the number in decimal.
    std::string str() const;
};

/// The cell of a column of a row, as an export writes it.
ExportCell UnitCell(const UnitRecord& unit, UnitColumn column);
ExportCell UserCell(const UserRecord& user, UserColumn column);

/// The rows an export of one kind holds: units parents first (by level, then table order), users in
/// table order; with a group, only that group's.
std::vector<const UnitRecord*> ExportedUnits(const OrgData& data, std::optional<std::int32_t> group);
std::vector<const UserRecord*> ExportedUsers(const OrgData& data, std::optional<std::int32_t> group);

/// A CSV text of one kind, exactly as an import reads it back: UTF-8 with a byte order mark, CRLF, a
/// header row, numbers as digits, texts escaped so no spreadsheet takes them for a formula.
std::string ExportCsv(const OrgData& data, SheetKind kind, std::optional<std::int32_t> group,
                      bool withPasswords = false);

/// Writes the file through the atomic file helpers (a complete old or new file, never half of one).
/// Returns the rows written, or nullopt with `error` set; a name whose extension says another format
/// than the request's is refused (never a workbook under a ".csv" name).
std::optional<std::size_t> ExportFile(const OrgData& data, const ExportRequest& request, const std::string& path,
                                      std::string& error);

} // namespace qar
