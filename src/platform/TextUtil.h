#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qar
{

/// True when every character is a decimal digit '0'-'9'; true for empty text.
bool IsAllDigits(std::string_view text);

/// "a.b.c.d" as one number, first part most significant; 0 when the text is not four non-empty digit
/// runs separated by dots. Parts are not checked against 255 (1.2.3.256 equals 1.2.4.0).
std::uint32_t ParseDottedIPv4(std::string_view text);

/// The four bytes of the number as "%u.%u.%u.%u", most significant first.
std::string FormatDottedIPv4(std::uint32_t address);

/// Reads a decimal integer as the C library's atoi does: leading blanks, an optional sign, digits up to
/// the first other character, 0 without digits. Values beyond the 32-bit range saturate at its limits.
std::int32_t AtoI(std::string_view text);

/// atol of the system this text comes from, where long is 32 bits: the same as AtoI.
std::int32_t AtoL(std::string_view text);

/// ASCII-only case-insensitive equality, as names in the settings files are compared.
bool EqualsNoCase(std::string_view a, std::string_view b);

} // namespace qar
