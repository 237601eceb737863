#pragma once

#include "intake/IntakeReport.h"
#include "intake/Sheet.h"
#include "intake/TextEncoding.h"

#include <cstddef>
#include <string>
#include <vector>

namespace qar
{

enum class SpreadsheetFormat
{
    Csv,
    Xlsx,
};

/// Limits of one file: larger files are refused at once with a clear message, not read half-way.
struct IntakeReadOptions
{
    FileEncoding encoding = FileEncoding::Auto; ///< of a CSV file; a workbook is always UTF-8
    std::size_t maxBytes = std::size_t{256} << 20;
    std::size_t maxRows = 1000000;
};

/// A file read for an import: its sheets decoded into the system's code page, or the problem that
/// makes it unreadable as a whole.
struct IntakeFile
{
    std::string path;
    std::string label; ///< the file name, as the report names it
    SpreadsheetFormat format = SpreadsheetFormat::Csv;
    FileEncoding encoding = FileEncoding::Utf8;
    std::vector<Sheet> sheets;
    std::vector<IntakeProblem> problems; ///< file-level problems; any of them means nothing is imported

    bool readable() const { return problems.empty(); }
    /// "staff.xlsx:Users" for a sheet of a workbook, the file name for a CSV file.
    std::string sourceOf(const Sheet& sheet) const;
};

/// Reads a CSV file or an XLSX workbook, told apart by content, not by name. Never throws for bad
/// content: files that are neither (an old .xls, UTF-16 text, binary data), too large, damaged, or
/// with a quote left open come back with their problem.
IntakeFile ReadIntakeFile(const std::string& path, const IntakeReadOptions& options = {});

/// Reads CSV text already in memory (the file form above ends here too).
void ReadCsvText(IntakeFile& file, std::string_view bytes, FileEncoding encoding, std::size_t maxRows);

} // namespace qar
