#pragma once

#include "intake/Sheet.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qar
{

/// How reading a CSV text ended. A quote left open swallows the rest of the file: the rows before it
/// are kept for the report, and the line where it opened is named.
struct CsvReadResult
{
    bool complete = true;
    std::uint32_t openQuoteLine = 0; ///< the line of the quote never closed, when not complete
    bool tooManyRows = false;        ///< stopped at the row limit
};

/// The delimiter of a CSV text: ',' unless the first record holds more ';' or tabs outside quotes
/// (spreadsheets of some regions write ';').
char DetectCsvDelimiter(std::string_view bytes);

/// Reads RFC 4180 records from raw bytes into `out`, one row per record, cells unchanged (the caller
/// decodes them). Records end at CRLF, LF or CR; quoted cells may hold delimiters, line breaks and
/// doubled quotes; a quote inside an unquoted cell, or text after a closing quote, is kept as it is.
/// Rows past `maxRows` are not read. Never throws for any input (beyond running out of memory).
CsvReadResult ReadCsv(std::string_view bytes, char delimiter, Sheet& out, std::size_t maxRows);

/// A text as a CSV cell: quoted when it holds the delimiter, a quote, a line break or leading or
/// trailing blanks.
void AppendCsvCell(std::string& out, std::string_view text, char delimiter = ',');

/// A cell a spreadsheet would take for a formula (it starts with '=', '+', '-' or '@') gets a leading
/// apostrophe, so that opening an export never runs anything; a text that already starts with an
/// apostrophe before one of those (or another apostrophe) gets one more, so the escape can be undone.
std::string EscapeFormulaText(std::string_view text);
/// Undoes EscapeFormulaText: one apostrophe in front of '=', '+', '-', '@' or an apostrophe is removed.
std::string_view UnescapeFormulaText(std::string_view text);
/// Whether EscapeFormulaText would change the text.
bool NeedsFormulaEscape(std::string_view text);

} // namespace qar
