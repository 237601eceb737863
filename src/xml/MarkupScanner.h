#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace qar::markup
{

// Character classes of the markup scanner, one table per kind of code page so that the hot loops
// test one byte against one table entry instead of asking the locale.
enum CharClass : std::uint8_t
{
    kSpace = 1, // " \t\n\r": the only white space the markup knows
    kDelim = 2, // ends an unquoted token: white space, "<>=\/?!" and the terminating NUL
    kLead = 4,  // opens a double-byte character; the byte after it is never a delimiter
};

using ClassTable = std::array<std::uint8_t, 256>;

constexpr ClassTable makeClassTable(bool multibyte)
{
    ClassTable t{};
    for (unsigned char c : std::string_view(" \t\n\r")) {
        t[c] |= kSpace | kDelim;
    }
    for (unsigned char c : std::string_view("<>=\\/?!")) {
        t[c] |= kDelim;
    }
    t[0] |= kDelim;
    if (multibyte) {
        for (int c = 0x81; c <= 0xFE; ++c) {
            t[static_cast<std::size_t>(c)] |= kLead;
        }
    }
    return t;
}

inline constexpr ClassTable kSingleByteClasses = makeClassTable(false);
inline constexpr ClassTable kDoubleByteClasses = makeClassTable(true);

constexpr std::array<bool, 256> makePlainNameTable()
{
    std::array<bool, 256> t{};
    for (int c = 0x21; c < 0x80; ++c) {
        t[static_cast<std::size_t>(c)] = !(kSingleByteClasses[static_cast<std::size_t>(c)] & kDelim);
    }
    t['"'] = t['\''] = false;
    return t;
}

inline constexpr auto kPlainNameByte = makePlainNameTable();

// A name the tag scanner reads back as exactly one token.
inline bool isPlainName(std::string_view name)
{
    bool plain = !name.empty();
    for (const char c : name) {
        plain &= kPlainNameByte[static_cast<unsigned char>(c)];
    }
    return plain;
}

/// Names and values stand for C strings: they end at a NUL.
inline std::string_view untilNul(std::string_view s)
{
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\0') {
            return s.substr(0, i);
        }
    }
    return s;
}

/// A name as the lookups use it: cut at its first NUL, its first eight bytes as a key (zero beyond its
/// end), and whether it holds one of " =/[" (such a name may match a shorter token).
struct NameProbe
{
    std::string_view name;
    std::uint64_t key = 0;
    bool special = false;
};

// Per byte of a name: 1 for " =/[" (the name may then match a shorter token), 2 for the NUL that ends
// it, 4 for a byte that ends an unquoted token.
constexpr std::array<std::uint8_t, 256> makeProbeTable()
{
    std::array<std::uint8_t, 256> t{};
    for (int c = 0; c < 256; ++c) {
        t[static_cast<std::size_t>(c)] = kSingleByteClasses[static_cast<std::size_t>(c)] & kDelim ? 4 : 0;
    }
    t[' '] |= 1;
    t['='] |= 1;
    t['/'] |= 1;
    t['['] |= 1;
    t[0] = 2;
    return t;
}

inline constexpr auto kProbeClass = makeProbeTable();

inline NameProbe probeName(std::string_view name)
{
    // Names are a few bytes long: one plain pass beats any word-wise trick on them.
    NameProbe p{name, 0, false};
    const auto* bytes = reinterpret_cast<const unsigned char*>(name.data());
    const std::size_t n = name.size();
    std::uint64_t key = 0;
    std::uint8_t seen = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t k = kProbeClass[bytes[i]];
        if (k & 2) {
            p.name = name.substr(0, i);
            break;
        }
        seen |= k;
        if (i < 8) {
            key |= std::uint64_t{bytes[i]} << (8 * i);
        }
    }
    p.key = key;
    p.special = (seen & 1) != 0;
    return p;
}

/// The first c from i on in single-byte text of end bytes; end when there is none. The pattern is made
/// from a whole word: a byte spilled and read back as a word stalls the load.
inline int findByte(const char* text, int end, int i, char c)
{
#ifdef __SSE2__
    const __m128i needle = _mm_set1_epi32(static_cast<int>(static_cast<unsigned char>(c) * 0x01010101u));
    for (int blocks = 0; blocks < 4 && i + 16 <= end; ++blocks, i += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
        const auto hits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, needle)));
        if (hits) {
            return i + __builtin_ctz(hits);
        }
    }
#endif
    // A long way to go, or the last few bytes.
    const void* hit = std::memchr(text + i, c, static_cast<std::size_t>(end - i));
    return hit ? static_cast<int>(static_cast<const char*>(hit) - text) : end;
}

/// A token of a tag: bytes left..right inclusive (empty when left > right), scanning resumes at next.
struct TokenCursor
{
    int left = 0;
    int right = -1;
    int next = 0;
    bool quoted = false;

    int length() const { return right >= left ? right - left + 1 : 0; }
};

/// Scanning primitives over a NUL-terminated text without embedded NULs. Every scan steps over whole
/// characters of the active code page and stops at the terminating NUL, so a lone lead byte at the
/// end never carries a scan past it. Offsets handed in must lie within 0..length.
class Scanner
{
public:
    Scanner(const char* text, int length, bool multibyte)
        : m_text(text), m_length(length), m_classes(multibyte ? kDoubleByteClasses.data() : kSingleByteClasses.data()),
          m_multibyte(multibyte)
    {}

    const char* text() const { return m_text; }
    int length() const { return m_length; }
    bool multibyte() const { return m_multibyte; }
    char at(int i) const { return m_text[i]; }
    std::uint8_t classOf(int i) const { return m_classes[static_cast<unsigned char>(m_text[i])]; }
    bool isLead(unsigned char c) const { return (m_classes[c] & kLead) != 0; }

    /// The offset of the character after the one at i.
    int step(int i) const { return (classOf(i) & kLead) && m_text[i + 1] != '\0' ? i + 2 : i + 1; }

    /// First occurrence of c at a character boundary from i; the text length when there is none.
    int findChar(int i, char c) const
    {
#ifdef __SSE2__
        // Sixteen bytes at a time. Where a block holds bytes of 0x80 and above in a double-byte code
        // page, the characters are walked up to the hit, which may turn out to be a trail byte.
        const __m128i needle = _mm_set1_epi8(c);
        int blocks = 0;
        while (i + 16 <= m_length) {
            if (!m_multibyte && ++blocks > 4) {
                break; // a long way to go: memchr is faster still
            }
            const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(m_text + i));
            const auto hits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, needle)));
            if (m_multibyte && _mm_movemask_epi8(chunk) != 0) {
                const int stop = i + (hits ? __builtin_ctz(hits) : 16);
                int j = i;
                while (j < stop) {
                    j = step(j);
                }
                if (hits && j == stop) {
                    return stop;
                }
                i = j;
                continue;
            }
            if (hits) {
                return i + __builtin_ctz(hits);
            }
            i += 16;
        }
#endif
        if (!m_multibyte) {
            const void* hit = std::memchr(m_text + i, c, static_cast<std::size_t>(m_length - i));
            return hit ? static_cast<int>(static_cast<const char*>(hit) - m_text) : m_length;
        }
        while (i < m_length && m_text[i] != c) {
            i = step(i);
        }
        return i < m_length ? i : m_length;
    }

    /// First occurrence of the ASCII string s starting at a character boundary in from..limit-1;
    /// -1 when there is none. The match itself may reach beyond limit.
    int findString(int from, std::string_view s, int limit) const
    {
        int i = from;
        while (i < limit) {
            i = findChar(i, s[0]);
            if (i >= limit) {
                return -1;
            }
            if (std::strncmp(m_text + i, s.data(), s.size()) == 0) {
                return i;
            }
            i = step(i);
        }
        return -1;
    }

    int skipSpace(int i) const
    {
        while (classOf(i) & kSpace) {
            ++i;
        }
        return i;
    }

    /// Reads the token that starts after white space at t.next; false at the end of the text.
    bool nextToken(TokenCursor& t) const
    {
        int i = skipSpace(t.next);
        t.quoted = false;
        if (m_text[i] == '\0') {
            t.left = t.right = t.next = i;
            return false;
        }
        const char first = m_text[i];
        if (first == '"' || first == '\'') {
            t.quoted = true;
            t.left = i + 1;
            const int close = findChar(t.left, first);
            t.right = close - 1;
            t.next = close < m_length ? close + 1 : close;
            return true;
        }
        t.left = i;
        if (m_multibyte) {
            while (!(classOf(i) & kDelim)) {
                i = step(i);
            }
        } else {
            while (!(classOf(i) & kDelim)) {
                ++i;
            }
        }
        if (i == t.left) {
            ++i; // the delimiter itself is the token
        }
        t.right = i - 1;
        t.next = i;
        return true;
    }

    /// The token's bytes equal the beginning of name, and name ends there or goes on with one of " =/[".
    bool matches(const TokenCursor& t, std::string_view name) const
    {
        const auto n = static_cast<std::size_t>(t.length());
        if (name.size() < n || std::memcmp(m_text + t.left, name.data(), n) != 0) {
            return false;
        }
        if (name.size() == n) {
            return true;
        }
        const char c = name[n];
        return c == ' ' || c == '=' || c == '/' || c == '[';
    }

    std::string_view tokenText(const TokenCursor& t) const
    {
        return {m_text + t.left, static_cast<std::size_t>(t.length())};
    }

private:
    const char* m_text;
    int m_length;
    const std::uint8_t* m_classes;
    bool m_multibyte;
};

/// The first eight bytes of a name (zero beyond its end), compared before the bytes themselves.
inline std::uint64_t prefixKey(const char* p, int length)
{
    std::uint64_t key = 0;
    for (int i = 0; i < length && i < 8; ++i) {
        key |= std::uint64_t{static_cast<unsigned char>(p[i])} << (8 * i);
    }
    return key;
}

/// The bytes of a name of one to eight bytes as a key like prefixKey's, read without touching a byte
/// beyond it: two loads that overlap in the middle.
inline std::uint64_t shortNameKey(const char* p, std::size_t n)
{
    if constexpr (std::endian::native != std::endian::little) {
        return prefixKey(p, static_cast<int>(n));
    }
    if (n >= 4) {
        std::uint32_t head = 0;
        std::uint32_t tail = 0;
        std::memcpy(&head, p, 4);
        std::memcpy(&tail, p + n - 4, 4);
        return head | (std::uint64_t{tail} << (8 * (n - 4)));
    }
    if (n >= 2) {
        std::uint16_t head = 0;
        std::uint16_t tail = 0;
        std::memcpy(&head, p, 2);
        std::memcpy(&tail, p + n - 2, 2);
        return head | (std::uint64_t{tail} << (8 * (n - 2)));
    }
    return static_cast<unsigned char>(p[0]);
}

/// The same key of bytes of a text of end bytes, read with one load where eight bytes are there to read.
inline std::uint64_t textKey(const char* text, int end, int left, int length)
{
    if (std::endian::native != std::endian::little || left + 8 > end) {
        return prefixKey(text + left, length);
    }
    std::uint64_t key = 0;
    std::memcpy(&key, text + left, 8);
    if (length < 8) {
        key &= (std::uint64_t{1} << (8 * length)) - 1;
    }
    return key;
}

inline std::uint64_t textKey(const Scanner& s, int left, int length)
{
    return textKey(s.text(), s.length(), left, length);
}

} // namespace qar::markup
