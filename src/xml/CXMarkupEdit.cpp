// Edits: each one splices the single text buffer in place and moves the offsets of the records behind
// the splice, so the index stays valid without parsing again. Writers add records at the end of their
// parent one after another; there the splice moves only the few bytes of the closing tags and the
// shift touches only the ancestors, which keeps building a file of n records linear in n.
#include "platform/Locale.h"
#include "xml/CXMarkup.h"
#include "xml/MarkupBytes.h"
#include "xml/MarkupScanner.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>

namespace qar
{

using markup::encodedLength;
using markup::isPlainName;
using markup::moveBytes;
using markup::Scanner;
using markup::TokenCursor;
using markup::untilNul;
using markup::writeEncoded;

namespace
{

constexpr std::size_t kMaxLength = std::size_t{1} << 30;
// Up to this length offsets within the text move by plain addition: shifted() would not bound them.
constexpr long long kMaxPlainOffset = INT_MAX / 4;

// Offsets that no longer point into the text (after an edit inside a malformed tag) stay bounded, so
// that later arithmetic on them cannot overflow; every use clamps them to the text anyway.
inline int shifted(int offset, int delta)
{
    const long long moved = static_cast<long long>(offset) + delta;
    const long long low = moved < INT_MIN / 4 ? INT_MIN / 4 : moved;
    return static_cast<int>(low > INT_MAX / 4 ? INT_MAX / 4 : low);
}

// True when scanning the quoted value stops at its own closing quote: no lead byte left unpaired at its end.
bool endsOnCharacter(const Scanner& s, std::string_view value)
{
    if (!s.multibyte()) {
        return true;
    }
    std::size_t i = 0;
    while (i < value.size()) {
        i += s.isLead(static_cast<unsigned char>(value[i])) ? 2 : 1;
    }
    return i == value.size();
}

} // namespace

bool CXMarkup::splice(int at, int removed, std::string_view insert)
{
    if (m_doc.size() - static_cast<std::size_t>(removed) + insert.size() > kMaxLength) {
        return false;
    }
    if (removed == 0) {
        // The inserted text never lies in the document: no need for the general replace's care.
        std::memcpy(openGap(at, insert.size()), insert.data(), insert.size());
        return true;
    }
    m_doc.replace(static_cast<std::size_t>(at), static_cast<std::size_t>(removed), insert);
    ++m_version;
    return true;
}

// Makes room for size bytes at offset at (the caller has checked the length limit) and returns it.
char* CXMarkup::openGap(int at, std::size_t size)
{
    const std::size_t length = m_doc.size();
    m_doc.resize(length + size);
    char* gap = m_doc.data() + at;
    moveBytes(gap + size, gap, length - static_cast<std::size_t>(at));
    ++m_version;
    return gap;
}

// Moves every record behind a change at pos by delta: pos's children (unless skipped), its following
// siblings with their subtrees, then the following siblings of each ancestor; the ancestors themselves
// only have their end tags moved.
void CXMarkup::shiftRecords(int pos, int delta, bool skipOwnChildren)
{
    if (delta == 0) {
        return;
    }
    auto rec = [this](int i) -> ElementRecord& { return m_records[static_cast<std::size_t>(i)]; };
    // A writer's change is at the end of the document: nothing follows it but the end tags of its
    // ancestors (and of the document record).
    if ((skipOwnChildren || !rec(pos).firstChild) && !rec(pos).nextSibling) {
        int a = rec(pos).parent;
        while (a && !rec(a).nextSibling) {
            a = rec(a).parent;
        }
        if (!a) {
            for (a = rec(pos).parent;; a = rec(a).parent) {
                ElementRecord& r = rec(a);
                r.endTagLeft = shifted(r.endTagLeft, delta);
                r.endTagRight = shifted(r.endTagRight, delta);
                if (!a) {
                    return;
                }
            }
        }
    }
    int top = rec(pos).parent;
    bool first = skipOwnChildren;
    int i = pos;
    while (i) {
        bool atTop = false;
        if (i == top) {
            top = rec(i).parent;
            atTop = true;
        }
        if (!atTop && !first && rec(i).firstChild) {
            i = rec(i).firstChild;
        } else if (rec(i).nextSibling) {
            i = rec(i).nextSibling;
        } else {
            while ((i = rec(i).parent) != 0 && i != top) {
                if (rec(i).nextSibling) {
                    i = rec(i).nextSibling;
                    break;
                }
            }
        }
        first = false;
        ElementRecord& r = rec(i);
        if (i != top) {
            r.startTagLeft = shifted(r.startTagLeft, delta);
            r.startTagRight = shifted(r.startTagRight, delta);
        }
        r.endTagLeft = shifted(r.endTagLeft, delta);
        r.endTagRight = shifted(r.endTagRight, delta);
    }
}

// Whether pos ends the document as far as its ancestors go: it has no children, neither it nor an
// ancestor has a sibling behind it, and the offsets an insertion into its tag moves lie within the text.
// Writers add there: such an insertion moves only pos's own tag and the end tags of its ancestors, each
// by plain addition.
bool CXMarkup::isAtDocumentEnd(int pos) const
{
    const auto size = static_cast<long long>(m_doc.size());
    const auto within = [size](int offset) { return offset >= 0 && offset <= size; };
    const ElementRecord& r = m_records[static_cast<std::size_t>(pos)];
    if (size > kMaxPlainOffset || r.firstChild || r.nextSibling || !within(r.startTagRight) || !within(r.endTagLeft) ||
        !within(r.endTagRight)) {
        return false;
    }
    for (int a = r.parent;; a = m_records[static_cast<std::size_t>(a)].parent) {
        const ElementRecord& q = m_records[static_cast<std::size_t>(a)];
        if (q.nextSibling || !within(q.endTagLeft) || !within(q.endTagRight)) {
            return false;
        }
        if (!a) {
            return true;
        }
    }
}

// The end tags of pos and its ancestors, up to the document record, move by delta.
void CXMarkup::shiftEndTags(int pos, int delta)
{
    for (int a = pos;; a = m_records[static_cast<std::size_t>(a)].parent) {
        ElementRecord& q = m_records[static_cast<std::size_t>(a)];
        q.endTagLeft += delta;
        q.endTagRight += delta;
        if (!a) {
            return;
        }
    }
}

bool CXMarkup::SetAttribute(std::string_view name, std::string_view value)
{
    // An attribute without a name would make the tag unreadable, and an empty name must never be taken
    // for an existing attribute's: refused, nothing changes.
    if (!m_current) {
        return false;
    }
    // The writers' case first: it takes only plain names, which hold no NUL.
    if (appendAttribute(name, value)) {
        return true;
    }
    if (untilNul(name).empty()) {
        return false;
    }
    const markup::NameProbe probe = markup::probeName(name);
    name = probe.name;
    const Scanner s = scanner();
    const int pos = m_current;
    const AttributeHit hit = findAttribute(s, pos, probe);
    ElementRecord& r = m_records[static_cast<std::size_t>(pos)];

    int at = 0;
    int removed = 0;
    m_buffer.clear();
    if (hit.found()) {
        at = hit.left;
        removed = std::max(0, hit.right - hit.left + 1);
        appendEncoded(m_buffer, value, true, s.multibyte());
    } else {
        at = clampOffset(static_cast<long long>(r.startTagRight) - (isEmptyElement(pos) ? 1 : 0));
        m_buffer += ' ';
        m_buffer += name;
        m_buffer += "=\"";
        appendEncoded(m_buffer, value, true, s.multibyte());
        m_buffer += '"';
    }
    const std::size_t valueLength = hit.found() ? m_buffer.size() : m_buffer.size() - name.size() - 4;
    // Appending to a start tag whose names are known extends them instead of scanning the tag again.
    const bool extendIndex = !hit.found() && m_tagOwner == pos && m_tagVersion == m_version && !m_tagOverflow &&
                             m_tagScan < 0 && stopFollowsName(pos) && m_tagStop == at && name.size() <= UINT16_MAX &&
                             isPlainName(name) &&
                             endsOnCharacter(s, std::string_view(m_buffer).substr(name.size() + 3, valueLength));
    // A name like an earlier one (that had no quoted value) is found there first, never here. The
    // lookup has just told whether there is one, unless the name took the path of names that may
    // match a shorter one ('[' is such a byte).
    const auto sameName = [&](const TagEntry& e) {
        return e.length == static_cast<int>(name.size()) &&
               std::memcmp(s.text() + e.left, name.data(), name.size()) == 0;
    };
    const bool shadowed = extendIndex && (std::find(name.begin(), name.end(), '[') == name.end()
                                              ? m_tagNameKnown
                                              : std::any_of(m_tagEntries.begin(), m_tagEntries.end(), sameName));
    if (!splice(at, removed, m_buffer)) {
        return false;
    }
    const int delta = static_cast<int>(m_buffer.size()) - removed;
    r.startTagRight = shifted(r.startTagRight, delta);
    r.endTagLeft = shifted(r.endTagLeft, delta);
    r.endTagRight = shifted(r.endTagRight, delta);
    shiftRecords(pos, delta, false);

    if (extendIndex) {
        const int nameLength = static_cast<int>(name.size());
        // Filled in place: a copy assembled on the stack would stall on its narrow stores.
        TagEntry& e = m_tagEntries.emplace_back();
        e.left = at + 1;
        e.length = static_cast<std::uint16_t>(nameLength);
        e.key = probe.key;
        e.valueLeft = at + nameLength + 3;
        e.valueRight = e.valueLeft + static_cast<int>(valueLength) - 1;
        e.hasValue = true;
        e.shadowed = shadowed;
        m_tagSeen.add(probe.key, nameLength);
        m_tagStop = at + static_cast<int>(m_buffer.size());
        m_tagVersion = m_version;
    }
    return true;
}

// Whether the token that ends pos's attributes comes behind a tag name. In a tag without a name (<>)
// the first attribute written becomes the name, so the names known do not grow by it.
bool CXMarkup::stopFollowsName(int pos) const
{
    int i = clampOffset(static_cast<long long>(m_records[static_cast<std::size_t>(pos)].startTagLeft) + 1);
    while (markup::kSingleByteClasses[static_cast<unsigned char>(m_doc.c_str()[i])] & markup::kSpace) {
        ++i;
    }
    return i != m_tagStop;
}

// The writers' case: a new attribute for the tag just added, whose names are all known. The attribute is
// written straight into the text behind the last one, and becomes the last name known. False (with
// nothing changed) for anything else: a name already there or possibly there, a value with double-byte
// characters or a NUL, a name that is not a plain short one.
bool CXMarkup::appendAttribute(std::string_view name, std::string_view value)
{
    const int pos = m_current;
    const std::size_t n = name.size();
    if (n - 1 >= 8 || m_tagOwner != pos || m_tagVersion != m_version || m_tagScan >= 0 ||
        m_tagMode == TagMode::InOrder || m_tagOverflow) {
        return false;
    }
    const std::uint64_t key = markup::shortNameKey(name.data(), n);
    const auto length = static_cast<int>(n);
    if (shortNameClasses(name, key) || m_tagSeen.mayHold(key, length) || m_tagMultibyte != IsDoubleByteCodePage()) {
        return false;
    }
    ElementRecord& r = m_records[static_cast<std::size_t>(pos)];
    const int at = r.startTagRight - (isEmptyElement(pos) ? 1 : 0);
    const std::size_t encoded = encodedLength(value, m_tagMultibyte);
    // A tag the writer made has its name; any other may be nameless (<>).
    if (at != m_tagStop || at < 0 || static_cast<std::size_t>(at) > m_doc.size() ||
        !(m_tagMode == TagMode::Written || stopFollowsName(pos)) || encoded == SIZE_MAX ||
        m_doc.size() + encoded + n + 4 > kMaxLength) {
        return false;
    }
    const std::size_t size = n + 4 + encoded;
    char* gap = openGap(at, size);
    gap[0] = ' ';
    moveBytes(gap + 1, name.data(), n);
    gap[n + 1] = '=';
    gap[n + 2] = '"';
    if (encoded == value.size()) {
        moveBytes(gap + n + 3, value.data(), value.size());
    } else {
        writeEncoded(gap + n + 3, value);
    }
    gap[size - 1] = '"';

    const int delta = static_cast<int>(size);
    if (m_tagAtEnd && static_cast<long long>(m_doc.size()) <= kMaxPlainOffset) {
        r.startTagRight += delta;
        r.endTagLeft += delta;
        r.endTagRight += delta;
        shiftEndTags(r.parent, delta);
    } else {
        r.startTagRight = shifted(r.startTagRight, delta);
        r.endTagLeft = shifted(r.endTagLeft, delta);
        r.endTagRight = shifted(r.endTagRight, delta);
        shiftRecords(pos, delta, false);
    }

    if (m_tagMode == TagMode::Indexed) {
        TagEntry& e = m_tagEntries.emplace_back();
        e.key = key;
        e.left = at + 1;
        e.valueLeft = at + length + 3;
        e.valueRight = e.valueLeft + static_cast<int>(encoded) - 1;
        e.length = static_cast<std::uint16_t>(length);
        e.hasValue = true;
        e.shadowed = false;
    }
    m_tagSeen.add(key, length);
    m_tagStop = at + delta;
    m_tagVersion = m_version;
    return true;
}

// The writers' case: an empty child element with a plain name behind the current child, written straight
// into the text on the line after it. False (with nothing changed) for anything else.
bool CXMarkup::appendChild(std::string_view name)
{
    const int parent = m_current;
    const int follow = m_child;
    const std::size_t n = name.size();
    if (!parent || !follow || n - 1 >= 8 || shortNameClasses(name, markup::shortNameKey(name.data(), n)) ||
        m_doc.size() + n + 5 > kMaxLength) {
        return false;
    }
    const ElementRecord& p = m_records[static_cast<std::size_t>(parent)];
    if (static_cast<long long>(p.startTagRight) + 1 >= p.endTagLeft) {
        return false; // empty or bare: the parent's tags are rewritten the general way
    }
    int offset = clampOffset(static_cast<long long>(m_records[static_cast<std::size_t>(follow)].endTagRight) + 1);
    const char* text = m_doc.c_str();
    int next = offset;
    while (markup::kSingleByteClasses[static_cast<unsigned char>(text[next])] & markup::kSpace) {
        ++next;
    }
    if (text[next] == '\0' || text[next] == '<') {
        offset = next;
    }
    const std::size_t size = n + 5;
    // Behind an element at the end of the document, the new one is there too, with the same ancestors.
    const bool atEnd = m_tagAtEnd && m_tagOwner == follow && m_tagVersion == m_version &&
                       static_cast<long long>(m_doc.size() + size) <= kMaxPlainOffset;
    char* gap = openGap(offset, size);
    gap[0] = '<';
    moveBytes(gap + 1, name.data(), n);
    std::memcpy(gap + n + 1, "/>\r\n", 4);

    const int pos = newRecord();
    ElementRecord& e = m_records[static_cast<std::size_t>(pos)];
    ElementRecord& f = m_records[static_cast<std::size_t>(follow)];
    e.parent = parent;
    e.startTagLeft = offset;
    e.startTagRight = offset + static_cast<int>(n) + 2;
    e.endTagLeft = e.startTagRight - 1;
    e.endTagRight = e.startTagRight;
    e.nextSibling = f.nextSibling;
    f.nextSibling = pos;
    if (atEnd) {
        shiftEndTags(parent, static_cast<int>(size));
    } else {
        shiftRecords(pos, static_cast<int>(size), true);
    }

    // The new start tag holds the name alone: the writer's SetAttribute calls that follow need not scan
    // it, nor keep the names they write (a later lookup reads the tag again).
    resetTagIndex(pos, IsDoubleByteCodePage(), TagMode::Written, -1,
                  m_records[static_cast<std::size_t>(pos)].endTagLeft);
    m_tagAtEnd = atEnd || isAtDocumentEnd(pos);
    m_tagHint = 0;
    m_child = pos;
    return true;
}

bool CXMarkup::addElement(std::string_view name, std::string_view value, bool child)
{
    if (child && value.empty() && appendChild(name)) {
        return true;
    }
    name = untilNul(name);
    value = untilNul(value);
    if (child) {
        if (!m_current) {
            return false;
        }
    } else if (m_parent == 0) {
        if (HasRootElement()) {
            return false; // one root only
        }
        m_records[0].endTagLeft = static_cast<int>(m_doc.size());
    }
    const int parent = child ? m_current : m_parent;
    const int follow = child ? m_child : m_current;
    const Scanner s = scanner();
    const ElementRecord& p = m_records[static_cast<std::size_t>(parent)];
    const bool parentEmpty = isEmptyElement(parent);
    const bool parentBare = !parentEmpty && static_cast<long long>(p.startTagRight) + 1 == p.endTagLeft;

    int offset = 0;
    if (follow) {
        offset = clampOffset(static_cast<long long>(m_records[static_cast<std::size_t>(follow)].endTagRight) + 1);
    } else if (parent == 0) {
        offset = static_cast<int>(m_doc.size());
    } else {
        offset = clampOffset(parentEmpty ? p.startTagRight : p.endTagLeft);
    }
    if (!parentEmpty) {
        // Land at the start of the next line, in front of the next tag.
        const int next = s.skipSpace(offset);
        if (s.at(next) == '\0' || s.at(next) == '<') {
            offset = next;
        }
    }

    std::string& element = m_buffer;
    element.clear();
    element += '<';
    element += name;
    std::size_t encodedLength = 0;
    if (value.empty()) {
        element += "/>\r\n";
    } else {
        element += '>';
        const std::size_t before = element.size();
        appendEncoded(element, value, false, s.multibyte());
        encodedLength = element.size() - before;
        element += "</";
        element += name;
        element += ">\r\n";
    }

    int at = offset;
    int removed = 0;
    int start = offset;
    std::string parentName;
    std::string wrapped;
    std::string_view insert = element;
    if (parentEmpty) {
        // <R/> becomes <R>, the new line, </R>: the '/' is replaced.
        TokenCursor token;
        token.next = clampOffset(static_cast<long long>(p.startTagLeft) + 1);
        if (s.nextToken(token)) {
            parentName = s.tokenText(token);
        }
        at = clampOffset(p.endTagLeft);
        removed = at < static_cast<int>(m_doc.size()) ? 1 : 0;
        wrapped = ">\r\n" + element + "</" + parentName;
        insert = wrapped;
        start = at + 3;
    } else if (parentBare) {
        at = clampOffset(static_cast<long long>(p.startTagRight) + 1);
        wrapped = "\r\n" + element;
        insert = wrapped;
        start = at + 2;
    }
    if (!splice(at, removed, insert)) {
        return false;
    }

    const int pos = newRecord();
    ElementRecord& e = m_records[static_cast<std::size_t>(pos)];
    e.parent = parent;
    const int nameLength = static_cast<int>(name.size());
    e.startTagLeft = start;
    if (value.empty()) {
        e.startTagRight = start + nameLength + 2;
        e.endTagLeft = e.startTagRight - 1;
        e.endTagRight = e.startTagRight;
    } else {
        e.startTagRight = start + 1 + nameLength;
        e.endTagLeft = e.startTagRight + 1 + static_cast<int>(encodedLength);
        e.endTagRight = e.endTagLeft + 2 + nameLength;
    }
    if (follow) {
        ElementRecord& f = m_records[static_cast<std::size_t>(follow)];
        e.nextSibling = f.nextSibling;
        f.nextSibling = pos;
    } else if (!m_records[static_cast<std::size_t>(parent)].firstChild) {
        m_records[static_cast<std::size_t>(parent)].firstChild = pos;
    } else {
        int last = m_records[static_cast<std::size_t>(parent)].firstChild;
        while (m_records[static_cast<std::size_t>(last)].nextSibling) {
            last = m_records[static_cast<std::size_t>(last)].nextSibling;
        }
        m_records[static_cast<std::size_t>(last)].nextSibling = pos;
    }
    shiftRecords(pos, static_cast<int>(insert.size()) - removed, true);
    if (parentEmpty) {
        ElementRecord& q = m_records[static_cast<std::size_t>(parent)];
        q.startTagRight = at;
        q.endTagLeft = start + static_cast<int>(element.size());
        q.endTagRight = q.endTagLeft + 2 + static_cast<int>(parentName.size());
    }
    // The new start tag holds the name alone: its attributes are known to be none, and the writer's
    // SetAttribute calls that follow need not scan it.
    if (isPlainName(name)) {
        resetTagIndex(pos, s.multibyte(), TagMode::Indexed, -1, value.empty() ? e.endTagLeft : e.startTagRight);
        m_tagHint = 0;
    }

    if (child) {
        m_current = parent;
        m_child = pos;
    } else {
        m_parent = parent;
        m_current = pos;
        m_child = 0;
    }
    return true;
}

} // namespace qar
