#pragma once

#include "platform/Locale.h"

#include <string>
#include <string_view>

namespace qar
{

/// Big5 text to GB text: decoded as code page 950, encoded as code page 936 (characters without a
/// mapping become '?'), traditional characters mapped to simplified ones.
std::string BigToGb(std::string_view big5);

/// GB text to Big5 text: simplified characters mapped to traditional ones, then re-encoded from code
/// page 936 to code page 950 ('?' for characters Big5 lacks).
std::string GbToBig(std::string_view gb);

/// Bytes of a code page to UTF-16; invalid bytes become U+FFFD.
std::u16string ToUtf16(std::string_view bytes, CodePage cp);
/// UTF-16 to bytes of a code page; characters it lacks become '?'.
std::string FromUtf16(std::u16string_view text, CodePage cp);

/// The same for the active ANSI code page: where text leaves the core for the user interface.
std::u16string ToUtf16(std::string_view ansi);
std::string FromUtf16(std::u16string_view text);

/// Bytes of a code page to UTF-8 and back.
std::string ToUtf8(std::string_view bytes, CodePage cp);
std::string FromUtf8(std::string_view utf8, CodePage cp);

} // namespace qar
