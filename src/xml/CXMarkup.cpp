// Cursor navigation and reading of values: everything that looks at the text without changing it.
#include "xml/CXMarkup.h"

#include "platform/Locale.h"
#include "xml/MarkupScanner.h"

#include <algorithm>
#include <array>
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
    name = untilNul(name);
    int candidate = m_current ? m_records[static_cast<std::size_t>(m_current)].nextSibling
                              : m_records[static_cast<std::size_t>(m_parent)].firstChild;
    if (!name.empty()) {
        const Scanner s = scanner();
        // A name of plain ASCII word bytes matches exactly when the tag name has the same bytes and a
        // delimiter follows them; only a tag opening with white space needs the general token scan. A
        // '[' in the name lets it match a shorter tag name ("a[1]" finds <a>), so it goes the long way.
        const bool plain = markup::isPlainName(name) && name.find('[') == std::string_view::npos;
        const auto length = static_cast<int>(name.size());
        while (candidate) {
            const auto& r = m_records[static_cast<std::size_t>(candidate)];
            const int at = clampOffset(static_cast<long long>(r.startTagLeft) + 1);
            if (plain && at + length <= s.length() && !(s.classOf(at) & markup::kSpace)) {
                if (std::memcmp(s.text() + at, name.data(), name.size()) == 0 &&
                    (s.classOf(at + length) & markup::kDelim)) {
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
    const AttributeHit hit = findAttribute(s, m_current, untilNul(name));
    return hit.found() ? decodeRange(s, hit.left, hit.right) : std::string();
}

std::string CXMarkup::decodeRange(const Scanner& s, int left, int right) const
{
    if (left > right) {
        return {};
    }
    const char* text = s.text();
    const auto length = static_cast<std::size_t>(right - left + 1);
    const bool plain = length <= 32 ? std::find(text + left, text + right + 1, '&') == text + right + 1
                                    : std::memchr(text + left, '&', length) == nullptr;
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

bool CXMarkup::isShadowed(const Scanner& s, int left, int length, std::uint64_t key) const
{
    for (const TagEntry& e : m_tagEntries) {
        if (e.length == length && e.key == key &&
            std::memcmp(s.text() + e.left, s.text() + left, static_cast<std::size_t>(length)) == 0) {
            return true;
        }
    }
    return false;
}

// Reads the tokens of the start tag up to the first unquoted '>', '/' or '?' and keeps its attribute
// names, each with the quoted token two places behind it when there is one.
void CXMarkup::indexStartTag(const Scanner& s, int pos) const
{
    m_tagEntries.clear();
    m_tagOwner = pos;
    m_tagVersion = m_version;
    m_tagMultibyte = s.multibyte();
    m_tagOverflow = false;
    m_tagStop = -1;
    m_tagHint = 0;
    TokenCursor token;
    token.next = clampOffset(static_cast<long long>(m_records[static_cast<std::size_t>(pos)].startTagLeft) + 1);
    std::uint64_t seen = 0; // a one-word filter of the names so far: most names are new
    int entryBack1 = -1;    // the entry made from the token one place back, if any
    int entryBack2 = -1;    // two places back
    for (std::size_t count = 0; s.nextToken(token); ++count) {
        int entry = -1;
        const char c = s.at(token.left);
        if (!token.quoted && (c == '>' || c == '/' || c == '?')) {
            m_tagStop = token.left;
            break;
        }
        if (count >= kMaxCachedTokens) {
            m_tagOverflow = true;
            return;
        }
        if (token.quoted) {
            if (entryBack2 >= 0) {
                TagEntry& e = m_tagEntries[static_cast<std::size_t>(entryBack2)];
                e.hasValue = true;
                e.valueLeft = token.left;
                e.valueRight = token.right;
            }
        } else if (c != '=' && count > 0) {
            const int length = token.right - token.left + 1;
            const std::uint64_t key = markup::textKey(s, token.left, length);
            const std::uint64_t bit = std::uint64_t{1}
                                      << (((key ^ static_cast<std::uint64_t>(length)) * 0x9E3779B97F4A7C15u) >> 58);
            const bool shadowed = (seen & bit) && isShadowed(s, token.left, length, key);
            seen |= bit;
            entry = static_cast<int>(m_tagEntries.size());
            TagEntry& added = m_tagEntries.emplace_back();
            added.left = token.left;
            added.length = length;
            added.key = key;
            added.valueLeft = 0;
            added.valueRight = -1;
            added.hasValue = false;
            added.shadowed = shadowed;
            // The layout the writers produce, NAME="value", gives the '=' and the quoted value at once:
            // the same tokens the general scan would read, one after the other.
            const int eq = token.next;
            const char quote = s.at(eq) == '=' ? s.at(eq + 1) : '\0';
            if ((quote == '"' || quote == '\'') && count + 2 < kMaxCachedTokens) {
                const int close = s.findChar(eq + 2, quote);
                TagEntry& e = m_tagEntries.back();
                e.hasValue = true;
                e.valueLeft = eq + 2;
                e.valueRight = close - 1;
                token.next = close < s.length() ? close + 1 : close;
                count += 2;
                entryBack2 = entryBack1 = -1;
                continue;
            }
        }
        entryBack2 = entryBack1;
        entryBack1 = entry;
    }
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

CXMarkup::AttributeHit CXMarkup::findAttribute(const Scanner& s, int pos, std::string_view name) const
{
    if (m_tagOwner != pos || m_tagVersion != m_version || m_tagMultibyte != s.multibyte()) {
        indexStartTag(s, pos);
    }
    if (m_tagOverflow) {
        return scanAttribute(s, pos, name);
    }
    const std::size_t n = m_tagEntries.size();
    if (name.empty()) {
        return n ? AttributeHit{m_tagEntries[0].left, m_tagEntries[0].left + m_tagEntries[0].length - 1}
                 : AttributeHit{};
    }
    auto valueOf = [](const TagEntry& e) {
        return e.hasValue ? AttributeHit{e.valueLeft, e.valueRight} : AttributeHit{};
    };
    const auto length = static_cast<int>(name.size());
    std::uint64_t key = 0;
    bool special = false;
    for (int i = 0; i < length; ++i) {
        const char c = name[static_cast<std::size_t>(i)];
        special |= c == ' ' || c == '=' || c == '/' || c == '[';
        if (i < 8) {
            key |= std::uint64_t{static_cast<unsigned char>(c)} << (8 * i);
        }
    }
    if (special) {
        // "ID X" also matches a name ID: the first matching name in tag order decides.
        for (const TagEntry& e : m_tagEntries) {
            TokenCursor t;
            t.left = e.left;
            t.right = e.left + e.length - 1;
            if (s.matches(t, name)) {
                return valueOf(e);
            }
        }
        return {};
    }
    // Otherwise only the same bytes match, and of equal names only the first one (not shadowed) counts,
    // so the search may begin anywhere: behind the previous hit, where a reader asks next.
    for (std::size_t step = 0; step < n; ++step) {
        std::size_t j = m_tagHint + step;
        if (j >= n) {
            j -= n;
        }
        const TagEntry& e = m_tagEntries[j];
        if (e.length == length && e.key == key && !e.shadowed &&
            (length <= 8 || std::memcmp(s.text() + e.left, name.data(), name.size()) == 0)) {
            m_tagHint = j + 1 < n ? j + 1 : 0;
            m_tagNameKnown = true;
            return valueOf(e);
        }
    }
    m_tagNameKnown = false;
    return {};
}

} // namespace qar
