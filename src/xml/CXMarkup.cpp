// Cursor navigation and reading of values: everything that looks at the text without changing it.
#include "xml/CXMarkup.h"

#include "platform/Locale.h"
#include "xml/MarkupScanner.h"

#include <algorithm>
#include <cstring>

namespace qar
{

using markup::Scanner;
using markup::TokenCursor;

namespace
{

// A start tag with more tokens than this is read straight from the text instead of being kept.
constexpr std::size_t kMaxCachedTokens = 256;

std::string_view untilNul(std::string_view s)
{
    const auto nul = s.find('\0');
    return nul == std::string_view::npos ? s : s.substr(0, nul);
}

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

bool CXMarkup::isEmptyElement(int pos) const
{
    const auto& r = m_records[static_cast<std::size_t>(pos)];
    return static_cast<long long>(r.startTagRight) == static_cast<long long>(r.endTagLeft) + 1;
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
        while (candidate) {
            const auto& r = m_records[static_cast<std::size_t>(candidate)];
            TokenCursor token;
            token.next = clampOffset(static_cast<long long>(r.startTagLeft) + 1);
            if (s.nextToken(token) && s.matches(token, name)) {
                break;
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
    return hit.found ? decodeRange(s, hit.left, hit.right) : std::string();
}

std::string CXMarkup::decodeRange(const Scanner& s, int left, int right) const
{
    if (left > right) {
        return {};
    }
    const char* text = s.text();
    const auto length = static_cast<std::size_t>(right - left + 1);
    if (!std::memchr(text + left, '&', length)) {
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
    text = untilNul(text);
    const bool multibyte = IsLeadByte(0x81);
    std::string out;
    out.reserve(text.size() + 8);
    std::size_t run = 0; // start of the bytes not yet copied
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const char* entity = nullptr;
        switch (c) {
        case '<':
            entity = "&lt;";
            break;
        case '&':
            entity = "&amp;";
            break;
        case '>':
            entity = "&gt;";
            break;
        case '\'':
            entity = attribute ? "&apos;" : nullptr;
            break;
        case '"':
            entity = attribute ? "&quot;" : nullptr;
            break;
        default:
            // A double-byte character is copied whole, whatever its trail byte is.
            if (multibyte && static_cast<unsigned char>(c) >= 0x81 && static_cast<unsigned char>(c) <= 0xFE &&
                i + 1 < text.size()) {
                ++i;
            }
            break;
        }
        if (entity) {
            out.append(text.data() + run, i - run);
            out += entity;
            run = i + 1;
        }
    }
    out.append(text.data() + run, text.size() - run);
    return out;
}

void CXMarkup::cacheTagTokens(const Scanner& s, int pos) const
{
    m_tagTokens.clear();
    m_tagOwner = pos;
    m_tagVersion = m_version;
    m_tagMultibyte = s.multibyte();
    m_tagComplete = false;
    m_tagStop = -1;
    TokenCursor token;
    token.next = clampOffset(static_cast<long long>(m_records[static_cast<std::size_t>(pos)].startTagLeft) + 1);
    for (;;) {
        if (m_tagTokens.size() >= kMaxCachedTokens) {
            m_tagResume = token.next;
            return;
        }
        if (!s.nextToken(token)) {
            m_tagComplete = true;
            return;
        }
        if (!token.quoted) {
            const char c = s.at(token.left);
            if (c == '>' || c == '/' || c == '?') {
                m_tagStop = token.left;
                m_tagComplete = true;
                return;
            }
        }
        m_tagTokens.push_back({token.left, token.right, token.quoted});
    }
}

// Walks the start tag's tokens, the tag name being token 0: the first unquoted token other than '='
// that matches the name is the attribute name, and only a quoted token two places behind it is its
// value, so an unquoted value is never found. An empty name stops at the first attribute name.
CXMarkup::AttributeHit CXMarkup::findAttribute(const Scanner& s, int pos, std::string_view name) const
{
    if (m_tagOwner != pos || m_tagVersion != m_version || m_tagMultibyte != s.multibyte()) {
        cacheTagTokens(s, pos);
    }
    int nameCount = 0;
    int count = 0;
    // Returns true when the search is over; hit tells whether it found something.
    auto visit = [&](int left, int right, bool quoted, AttributeHit& hit) {
        if (!quoted) {
            if (s.at(left) == '=') {
                return false;
            }
            if (!nameCount && count) {
                if (name.empty()) {
                    hit = {true, left, right};
                    return true;
                }
                TokenCursor t;
                t.left = left;
                t.right = right;
                if (s.matches(t, name)) {
                    nameCount = count;
                }
            }
            return false;
        }
        if (nameCount && count == nameCount + 2) {
            hit = {true, left, right};
            return true;
        }
        return false;
    };
    AttributeHit hit;
    for (const TagToken& t : m_tagTokens) {
        if (visit(t.left, t.right, t.quoted, hit)) {
            return hit;
        }
        ++count;
    }
    if (m_tagComplete) {
        return hit;
    }
    TokenCursor token;
    token.next = m_tagResume;
    while (s.nextToken(token)) {
        if (!token.quoted) {
            const char c = s.at(token.left);
            if (c == '>' || c == '/' || c == '?') {
                break;
            }
        }
        if (visit(token.left, token.right, token.quoted, hit)) {
            return hit;
        }
        ++count;
    }
    return hit;
}

} // namespace qar
