#pragma once

#include "intake/Sheet.h"

#include <string_view>

namespace qar
{

/// The encoding of an imported file's text. Spreadsheets save CSV in UTF-8 (with or without a byte
/// order mark) or in the code page of the Windows machine that wrote them.
enum class FileEncoding
{
    Auto, ///< detect it
    Utf8,
    Gbk,
    Big5,
    Utf16, ///< recognised by its byte order mark, and refused
};

/// The encoding of a CSV file: UTF-8 by its byte order mark or when most lines with non-ASCII bytes are
/// valid UTF-8 (the others are then reported one by one); otherwise GBK or Big5, whichever the text
/// reads as more plausibly (ICU's detector), ties going to the system's code page.
FileEncoding DetectFileEncoding(std::string_view bytes);

/// Whether the bytes are well-formed text of the encoding (UTF-8 without overlong forms or surrogates;
/// GBK and Big5 by their lead and trail byte ranges).
bool IsValidText(std::string_view bytes, FileEncoding encoding);

/// Converts every cell of the sheet from `encoding` into the system's code page. A row holding bytes
/// that are not text of that encoding, or a byte order mark (files joined together), keeps its bytes
/// and gets its issue; it is reported, never imported.
void DecodeSheet(Sheet& sheet, FileEncoding encoding);

/// "UTF-8", "GBK", "Big5", "UTF-16".
const char* FileEncodingName(FileEncoding encoding);

} // namespace qar
