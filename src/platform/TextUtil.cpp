#include "platform/TextUtil.h"

#include <array>
#include <cstdio>
#include <limits>

namespace qar
{
namespace
{

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isCBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

char foldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

bool IsAllDigits(std::string_view text)
{
    for (char c : text) {
        if (!isDigit(c)) {
            return false;
        }
    }
    return true;
}

std::uint32_t ParseDottedIPv4(std::string_view text)
{
    std::array<std::string_view, 4> parts;
    std::string_view rest = text;
    for (std::size_t i = 0; i < 3; ++i) {
        auto dot = rest.find('.');
        if (dot == std::string_view::npos || dot == 0) {
            return 0;
        }
        parts[i] = rest.substr(0, dot);
        rest.remove_prefix(dot + 1);
    }
    parts[3] = rest;
    std::uint32_t result = 0;
    for (std::string_view part : parts) {
        if (part.empty() || !IsAllDigits(part)) {
            return 0;
        }
        // Unsigned 32-bit arithmetic: an oversized part carries into the part before it.
        result = result * 256u + static_cast<std::uint32_t>(AtoI(part));
    }
    return result;
}

std::string FormatDottedIPv4(std::uint32_t address)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%u.%u.%u.%u", static_cast<unsigned>((address >> 24) & 0xFFu),
                  static_cast<unsigned>((address >> 16) & 0xFFu), static_cast<unsigned>((address >> 8) & 0xFFu),
                  static_cast<unsigned>(address & 0xFFu));
    return buf;
}

std::int32_t AtoI(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && isCBlank(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulate the magnitude in 64 bits and stop growing once past the 32-bit range, so an endless
    // digit run can neither overflow nor change the saturated result.
    constexpr std::int64_t limit = static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max()) + 1;
    std::int64_t magnitude = 0;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        if (magnitude <= limit) {
            magnitude = magnitude * 10 + (text[i] - '0');
        }
    }
    if (negative) {
        return magnitude >= limit ? std::numeric_limits<std::int32_t>::min() : static_cast<std::int32_t>(-magnitude);
    }
    return magnitude >= limit ? std::numeric_limits<std::int32_t>::max() : static_cast<std::int32_t>(magnitude);
}

std::int32_t AtoL(std::string_view text)
{
    return AtoI(text);
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (foldAscii(a[i]) != foldAscii(b[i])) {
            return false;
        }
    }
    return true;
}

} // namespace qar
