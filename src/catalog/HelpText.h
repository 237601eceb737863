#pragma once

#include <string>

namespace qar
{

/// The text the help viewer shows for a text file: each line (read as text, so a line's own carriage
/// return is dropped) followed by "\r\n", and one more "\r\n" from the read that meets the end of the
/// file. A file that cannot be opened gives an empty text. Bytes are left in the ANSI code page.
std::string ReadHelpText(const std::string& path);

} // namespace qar
