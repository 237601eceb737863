#pragma once

// The bytes the writers put into the text: how long a value is as an attribute value, the value with its
// entities, and the short moves of a splice.

#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace qar::markup
{

// Per byte of a value: how many bytes its entity adds in an attribute (0 for a byte written as it is),
// 255 for the NUL that ends the value and, where the code page has lead bytes, for any byte of 0x80 or
// above (a double-byte character goes the general way, which steps over its trail byte).
constexpr std::array<std::uint8_t, 256> makeValueTable(bool multibyte)
{
    std::array<std::uint8_t, 256> t{};
    t['<'] = 3;  // &lt;
    t['>'] = 3;  // &gt;
    t['&'] = 4;  // &amp;
    t['"'] = 5;  // &quot;
    t['\''] = 5; // &apos;
    t[0] = 255;
    for (int c = 0x80; c < 256 && multibyte; ++c) {
        t[static_cast<std::size_t>(c)] = 255;
    }
    return t;
}

inline constexpr auto kValueGrowthSingleByte = makeValueTable(false);
inline constexpr auto kValueGrowthDoubleByte = makeValueTable(true);

#ifdef __SSE2__
// Whether a 16-byte block holds a byte the tables above do not pass as it is.
inline bool holdsSpecialByte(__m128i x, bool multibyte)
{
    const __m128i tags = _mm_or_si128(_mm_cmpeq_epi8(x, _mm_set1_epi8('<')), _mm_cmpeq_epi8(x, _mm_set1_epi8('>')));
    const __m128i amp = _mm_or_si128(_mm_cmpeq_epi8(x, _mm_set1_epi8('&')), _mm_cmpeq_epi8(x, _mm_setzero_si128()));
    const __m128i quotes = _mm_or_si128(_mm_cmpeq_epi8(x, _mm_set1_epi8('"')), _mm_cmpeq_epi8(x, _mm_set1_epi8('\'')));
    const __m128i any = _mm_or_si128(_mm_or_si128(tags, amp), quotes);
    return _mm_movemask_epi8(multibyte ? _mm_or_si128(any, x) : any) != 0;
}

// Whether the value holds such a byte, sixteen bytes at a time. A value shorter than a block is read as
// words that overlap within it, so that no byte beyond it is touched.
inline bool holdsSpecialByte(std::string_view value, bool multibyte)
{
    const char* p = value.data();
    const std::size_t n = value.size();
    if (n >= 16) {
        std::size_t i = 0;
        for (; i + 16 <= n; i += 16) {
            if (holdsSpecialByte(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)), multibyte)) {
                return true;
            }
        }
        return i < n && holdsSpecialByte(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + n - 16)), multibyte);
    }
    std::uint64_t word = 0;
    if (n >= 8) {
        std::uint64_t tail = 0;
        std::memcpy(&word, p, 8);
        std::memcpy(&tail, p + n - 8, 8);
        return holdsSpecialByte(_mm_set_epi64x(static_cast<long long>(tail), static_cast<long long>(word)), multibyte);
    }
    if (n >= 4) {
        std::uint32_t head = 0;
        std::uint32_t tail = 0;
        std::memcpy(&head, p, 4);
        std::memcpy(&tail, p + n - 4, 4);
        word = head | (std::uint64_t{tail} << 32);
    } else if (n > 0) {
        const auto byte = [p](std::size_t i) { return std::uint64_t{static_cast<unsigned char>(p[i])}; };
        word = (byte(0) | (byte(n / 2) << 8) | (byte(n - 1) << 16) | (byte(0) << 24)) * 0x0000000100000001u;
    } else {
        return false;
    }
    return holdsSpecialByte(_mm_set1_epi64x(static_cast<long long>(word)), multibyte);
}
#endif

// The length of a value written as an attribute value, or SIZE_MAX when it must go the general way.
inline std::size_t encodedLength(std::string_view value, bool multibyte)
{
#ifdef __SSE2__
    if (!holdsSpecialByte(value, multibyte)) {
        return value.size(); // most values: nothing to encode
    }
#endif
    const auto& table = multibyte ? kValueGrowthDoubleByte : kValueGrowthSingleByte;
    unsigned grow = 0;
    unsigned stop = 0;
    for (const char c : value) {
        const unsigned g = table[static_cast<unsigned char>(c)];
        grow += g;
        stop |= g & 0x80;
    }
    return stop ? SIZE_MAX : value.size() + grow;
}

// Writes value with its entities to out, which has room for exactly its encoded length.
inline void writeEncoded(char* out, std::string_view value)
{
    for (const char c : value) {
        switch (c) {
        case '<':
            std::memcpy(out, "&lt;", 4);
            out += 4;
            break;
        case '>':
            std::memcpy(out, "&gt;", 4);
            out += 4;
            break;
        case '&':
            std::memcpy(out, "&amp;", 5);
            out += 5;
            break;
        case '"':
            std::memcpy(out, "&quot;", 6);
            out += 6;
            break;
        case '\'':
            std::memcpy(out, "&apos;", 6);
            out += 6;
            break;
        default:
            *out++ = c;
            break;
        }
    }
}

// memmove for the few bytes writers move and copy (the end tags behind a new record, a name, a value):
// everything is loaded before anything is stored, so the ranges may overlap.
inline void moveBytes(char* to, const char* from, std::size_t n)
{
    if (n >= 8 && n <= 16) {
        std::uint64_t head = 0;
        std::uint64_t tail = 0;
        std::memcpy(&head, from, 8);
        std::memcpy(&tail, from + n - 8, 8);
        std::memcpy(to, &head, 8);
        std::memcpy(to + n - 8, &tail, 8);
    } else if (n > 16 && n <= 32) {
        std::uint64_t words[4];
        std::memcpy(&words[0], from, 16);
        std::memcpy(&words[2], from + n - 16, 16);
        std::memcpy(to, &words[0], 16);
        std::memcpy(to + n - 16, &words[2], 16);
    } else if (n >= 4 && n < 8) {
        std::uint32_t head = 0;
        std::uint32_t tail = 0;
        std::memcpy(&head, from, 4);
        std::memcpy(&tail, from + n - 4, 4);
        std::memcpy(to, &head, 4);
        std::memcpy(to + n - 4, &tail, 4);
    } else if (n >= 2 && n < 4) {
        std::uint16_t head = 0;
        std::uint16_t tail = 0;
        std::memcpy(&head, from, 2);
        std::memcpy(&tail, from + n - 2, 2);
        std::memcpy(to, &head, 2);
        std::memcpy(to + n - 2, &tail, 2);
    } else if (n == 1) {
        *to = *from;
    } else if (n > 32) {
        std::memmove(to, from, n);
    }
}

} // namespace qar::markup
