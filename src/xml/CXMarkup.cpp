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
    m_records.reserve(8);
    m_records.emplace_back();
}

CXMarkup::~CXMarkup() = default;

Scanner CXMarkup::scanner() const
{
    return Scanner(m_doc.c_str(), static_cast<int>(m_doc.size()), IsDoubleByteCodePage());
}

bool CXMarkup::HasRootElement() const
{
    return !m_records.empty() && m_records[0].firstChild != 0;
}

bool CXMarkup::FindElement(std::string_view name)
{
    int candidate = m_current ? m_records[static_cast<std::size_t>(m_current)].nextSibling
                              : m_records[static_cast<std::size_t>(m_parent)].firstChild;
    if (!name.empty() && candidate) {
        const Scanner s = scanner();
        // A name of ASCII name bytes (no '[', which lets "a[1]" find <a>) matches exactly when the tag
        // name has the same bytes and a delimiter follows them; only a tag opening with white space
        // needs the general token scan. Names of up to eight bytes are compared as one word.
        const std::size_t n = name.size();
        std::uint64_t key = 0;
        bool plain = false;
        if (n <= 8) {
            key = markup::shortNameKey(name.data(), n);
            plain = !(shortNameClasses(name, key) & kNotPlainName);
        }
        bool found = false;
        if (plain && std::endian::native == std::endian::little) {
            const std::uint64_t mask = n == 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * n)) - 1;
            const char* text = s.text();
            const int last = s.length() - 8; // a word can be read from offsets up to here
            while (candidate) {
                const auto& r = m_records[static_cast<std::size_t>(candidate)];
                const int at = r.startTagLeft + 1;
                if (at < 1 || at > last || (s.classOf(at) & markup::kSpace)) {
                    break; // the general way below
                }
                std::uint64_t word = 0;
                std::memcpy(&word, text + at, 8);
                if ((word & mask) == key && (s.classOf(at + static_cast<int>(n)) & markup::kDelim)) {
                    found = true;
                    // The tag name is read: readers asking for the attributes next start behind it.
                    resetTagIndex(candidate, s.multibyte(), TagMode::InOrder, at + static_cast<int>(n), -1);
                    break;
                }
                candidate = r.nextSibling;
            }
        }
        if (!found) {
            candidate = findGeneral(s, candidate, name);
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

void CXMarkup::resetTagIndex(int pos, bool multibyte, TagMode mode, int scan, int stop) const
{
    m_tagEntries.clear();
    m_tagOwner = pos;
    m_tagVersion = m_version;
    m_tagMultibyte = multibyte;
    m_tagOverflow = false;
    m_tagSeen = {};
    m_tagMode = mode;
    m_tagScan = scan;
    m_tagStop = stop;
    m_tagAtEnd = false;
}

std::uint8_t CXMarkup::classifyShortName(std::string_view name, std::uint64_t key) const
{
    // Into the free slot of the pair, else over the second one, so that the first name stays.
    const std::size_t pair = memoPair(key, name.size());
    NameMemo& memo = m_names[pair].length == 0 ? m_names[pair] : m_names[pair + 1];
    std::uint8_t classes = 0;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        classes |= markup::kProbeClass[byte];
        if (!markup::kPlainNameByte[byte] || byte == '[') {
            classes |= kNotPlainName;
        }
    }
    if (name[0] == '"' || name[0] == '\'') {
        classes |= kLeadingQuote;
    }
    memo = {key, static_cast<std::uint32_t>(name.size()), classes};
    return classes;
}

// From candidate on, the first sibling whose tag name matches name as the tag reads it.
int CXMarkup::findGeneral(const Scanner& s, int candidate, std::string_view name) const
{
    name = untilNul(name);
    if (name.empty()) {
        return candidate;
    }
    while (candidate) {
        const auto& r = m_records[static_cast<std::size_t>(candidate)];
        TokenCursor token;
        token.next = clampOffset(static_cast<long long>(r.startTagLeft) + 1);
        if (s.nextToken(token) && s.matches(token, name)) {
            return candidate;
        }
        candidate = r.nextSibling;
    }
    return 0;
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
    std::string value;
    GetAttribute(name, value);
    return value;
}

void CXMarkup::GetAttribute(std::string_view name, std::string& value) const
{
    bool encoded = false;
    const AttributeHit hit = locateAttribute(name, encoded);
    if (encoded) {
        decodeRange(scanner(), hit.left, hit.right, value);
    } else if (hit.found()) {
        value.assign(m_doc.data() + hit.left, static_cast<std::size_t>(hit.right - hit.left + 1));
    } else {
        value.clear();
    }
}

std::string_view CXMarkup::attributeBytes(std::string_view name) const
{
    bool encoded = false;
    const AttributeHit hit = locateAttribute(name, encoded);
    return hit.left > hit.right ? std::string_view()
                                : std::string_view(m_doc).substr(static_cast<std::size_t>(hit.left),
                                                                 static_cast<std::size_t>(hit.right - hit.left + 1));
}

// Where the value of the current element's attribute lies; encoded when its bytes may hold an entity.
CXMarkup::AttributeHit CXMarkup::locateAttribute(std::string_view name, bool& encoded) const
{
    // An empty name is no attribute's name: it must not answer with whatever attribute comes first.
    if (!m_current || untilNul(name).empty()) {
        return {};
    }
    AttributeHit hit;
    switch (readInOrder(name, IsDoubleByteCodePage(), hit)) {
    case InOrder::Plain:
        return hit;
    case InOrder::Encoded:
        encoded = true;
        return hit;
    case InOrder::No:
        break;
    }
    hit = findAttribute(scanner(), m_current, markup::probeName(name));
    encoded = hit.found();
    return hit;
}

// Readers ask for a record's attributes in the order of its tag, and the tag is in the writers' layout:
// then each name asked for is the next one in the tag, and nothing needs to be kept but where the next
// name begins and which names have gone by (no earlier name may be the same: the first one counts).
// No when the lookup must go the general way; otherwise the value's bytes are in hit, and whether they
// hold an entity to decode.
CXMarkup::InOrder CXMarkup::readInOrder(std::string_view name, bool multibyte, AttributeHit& hit) const
{
    // A name of one to eight bytes that the tag would read as one whole token, with no byte that
    // lets it match a shorter one; where the code page has lead bytes, ASCII only, so that the name
    // cannot be the tail of a character.
    const std::size_t n = name.size();
    if (n - 1 >= 8) {
        return InOrder::No;
    }
    const std::uint64_t key = markup::shortNameKey(name.data(), n);
    if (shortNameClasses(name, key) & (multibyte ? 0xFF : ~kNotPlainName)) {
        return InOrder::No;
    }
    const char* text = m_doc.c_str();
    const auto end = static_cast<int>(m_doc.size());
    const Scanner s(text, end, multibyte);
    if (m_tagOwner != m_current || m_tagVersion != m_version || m_tagMultibyte != multibyte) {
        // The tag name first, as a run of name characters right behind the '<'.
        int i = clampOffset(static_cast<long long>(m_records[static_cast<std::size_t>(m_current)].startTagLeft) + 1);
        const int nameLeft = i;
        while (!(s.classOf(i) & markup::kDelim)) {
            i = multibyte ? s.step(i) : i + 1;
        }
        if (i == nameLeft || text[nameLeft] == '"' || text[nameLeft] == '\'') {
            return InOrder::No;
        }
        resetTagIndex(m_current, multibyte, TagMode::InOrder, i, -1);
    } else if (m_tagMode != TagMode::InOrder) {
        return InOrder::No; // this tag is already read the general way
    }
    const auto length = static_cast<int>(n);
    if (m_tagSeen.mayHold(key, length)) {
        return InOrder::No;
    }
    // m_tagScan stands on a character boundary: white space, the ASCII name, '=' and the quote are
    // whole characters, and the value is scanned character by character where there are lead bytes.
    const int i = s.skipSpace(m_tagScan);
    if (end - i <= length + 1 || text[i + length] != '=') {
        return InOrder::No;
    }
    const char quote = text[i + length + 1];
    if ((quote != '"' && quote != '\'') || markup::textKey(text, end, i, length) != key) {
        return InOrder::No;
    }
    const int left = i + length + 2;
    const int close = multibyte ? s.findChar(left, quote) : markup::findByte(text, end, left, quote);
    if (close >= end) {
        return InOrder::No;
    }
    m_tagScan = close + 1;
    m_tagSeen.add(key, length);
    const auto size = static_cast<std::size_t>(close - left);
    bool plain = false;
#ifdef __SSE2__
    if (size <= 16 && left + 16 <= end) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + left));
        const auto amps = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, _mm_set1_epi8('&'))));
        plain = (amps & ((1u << size) - 1)) == 0;
    } else
#endif
    {
        plain = std::memchr(text + left, '&', size) == nullptr;
    }
    hit = {left, close - 1};
    return plain ? InOrder::Plain : InOrder::Encoded;
}

std::string CXMarkup::decodeRange(const Scanner& s, int left, int right) const
{
    std::string out;
    decodeRange(s, left, right, out);
    return out;
}

void CXMarkup::decodeRange(const Scanner& s, int left, int right, std::string& out) const
{
    out.clear();
    if (left > right) {
        return;
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
        out.assign(text + left, length);
        return;
    }
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
}

std::string CXMarkup::DecodeText(std::string_view text)
{
    const std::string copy(untilNul(text));
    const Scanner s(copy.c_str(), static_cast<int>(copy.size()), IsDoubleByteCodePage());
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
    appendEncoded(out, text, attribute, IsDoubleByteCodePage());
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
                           std::vector<TagEntry>& out, int& stop, markup::NameFilter& seen)
{
    const std::size_t base = out.size();
    stop = -1;
    seen = {};
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
            bool shadowed = false;
            if (seen.mayHold(key, length)) {
                for (std::size_t k = base; k < out.size() && !shadowed; ++k) {
                    const TagEntry& e = out[k];
                    shadowed =
                        e.length == length && e.key == key &&
                        std::memcmp(s.text() + e.left, s.text() + token.left, static_cast<std::size_t>(length)) == 0;
                }
            }
            seen.add(key, length);
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

// The layout the writers produce and nearly every file holds: each attribute as white space, NAME, '='
// and a double- or single-quoted value, in single-byte text; the tag closed by '>' or "/>". Reads the
// attribute at i: 1 with its place in a, 0 at the end of the tag (a.left is the '>' or '/'), -1 for any
// other layout, which is left to the general reading.
int CXMarkup::readPlainAttribute(const char* text, int end, int i, PlainAttribute& a)
{
    const std::uint8_t* classes = markup::kSingleByteClasses.data();
    auto classAt = [&](int k) { return classes[static_cast<unsigned char>(text[k])]; };
    while (classAt(i) & markup::kSpace) {
        ++i;
    }
    const char c = text[i];
    if (c == '>' || (c == '/' && text[i + 1] == '>')) {
        a.left = i;
        return 0;
    }
    const int left = i;
    while (!(classAt(i) & markup::kDelim)) {
        ++i;
    }
    const int length = i - left;
    if (length == 0 || length > UINT16_MAX || c == '"' || c == '\'' || text[i] != '=') {
        return -1;
    }
    const char quote = text[i + 1];
    if (quote != '"' && quote != '\'') {
        return -1;
    }
    const int close = markup::findByte(text, end, i + 2, quote);
    if (close >= end) {
        return -1;
    }
    a = {left, length, i + 2, close};
    return 1;
}

void CXMarkup::beginTagIndex(const Scanner& s, int pos) const
{
    resetTagIndex(pos, s.multibyte(), TagMode::Indexed, -1, -1);
    TokenCursor token;
    token.next = clampOffset(static_cast<long long>(m_records[static_cast<std::size_t>(pos)].startTagLeft) + 1);
    // The tag name is token 0; behind a name that is a run of name bytes the writers' layout is read
    // as far as the lookups need, which for readers asking in the tag's order is one attribute each.
    TokenCursor name = token;
    if (!s.multibyte() && s.nextToken(name) && !name.quoted && !(s.classOf(name.left) & markup::kDelim)) {
        m_tagScan = name.next;
        return;
    }
    m_tagOverflow = !indexTokens(s, token, 0, s.length(), m_tagEntries, m_tagStop, m_tagSeen);
}

// Reads the names of the start tag not read yet, up to the one named until if that is given: a name known
// to be none of those read so far. Its index in the entries, or SIZE_MAX with every name read.
std::size_t CXMarkup::extendTagIndex(const Scanner& s, const markup::NameProbe* until) const
{
    const char* text = s.text();
    const int end = s.length();
    while (m_tagScan >= 0) {
        PlainAttribute a{};
        const int kind = m_tagEntries.size() < kMaxCachedTokens / 4 ? readPlainAttribute(text, end, m_tagScan, a) : -1;
        if (kind == 0) {
            m_tagStop = a.left;
            m_tagScan = -1;
            break;
        }
        if (kind < 0) {
            // Another layout: the whole tag the general way.
            m_tagEntries.clear();
            m_tagScan = -1;
            TokenCursor token;
            token.next =
                clampOffset(static_cast<long long>(m_records[static_cast<std::size_t>(m_tagOwner)].startTagLeft) + 1);
            m_tagOverflow = !indexTokens(s, token, 0, end, m_tagEntries, m_tagStop, m_tagSeen);
            break;
        }
        m_tagScan = a.close + 1;
        const std::uint64_t key = markup::textKey(s, a.left, a.length);
        bool shadowed = false;
        if (m_tagSeen.mayHold(key, a.length)) {
            for (const TagEntry& e : m_tagEntries) {
                if (e.length == a.length && e.key == key &&
                    std::memcmp(text + e.left, text + a.left, static_cast<std::size_t>(a.length)) == 0) {
                    shadowed = true;
                    break;
                }
            }
        }
        m_tagSeen.add(key, a.length);
        TagEntry& e = m_tagEntries.emplace_back();
        e.key = key;
        e.left = a.left;
        e.valueLeft = a.valueLeft;
        e.valueRight = a.close - 1;
        e.length = static_cast<std::uint16_t>(a.length);
        e.hasValue = true;
        e.shadowed = shadowed;
        if (until && !shadowed && e.key == until->key && e.length == until->name.size() &&
            (e.length <= 8 || std::memcmp(text + e.left, until->name.data(), until->name.size()) == 0)) {
            return m_tagEntries.size() - 1;
        }
    }
    return SIZE_MAX;
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
        if (s.matches(token, name)) {
            nameCount = count;
        }
    }
    return {};
}

CXMarkup::AttributeHit CXMarkup::findAttribute(const Scanner& s, int pos, const markup::NameProbe& name) const
{
    if (m_tagOwner != pos || m_tagVersion != m_version || m_tagMultibyte != s.multibyte() ||
        m_tagMode != TagMode::Indexed) {
        beginTagIndex(s, pos);
    }
    if (m_tagScan >= 0) {
        if (name.special) {
            extendTagIndex(s, nullptr);
        } else if (!m_tagSeen.mayHold(name.key, static_cast<int>(name.name.size()))) {
            // Not among the names read so far: read on to it.
            const std::size_t j = extendTagIndex(s, &name);
            if (j != SIZE_MAX) {
                const TagEntry& e = m_tagEntries[j];
                m_hintOwner = pos;
                m_tagHint = j + 1;
                m_tagNameKnown = true;
                return {e.valueLeft, e.valueRight};
            }
        } else {
            const AttributeHit hit = lookupEntries(s, pos, m_tagEntries.data(), m_tagEntries.size(), name);
            if (hit.found() || m_tagNameKnown) {
                return hit;
            }
            extendTagIndex(s, nullptr);
        }
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
    if (!m_tagSeen.mayHold(key, length)) {
        m_tagNameKnown = false;
        return {};
    }
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
