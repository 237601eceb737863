// Indexing a text: the element records of the whole tree, built without recursion so that deeply nested
// input cannot exhaust the stack. The order of the checks, and so which message a broken text gets,
// follows the way the element table has always been built.
#include "xml/CXMarkup.h"
#include "xml/MarkupScanner.h"

#include <algorithm>
#include <cstring>

namespace qar
{

using markup::Scanner;
using markup::TokenCursor;

namespace
{

// Offsets are ints; a text beyond this size is kept but not indexed.
constexpr std::size_t kMaxIndexedLength = std::size_t{1} << 30;

} // namespace

bool CXMarkup::SetDocument(std::string_view text)
{
    // The buffer of the previous text is reused.
    m_doc.assign(text.substr(0, text.find('\0')));
    return indexDocument();
}

bool CXMarkup::adoptDocument(std::string&& text)
{
    if (const auto nul = text.find('\0'); nul != std::string::npos) {
        text.resize(nul);
    }
    m_doc = std::move(text);
    return indexDocument();
}

bool CXMarkup::indexDocument()
{
    m_parent = m_current = m_child = 0;
    m_error.clear();
    ++m_version;

    // One record per 64 bytes of text plus a few: a tight fit for the files the system writes.
    const bool indexable = m_doc.size() <= kMaxIndexedLength;
    const std::size_t wanted = (indexable ? m_doc.size() / 64 : 0) + 8;
    m_capacity = static_cast<int>(wanted);
    // The table holds the records handed out and nothing else: storage beyond them is reserved, not
    // cleared, so that indexing a large text writes each record once.
    if (m_records.capacity() > 8 * wanted) {
        m_records = {};
    }
    m_records.clear();
    // Reserved room costs nothing until it is written, and a table that has to move while a large
    // text is being indexed costs a copy of all of it: room for one record per 24 bytes, which the
    // files the system writes never exceed.
    m_records.reserve(std::max(wanted, indexable ? m_doc.size() / 24 + 8 : 0));
    m_records.emplace_back();

    const bool parsed = !m_doc.empty() && indexable && parseDocument();
    m_stack.clear();
    if (!parsed) {
        m_records.resize(1);
        m_records[0] = {};
    }
    return parsed;
}

int CXMarkup::newRecord()
{
    const auto pos = static_cast<int>(m_records.size());
    if (pos >= m_capacity) {
        m_capacity += m_capacity / 2;
    }
    m_records.emplace_back();
    return pos;
}

int CXMarkup::fail(const char* format, const Scanner* s, const TokenCursor* name)
{
    m_error = format;
    if (s && name) {
        if (const auto at = m_error.find("%s"); at != std::string::npos) {
            m_error.replace(at, 2, s->tokenText(*name));
        }
    }
    m_records.pop_back();
    return -1;
}

bool CXMarkup::parseDocument()
{
    const Scanner s = scanner();
    m_records[0] = {};
    m_stack.clear();

    TokenCursor name;
    const int root = parseStartTag(s, 0, name);
    if (root <= 0) {
        return false;
    }
    m_records[0].firstChild = root;
    if (isEmptyElement(root)) {
        return true;
    }
    // The element whose content is being read lives in registers; the stack holds only its ancestors.
    // (Reading the frame back from the stack after updating one field of it stalls on every element.)
    Frame top{root, 0, name.left, name.right};
    for (;;) {
        TokenCursor childName;
        const int child = parseStartTag(s, top.pos, childName);
        if (child < 0) {
            return false;
        }
        if (child > 0) {
            auto& parent = m_records[static_cast<std::size_t>(top.pos)];
            if (top.lastChild) {
                m_records[static_cast<std::size_t>(top.lastChild)].nextSibling = child;
            } else {
                parent.firstChild = child;
            }
            top.lastChild = child;
            if (isEmptyElement(child)) {
                parent.endTagLeft = m_records[static_cast<std::size_t>(child)].endTagRight + 1;
            } else {
                m_stack.push_back(top);
                top = {child, 0, childName.left, childName.right};
            }
            continue;
        }
        TokenCursor frameName;
        frameName.left = top.nameLeft;
        frameName.right = top.nameRight;
        if (!parseEndTag(s, top.pos, frameName)) {
            return false;
        }
        if (m_stack.empty()) {
            return true;
        }
        const int closed = top.pos;
        top = m_stack.back();
        m_stack.pop_back();
        m_records[static_cast<std::size_t>(top.pos)].endTagLeft =
            m_records[static_cast<std::size_t>(closed)].endTagRight + 1;
    }
}

// Finds the next start tag under parent, scanning from the parent's endTagLeft and stepping over
// declarations, comments, CDATA and document types. Returns the new record, 0 when an end tag comes
// first (the parent's endTagLeft then holds its '<'), or -1 on an error.
int CXMarkup::parseStartTag(const Scanner& s, int parent, TokenCursor& name)
{
    const int pos = newRecord();
    m_records[static_cast<std::size_t>(pos)].parent = parent;
    int scan = m_records[static_cast<std::size_t>(parent)].endTagLeft;
    if (!s.multibyte()) {
        // Single-byte text, and a tag name right behind the '<': the common case, read directly.
        const char* text = s.text();
        const int end = s.length();
        const auto* classes = markup::kSingleByteClasses.data();
        const int lt = markup::findByte(text, end, scan, '<');
        const char first = lt < end ? text[lt + 1] : '\0';
        if (!(classes[static_cast<unsigned char>(first)] & markup::kDelim) && first != '"' && first != '\'') {
            int i = lt + 2;
            while (!(classes[static_cast<unsigned char>(text[i])] & markup::kDelim)) {
                ++i;
            }
            name.left = lt + 1;
            name.right = i - 1;
            name.next = i;
            name.quoted = false;
            const int gt = markup::findByte(text, end, i, '>');
            if (gt < end) {
                auto& record = m_records[static_cast<std::size_t>(pos)];
                m_records[static_cast<std::size_t>(parent)].endTagLeft = lt;
                record.startTagLeft = lt;
                record.startTagRight = gt;
                if (text[gt - 1] == '/') {
                    record.endTagLeft = gt - 1;
                    record.endTagRight = gt;
                } else {
                    record.endTagLeft = gt + 1;
                }
                return pos;
            }
        }
    }
    for (;;) {
        const int lt = s.findChar(scan, '<');
        if (lt >= s.length()) {
            return fail("Element tag not found");
        }
        m_records[static_cast<std::size_t>(pos)].startTagLeft = lt;
        m_records[static_cast<std::size_t>(parent)].endTagLeft = lt;

        TokenCursor token;
        token.next = lt + 1;
        if (!s.nextToken(token)) {
            return fail("Abrupt end within tag");
        }
        if (token.quoted) {
            return fail("Tag starts with quote");
        }
        const char first = s.at(token.left);
        if (first == '?' || first == '!') {
            if (!skipSpecialNode(s, lt, scan)) {
                return fail("Invalid node");
            }
            continue;
        }
        if (first == '/') {
            m_records.pop_back();
            return 0;
        }
        name = token;
        // The start tag ends at the first '>', quotes or not.
        const int gt = s.findChar(token.next, '>');
        if (gt >= s.length()) {
            return fail("End of tag not found");
        }
        auto& record = m_records[static_cast<std::size_t>(pos)];
        record.startTagRight = gt;
        if (s.at(gt - 1) == '/') {
            record.endTagLeft = gt - 1;
            record.endTagRight = gt;
        } else {
            record.endTagLeft = gt + 1;
        }
        return pos;
    }
}

bool CXMarkup::skipSpecialNode(const Scanner& s, int lt, int& resume) const
{
    if (s.at(lt + 1) == '\0' || s.at(lt + 2) == '\0') {
        return false;
    }
    std::string_view terminator;
    if (s.at(lt + 1) == '?') {
        terminator = "?>";
    } else if (s.at(lt + 1) == '!') {
        if (s.at(lt + 2) == '[') {
            terminator = "]]>";
        } else if (s.at(lt + 2) == '-') {
            terminator = "-->";
        }
    } else {
        return false;
    }
    if (!terminator.empty()) {
        const int hit = s.findString(lt, terminator, s.length());
        if (hit < 0) {
            return false;
        }
        resume = hit + static_cast<int>(terminator.size());
        return true;
    }
    // A document type: its internal subset may hold '>' inside brackets and quoted strings.
    TokenCursor token;
    token.next = lt;
    int depth = 0;
    while (s.nextToken(token)) {
        if (token.quoted) {
            continue;
        }
        const char c = s.at(token.left);
        if (c == '[') {
            ++depth;
        } else if (c == ']') {
            --depth;
        } else if (depth == 0 && c == '>') {
            resume = token.next;
            return true;
        }
    }
    return false;
}

bool CXMarkup::parseEndTag(const Scanner& s, int pos, const TokenCursor& name)
{
    auto* record = &m_records[static_cast<std::size_t>(pos)];
    const int lt = s.findChar(record->endTagLeft, '<');
    if (lt >= s.length()) {
        return fail("End tag of %s element not found", &s, &name) >= 0;
    }
    record->endTagLeft = lt;

    TokenCursor token;
    token.next = lt + 1;
    int count = 0;
    bool closed = false;
    const std::string_view tagName = s.tokenText(name);
    while (s.nextToken(token)) {
        ++count;
        if (token.quoted) {
            continue;
        }
        if (count == 1 && s.at(token.left) != '/') {
            return fail("Expecting end tag of element %s", &s, &name) >= 0;
        }
        if (count == 2 && !s.matches(token, tagName)) {
            return fail("End tag does not correspond to %s", &s, &name) >= 0;
        }
        if (s.at(token.left) == '>') {
            closed = true;
            break;
        }
    }
    if (!closed || count < 2) {
        return fail("End tag not completed for element %s", &s, &name) >= 0;
    }
    record->endTagRight = token.left;
    return true;
}

} // namespace qar
