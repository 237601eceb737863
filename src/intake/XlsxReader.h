#pragma once

#include "intake/Sheet.h"

#include <cstddef>
#include <string>
#include <vector>

namespace qar
{

/// Why a workbook could not be read.
enum class XlsxProblem
{
    None,
    NotAWorkbook, ///< not a zip archive, or no workbook inside
    Damaged,      ///< a part is missing, too large, or not well-formed XML
    TooManyRows,
};

struct XlsxReadResult
{
    XlsxProblem problem = XlsxProblem::None;
    std::string detail; ///< the part or the parser's message, for the report
};

/// Reads every worksheet of an XLSX workbook, in workbook order, into `sheets`: the sheet names, each
/// row under its row number, each cell at the column of its reference. Texts come from the shared
/// strings or the cell itself and are converted from UTF-8 to the system's code page; numbers are
/// written as the cell stores them (whole numbers without ".0" or an exponent); a formula is taken as
/// its text with a leading '=' and never evaluated. Parts are read as a stream (libzip, expat), each at
/// most `maxPartBytes` uncompressed, so a workbook that unpacks to gigabytes is refused early.
XlsxReadResult ReadXlsx(const std::string& path, std::vector<Sheet>& sheets, std::size_t maxRows,
                        std::size_t maxPartBytes = std::size_t{1} << 30);

/// Column number (0 for "A") of a cell reference such as "AB12"; -1 when it has no letters.
long XlsxColumnOf(const char* reference);

} // namespace qar
