// Cursor navigation and reading of values: everything that looks at the text without changing it.
#include "xml/CXMarkup.h"

#include "platform/Locale.h"
#include "xml/MarkupScanner.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace qar
{

using markup::Scanner;
using markup::TokenCursor;
using markup::untilNul;

namespace
{

// A start tag with more tokens than this is read straight from the text instead of being kept.
constexpr std::size_t kMaxCachedTokens = 256;

enum EncodeClass : std::uint8_t
{
    kEncodeElement = 1,   // written as an entity everywhere
    kEncodeAttribute = 2, // written as an entity in attribute values
    kEncodeLead = 4,      // opens a double-byte character
};

constexpr std::array<std::uint8_t, 256> makeEncodeTable(bool multibyte)
{
    std::array<std::uint8_t, 256> t{};
    t['<'] = t['&'] = t['>'] = kEncodeElement;
    t['\''] = t['"'] = kEncodeAttribute;
    if (multibyte) {
        for (int c = 0x81; c <= 0xFE; ++c) {
            t[static_cast<std::size_t>(c)] = kEncodeLead;
        }
    }
    return t;
}

constexpr auto kEncodeSingleByte = makeEncodeTable(false);
constexpr auto kEncodeDoubleByte = makeEncodeTable(true);

struct Entity
{
    std::string_view code; // the part after '&'
    char symbol;
};

constexpr Entity kEntities[] = {{"lt;", '<'}, {"amp;", '&'}, {"gt;", '>'}, {"apos;", '\''}, {"quot;", '"'}};

} // namespace

CXMarkup::CXMarkup()
{
    m_records.resize(8);
}

CXMarkup::~CXMarkup() = default;

Scanner CXMarkup::scanner() const
{
    return Scanner(m_doc.c_str(), static_cast<int>(m_doc.size()), IsLeadByte(0x81));
}

int CXMarkup::clampOffset(long long offset) const
{
    return static_cast<int>(std::clamp<long long>(offset, 0, static_cast<long long>(m_doc.size())));
}

bool CXMarkup::HasRootElement() const
{
    return !m_records.empty() && m_records[0].firstChild != 0;
}

bool CXMarkup::FindElement(std::string_view name)
{
    // One pass over the name: where it ends (its first NUL), and whether it is plain: ASCII word bytes
    // only, no '[' (which lets a name match a shorter tag name: "a[1]" finds <a>).
    bool plain = !name.empty();
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if (c == '\0') {
            name = name.substr(0, i);
            plain = i > 0;
            break;
        }
        plain &= markup::kPlainNameByte[static_cast<unsigned char>(c)] && c != '[';
    }
    int candidate = m_current ? m_records[static_cast<std::size_t>(m_current)].nextSibling
                              : m_records[static_cast<std::size_t>(m_parent)].firstChild;
    if (!name.empty()) {
        const Scanner s = scanner();
        // A plain name matches exactly when the tag name has the same bytes and a delimiter follows
        // them; only a tag opening with white space needs the general token scan. Names of up to
        // eight bytes are compared as one word where the text has eight bytes to read.
        const auto length = static_cast<int>(name.size());
        const bool word = plain && length <= 8 && std::endian::native == std::endian::little;
        const std::uint64_t key = word ? markup::prefixKey(name.data(), length) : 0;
        const std::uint64_t mask = length >= 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * length)) - 1;
        while (candidate) {
            const auto& r = m_records[static_cast<std::size_t>(candidate)];
            const int at = clampOffset(static_cast<long long>(r.startTagLeft) + 1);
            if (plain && at + length <= s.length() && !(s.classOf(at) & markup::kSpace)) {
                bool same = false;
                if (word && at + 8 <= s.length()) {
                    std::uint64_t bytes = 0;
                    std::memcpy(&bytes, s.text() + at, 8);
                    same = (bytes & mask) == key;
                } else {
                    same = std::memcmp(s.text() + at, name.data(), name.size()) == 0;
                }
                if (same && (s.classOf(at + length) & markup::kDelim)) {
                    break;
                }
            } else {
                TokenCursor token;
                token.next = at;
                if (s.nextToken(token) && s.matches(token, name)) {
                    break;
                }
            }
            candidate = r.nextSibling;
        }
    }
    if (!candidate) {
        return false;
    }
    m_current = candidate;
    m_parent = m_records[static_cast<std::size_t>(candidate)].parent;
    m_child = 0;
    return true;
}

bool CXMarkup::EnterElement()
{
    if (!m_current) {
        return false;
    }
    m_parent = m_current;
    m_current = m_child;
    m_child = 0;
    return true;
}

bool CXMarkup::LeaveElement()
{
    if (!m_parent) {
        return false;
    }
    m_child = m_current;
    m_current = m_parent;
    m_parent = m_records[static_cast<std::size_t>(m_current)].parent;
    return true;
}

std::string CXMarkup::GetText() const
{
    if (!m_current) {
        return {};
    }
    const auto& r = m_records[static_cast<std::size_t>(m_current)];
    if (r.firstChild || isEmptyElement(m_current)) {
        return {};
    }
    const Scanner s = scanner();
    const long long endLeft = r.endTagLeft;
    const int content = s.skipSpace(clampOffset(static_cast<long long>(r.startTagRight) + 1));
    if (s.at(content) == '<' && content + 11 < endLeft && std::strncmp(s.text() + content, "<![CDATA[", 9) == 0) {
        const int start = content + 9;
        const int end = s.findString(start, "]]>", clampOffset(endLeft));
        if (end >= 0) {
            return m_doc.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start));
        }
    }
    return decodeRange(s, clampOffset(static_cast<long long>(r.startTagRight) + 1),
                       static_cast<int>(std::min<long long>(endLeft - 1, static_cast<long long>(m_doc.size()) - 1)));
}

std::string CXMarkup::GetAttribute(std::string_view name) const
{
    if (!m_current) {
        return {};
    }
    const Scanner s = scanner();
    const AttributeHit hit = findAttribute(s, m_current, markup::probeName(name));
    return hit.found() ? decodeRange(s, hit.left, hit.right) : std::string();
}

std::string CXMarkup::decodeRange(const Scanner& s, int left, int right) const
{
    if (left > right) {
        return {};
    }
    const char* text = s.text();
    const auto length = static_cast<std::size_t>(right - left + 1);
    bool plain = false;
#ifdef __SSE2__
    if (length <= 16 && left + 16 <= s.length()) {
        // Most values are short: one look at sixteen bytes of the text for an '&' within the value.
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + left));
        const auto amps = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, _mm_set1_epi8('&'))));
        plain = (amps & ((1u << length) - 1)) == 0;
    } else
#endif
    {
        plain = std::memchr(text + left, '&', length) == nullptr;
    }
    if (plain) {
        return std::string(text + left, length);
    }
    std::string out;
    out.reserve(length);
    int i = left;
    while (i <= right) {
        if (text[i] != '&') {
            // Whole characters, but never past the end of the range.
            const int next = std::min(s.step(i), right + 1);
            out.append(text + i, static_cast<std::size_t>(next - i));
            i = next;
            continue;
        }
        bool decoded = false;
        for (const Entity& entity : kEntities) {
            const int codeLength = static_cast<int>(entity.code.size());
            if (i <= right - codeLength &&
                std::memcmp(text + i + 1, entity.code.data(), static_cast<std::size_t>(codeLength)) == 0) {
                out += entity.symbol;
                i += codeLength + 1;
                decoded = true;
                break;
            }
        }
        if (!decoded) {
            out += '&';
            ++i;
        }
    }
    return out;
}

std::string CXMarkup::DecodeText(std::string_view text)
{
    const std::string copy(untilNul(text));
    const Scanner s(copy.c_str(), static_cast<int>(copy.size()), IsLeadByte(0x81));
    CXMarkup none;
    return none.decodeRange(s, 0, static_cast<int>(copy.size()) - 1);
}

std::string CXMarkup::EncodeText(std::string_view text, bool attribute)
{
    std::string out;
    AppendEncoded(out, text, attribute);
    return out;
}

void CXMarkup::AppendEncoded(std::string& out, std::string_view text, bool attribute)
{
    appendEncoded(out, text, attribute, IsLeadByte(0x81));
}

void CXMarkup::appendEncoded(std::string& out, std::string_view text, bool attribute, bool multibyte)
{
    text = untilNul(text);
    if (text.size() < 16) {
        // Most values are short and plain: one look at each byte, one append.
        const auto& table = multibyte ? kEncodeDoubleByte : kEncodeSingleByte;
        const std::uint8_t mask =
            attribute ? (kEncodeElement | kEncodeAttribute | kEncodeLead) : (kEncodeElement | kEncodeLead);
        std::uint8_t any = 0;
        for (const char c : text) {
            any |= table[static_cast<unsigned char>(c)];
        }
        if (!(any & mask)) {
            out.append(text);
            return;
        }
    }
    const auto& table = multibyte ? kEncodeDoubleByte : kEncodeSingleByte;
    const std::uint8_t mask =
        attribute ? (kEncodeElement | kEncodeAttribute | kEncodeLead) : (kEncodeElement | kEncodeLead);
    const std::size_t n = text.size();
    std::size_t run = 0; // start of the bytes not yet copied
    std::size_t i = 0;
    for (;;) {
#ifdef __SSE2__
        // Sixteen bytes at a time while none of them needs attention.
        const __m128i lt = _mm_set1_epi8('<');
        const __m128i amp = _mm_set1_epi8('&');
        const __m128i gt = _mm_set1_epi8('>');
        const __m128i apos = _mm_set1_epi8(attribute ? '\'' : '<');
        const __m128i quot = _mm_set1_epi8(attribute ? '"' : '<');
        while (i + 16 <= n) {
            const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
            const __m128i special =
                _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(chunk, lt), _mm_cmpeq_epi8(chunk, amp)),
                             _mm_or_si128(_mm_cmpeq_epi8(chunk, gt),
                                          _mm_or_si128(_mm_cmpeq_epi8(chunk, apos), _mm_cmpeq_epi8(chunk, quot))));
            // Bytes of 0x80 and above may open a double-byte character: the byte loop decides.
            if (_mm_movemask_epi8(_mm_or_si128(special, multibyte ? chunk : _mm_setzero_si128())) != 0) {
                break;
            }
            i += 16;
        }
#endif
        while (i < n && !(table[static_cast<unsigned char>(text[i])] & mask)) {
            ++i;
        }
        if (i >= n) {
            break;
        }
        const char c = text[i];
        if (table[static_cast<unsigned char>(c)] & kEncodeLead) {
            // A double-byte character is copied whole, whatever its trail byte is.
            i += i + 1 < n ? 2 : 1;
            continue;
        }
        out.append(text.data() + run, i - run);
        switch (c) {
        case '<':
            out += "&lt;";
            break;
        case '&':
            out += "&amp;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '\'':
            out += "&apos;";
            break;
        default:
            out += "&quot;";
            break;
        }
        run = ++i;
    }
    out.append(text.data() + run, n - run);
}

// Reads the tokens of a start tag from token (the count-th token of the tag) up to the first unquoted
// '>', '/' or '?' and appends its attribute names to out, each with the quoted token two places behind
// it when there is one; stop is the offset of that ending token, -1 when the text ends first. False
// when the tag is not worth keeping (too many tokens, a name too long) or a token reaches beyond
// limit + 1: the entries appended are then meaningless.
bool CXMarkup::indexTokens(const Scanner& s, TokenCursor token, std::size_t count, int limit,
                           std::vector<TagEntry>& out, int& stop)
{
    const std::size_t base = out.size();
    stop = -1;
    std::uint64_t seen = 0;       // a one-word filter of the names so far: most names are new
    std::size_t back1 = SIZE_MAX; // the entry made from the token one place back, if any
    std::size_t back2 = SIZE_MAX; // two places back
    for (; s.nextToken(token); ++count) {
        if (token.next > limit + 1) {
            return false;
        }
        std::size_t entry = SIZE_MAX;
        const char c = s.at(token.left);
        if (!token.quoted && (c == '>' || c == '/' || c == '?')) {
            stop = token.left;
            return true;
        }
        if (count >= kMaxCachedTokens) {
            return false;
        }
        if (token.quoted) {
            if (back2 != SIZE_MAX) {
                TagEntry& e = out[back2];
                e.hasValue = true;
                e.valueLeft = token.left;
                e.valueRight = token.right;
            }
        } else if (c != '=' && count > 0) {
            const int length = token.right - token.left + 1;
            if (length > UINT16_MAX) {
                return false;
            }
            const std::uint64_t key = markup::textKey(s, token.left, length);
            const std::uint64_t bit = std::uint64_t{1}
                                      << (((key ^ static_cast<std::uint64_t>(length)) * 0x9E3779B97F4A7C15u) >> 58);
            bool shadowed = false;
            if (seen & bit) {
                for (std::size_t k = base; k < out.size() && !shadowed; ++k) {
                    const TagEntry& e = out[k];
                    shadowed =
                        e.length == length && e.key == key &&
                        std::memcmp(s.text() + e.left, s.text() + token.left, static_cast<std::size_t>(length)) == 0;
                }
            }
            seen |= bit;
            entry = out.size();
            TagEntry& added = out.emplace_back();
            added.key = key;
            added.left = token.left;
            added.valueLeft = 0;
            added.valueRight = -1;
            added.length = static_cast<std::uint16_t>(length);
            added.hasValue = false;
            added.shadowed = shadowed;
            // The layout the writers produce, NAME="value", gives the '=' and the quoted value at once:
            // the same tokens the general scan would read, one after the other.
            const int eq = token.next;
            const char quote = s.at(eq) == '=' ? s.at(eq + 1) : '\0';
            if ((quote == '"' || quote == '\'') && count + 2 < kMaxCachedTokens) {
                const int close = s.findChar(eq + 2, quote);
                token.next = close < s.length() ? close + 1 : close;
                if (token.next > limit + 1) {
                    return false;
                }
                TagEntry& e = out.back();
                e.hasValue = true;
                e.valueLeft = eq + 2;
                e.valueRight = close - 1;
                count += 2;
                back2 = back1 = SIZE_MAX;
                continue;
            }
        }
        back2 = back1;
        back1 = entry;
    }
    return true;
}

// The layout the writers produce and nearly every file holds: each attribute as a space, NAME, '=' and
// a double- or single-quoted value without '>', single-byte text, the tag closed by '>' or "/>". Read in
// one pass that also finds the tag's '>' (gt), since no value holds one. Any other layout gives false
// (with out as it was) and goes the general way.
bool CXMarkup::indexPlainTag(const Scanner& s, int from, std::vector<TagEntry>& out, int& stop, int& gt)
{
    if (s.multibyte()) {
        return false;
    }
    const std::size_t base = out.size();
    const char* text = s.text();
    const int end = s.length();
    const std::uint8_t* classes = markup::kSingleByteClasses.data();
    auto classAt = [&](int i) { return classes[static_cast<unsigned char>(text[i])]; };
    std::uint64_t seen = 0;
    int i = from;
    // Three tokens per attribute; the general reading gives up on tags of kMaxCachedTokens tokens.
    for (std::size_t attributes = 0; attributes < kMaxCachedTokens / 4; ++attributes) {
        while (classAt(i) & markup::kSpace) {
            ++i;
        }
        const char c = text[i];
        if (c == '>' || (c == '/' && text[i + 1] == '>')) {
            stop = i;
            gt = c == '>' ? i : i + 1;
            return true;
        }
        const int left = i;
        while (!(classAt(i) & markup::kDelim)) {
            ++i;
        }
        const int length = i - left;
        if (length == 0 || length > UINT16_MAX || c == '"' || c == '\'' || text[i] != '=') {
            break;
        }
        const char quote = text[i + 1];
        if (quote != '"' && quote != '\'') {
            break;
        }
        const int valueLeft = i + 2;
        int close = valueLeft;
#ifdef __SSE2__
        // Values are short: one look at sixteen bytes for the quote, and for a '>' before it.
        const __m128i quotes = _mm_set1_epi8(quote);
        const __m128i gts = _mm_set1_epi8('>');
        while (close + 16 <= end) {
            const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + close));
            const auto q = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, quotes)));
            const auto g = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, gts)));
            if (q) {
                const unsigned before = (q & (0u - q)) - 1; // the bytes in front of the first quote
                if (g & before) {
                    close = end;
                } else {
                    close += __builtin_ctz(q);
                }
                break;
            }
            if (g) {
                close = end;
                break;
            }
            close += 16;
        }
#endif
        while (close < end && text[close] != quote && text[close] != '>') {
            ++close;
        }
        if (close >= end || text[close] != quote) {
            break;
        }
        const std::uint64_t key = markup::textKey(s, left, length);
        const std::uint64_t bit = std::uint64_t{1}
                                  << (((key ^ static_cast<std::uint64_t>(length)) * 0x9E3779B97F4A7C15u) >> 58);
        bool shadowed = false;
        if (seen & bit) {
            for (std::size_t k = base; k < out.size() && !shadowed; ++k) {
                const TagEntry& e = out[k];
                shadowed = e.length == length && e.key == key &&
                           std::memcmp(text + e.left, text + left, static_cast<std::size_t>(length)) == 0;
            }
        }
        seen |= bit;
        TagEntry& e = out.emplace_back();
        e.key = key;
        e.left = left;
        e.valueLeft = valueLeft;
        e.valueRight = close - 1;
        e.length = static_cast<std::uint16_t>(length);
        e.hasValue = true;
        e.shadowed = shadowed;
        i = close + 1;
    }
    out.resize(base);
    return false;
}

void CXMarkup::indexStartTag(const Scanner& s, int pos) const
{
    m_tagEntries.clear();
    m_tagOwner = pos;
    m_tagVersion = m_version;
    m_tagMultibyte = s.multibyte();
    TokenCursor token;
    token.next = clampOffset(static_cast<long long>(m_records[static_cast<std::size_t>(pos)].startTagLeft) + 1);
    // The tag name is token 0; behind a name that is a run of name bytes, the writers' layout is read
    // in one pass.
    TokenCursor name = token;
    int gt = 0;
    if (s.nextToken(name) && !name.quoted && !(s.classOf(name.left) & markup::kDelim) &&
        indexPlainTag(s, name.next, m_tagEntries, m_tagStop, gt)) {
        m_tagOverflow = false;
        return;
    }
    m_tagOverflow = !indexTokens(s, token, 0, s.length(), m_tagEntries, m_tagStop);
}

// The lookup as it reads in the tag: walk the tokens, the tag name being token 0; the first unquoted
// token other than '=' that matches the name is the attribute name, and only a quoted token two places
// behind it is its value, so an unquoted value is never found. An empty name stops at the first
// attribute name. Used for tags too long to be indexed.
CXMarkup::AttributeHit CXMarkup::scanAttribute(const Scanner& s, int pos, std::string_view name) const
{
    TokenCursor token;
    token.next = clampOffset(static_cast<long long>(m_records[static_cast<std::size_t>(pos)].startTagLeft) + 1);
    int nameCount = 0;
    for (int count = 0; s.nextToken(token); ++count) {
        if (token.quoted) {
            if (nameCount && count == nameCount + 2) {
                return {token.left, token.right};
            }
            continue;
        }
        const char c = s.at(token.left);
        if (c == '>' || c == '/' || c == '?') {
            break;
        }
        if (c == '=' || nameCount || !count) {
            continue;
        }
        if (name.empty()) {
            return {token.left, token.right};
        }
        if (s.matches(token, name)) {
            nameCount = count;
        }
    }
    return {};
}

CXMarkup::AttributeHit CXMarkup::findAttribute(const Scanner& s, int pos, const markup::NameProbe& name) const
{
    if (m_tagOwner != pos || m_tagVersion != m_version || m_tagMultibyte != s.multibyte()) {
        indexStartTag(s, pos);
    }
    if (m_tagOverflow) {
        return scanAttribute(s, pos, name.name);
    }
    return lookupEntries(s, pos, m_tagEntries.data(), m_tagEntries.size(), name);
}

CXMarkup::AttributeHit CXMarkup::lookupEntries(const Scanner& s, int pos, const TagEntry* entries, std::size_t n,
                                               const markup::NameProbe& probe) const
{
    const std::string_view name = probe.name;
    if (name.empty()) {
        return n ? AttributeHit{entries[0].left, entries[0].left + entries[0].length - 1} : AttributeHit{};
    }
    auto valueOf = [](const TagEntry& e) {
        return e.hasValue ? AttributeHit{e.valueLeft, e.valueRight} : AttributeHit{};
    };
    const auto length = static_cast<int>(name.size());
    const std::uint64_t key = probe.key;
    if (probe.special) {
        // "ID X" also matches a name ID: the first matching name in tag order decides.
        for (std::size_t j = 0; j < n; ++j) {
            TokenCursor t;
            t.left = entries[j].left;
            t.right = entries[j].left + entries[j].length - 1;
            if (s.matches(t, name)) {
                return valueOf(entries[j]);
            }
        }
        return {};
    }
    // Otherwise only the same bytes match, and of equal names only the first one (not shadowed) counts,
    // so the search may begin anywhere: behind the previous hit, where a reader asks next.
    if (m_hintOwner != pos) {
        m_hintOwner = pos;
        m_tagHint = 0;
    }
    std::size_t j = m_tagHint < n ? m_tagHint : 0;
    for (std::size_t step = 0; step < n; ++step) {
        const TagEntry& e = entries[j];
        if (e.length == length && e.key == key && !e.shadowed &&
            (length <= 8 || std::memcmp(s.text() + e.left, name.data(), name.size()) == 0)) {
            m_tagHint = j + 1 < n ? j + 1 : 0;
            m_tagNameKnown = true;
            return valueOf(e);
        }
        j = j + 1 < n ? j + 1 : 0;
    }
    m_tagNameKnown = false;
    return {};
}

} // namespace qar
