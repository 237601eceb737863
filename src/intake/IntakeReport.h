#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qar
{

/// One finding of a dry run or an import: where it lies and why, as a string-table id with the texts
/// its "%s"/"%d" take (bytes of the system's code page). `line` 0 means the file or sheet as a whole.
struct IntakeProblem
{
    std::string source;     ///< file name, and sheet name for a workbook ("staff.xlsx:Users")
    std::uint32_t line = 0; ///< the line (CSV) or row number (XLSX) the row starts on
    std::string column;     ///< the header of the column at fault, empty for the whole row
    int messageId = 0;
    std::vector<std::string> args;
};

/// The string-table text of `id` in the user's language (system code page), each "%s" or "%d" replaced
/// by the next argument in order.
std::string IntakeText(int id, const std::vector<std::string>& args = {});

/// One problem as a line of the report: "staff.csv line 12, column Email: Invalid e-mail!".
std::string IntakeProblemText(const IntakeProblem& problem);

} // namespace qar
