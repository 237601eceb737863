#pragma once

#include "xml/NameFilter.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace qar
{

namespace markup
{
class Scanner;
struct TokenCursor;
struct NameProbe;
} // namespace markup

/// The system's XML engine: one text buffer holding the markup exactly as it is written, plus a flat
/// table of element records pointing into it. Parsing only indexes the text, values are cut from it on
/// demand and edits splice it in place. Navigation goes through a cursor (parent, element, child).
///
/// Names and values are byte strings in the ANSI code page; like the C strings they stand for, they
/// end at their first NUL. Nothing here throws while scanning: a bad document makes SetDocument return
/// false and leaves the reason in GetError(). A document belongs to one thread: even reading it
/// updates the index of the current start tag.
class CXMarkup
{
public:
    /// Offsets of one element's tags in the text and its links, all position numbers (0 = none).
    struct ElementRecord
    {
        int startTagLeft = 0;
        int startTagRight = 0;
        int endTagLeft = 0;
        int endTagRight = 0;
        int parent = 0;
        int firstChild = 0;
        int nextSibling = 0;
    };

    CXMarkup();
    virtual ~CXMarkup();
    CXMarkup(const CXMarkup&) = default;
    CXMarkup& operator=(const CXMarkup&) = default;

    /// Replaces the text and indexes it; true when a root element was parsed without error. On false the
    /// text is kept as passed in, with no element indexed.
    bool SetDocument(std::string_view text);
    const std::string& GetDocument() const { return m_doc; }
    bool HasRootElement() const;
    /// The message of the latest failed parse, empty after a successful one.
    const std::string& GetError() const { return m_error; }

    /// Moves to the next sibling named name (any name when empty); false leaves the cursor unchanged.
    bool FindElement(std::string_view name = {});
    bool EnterElement();
    bool LeaveElement();

    /// Text content of the current element, entities decoded (a CDATA section is returned raw).
    std::string GetText() const;
    /// The quoted value of the current element's attribute, entities decoded; empty when missing.
    std::string GetAttribute(std::string_view name) const;
    /// The same into `value`, whose room is reused: records read into the strings of the last read
    /// allocate nothing.
    void GetAttribute(std::string_view name, std::string& value) const;
    /// Replaces the attribute's value or adds the attribute; false, changing nothing, when there is no
    /// current element or the name is empty.
    bool SetAttribute(std::string_view name, std::string_view value);
    bool SetAttribute(std::string_view name, const char* value) { return SetAttribute(name, sv(value)); }
    bool SetAttribute(std::string_view name, const std::string& value)
    {
        return SetAttribute(name, std::string_view(value));
    }
    /// Writes the number in decimal, as the writers do for IDs and flags.
    template <class T>
    requires(std::is_integral_v<T> && !std::is_same_v<T, bool> &&
             !std::is_same_v<T, char>) bool SetAttribute(std::string_view name, T value)
    {
        return SetAttribute(name, std::string_view(std::to_string(value)));
    }

    /// Adds an element after the current one, or the root element at document level.
    bool AddElement(std::string_view name, std::string_view value = {}) { return addElement(name, value, false); }
    /// Adds a child under the current element, behind the current child.
    bool AddChildElement(std::string_view name, std::string_view value = {}) { return addElement(name, value, true); }

    /// Read access to the index, for tests and diagnostics.
    const ElementRecord& record(int position) const { return m_records[static_cast<std::size_t>(position)]; }
    int recordCount() const { return static_cast<int>(m_records.size()); }
    /// The size of the table by its growth rule: (text length / 64) + 8 when parsed, then half again
    /// each time the records handed out reach it.
    int recordCapacity() const { return m_capacity; }
    int currentParent() const { return m_parent; }
    int currentElement() const { return m_current; }
    int currentChild() const { return m_child; }

    /// Element values: '<', '&', '>' as entities. Attribute values also quote and apostrophe.
    static std::string EncodeText(std::string_view text, bool attribute);
    /// EncodeText appended to out.
    static void AppendEncoded(std::string& out, std::string_view text, bool attribute);
    /// The five predefined entities back to characters; anything else copied unchanged.
    static std::string DecodeText(std::string_view text);

protected:
    /// SetDocument for a text the caller gives up: a file read whole becomes the document without a copy.
    bool adoptDocument(std::string&& text);
    /// The bytes of the attribute's quoted value as the text holds them, entities not decoded.
    std::string_view attributeBytes(std::string_view name) const;

private:
    // One element whose content the parser is reading: its record, last child and tag name.
    struct Frame
    {
        int pos;
        int lastChild;
        int nameLeft;
        int nameRight;
    };
    // An attribute name of a start tag: any unquoted token other than '=' behind the tag name.
    struct TagEntry
    {
        std::uint64_t key; // its first eight bytes, for a quick comparison
        int left;
        int valueLeft;
        int valueRight;
        std::uint16_t length;
        bool hasValue; // a quoted token stands two places behind it
        bool shadowed; // an earlier name has the same bytes, so lookups stop there first
    };
    // Bytes left..right of the attribute's value; left is -1 when it was not found.
    struct AttributeHit
    {
        int left = -1;
        int right = -2;
        bool found() const { return left >= 0; }
    };

    static std::string_view sv(const char* s) { return s ? std::string_view(s) : std::string_view(); }

    markup::Scanner scanner() const;
    int clampOffset(long long offset) const
    {
        const auto size = static_cast<long long>(m_doc.size());
        return static_cast<int>(offset < 0 ? 0 : offset > size ? size : offset);
    }
    bool isEmptyElement(int pos) const
    {
        const auto& r = m_records[static_cast<std::size_t>(pos)];
        return static_cast<long long>(r.startTagRight) == static_cast<long long>(r.endTagLeft) + 1;
    }

    // Parser.
    bool indexDocument();
    bool parseDocument();
    int newRecord();
    int parseStartTag(const markup::Scanner& s, int parent, markup::TokenCursor& name);
    bool skipSpecialNode(const markup::Scanner& s, int lt, int& resume) const;
    bool parseEndTag(const markup::Scanner& s, int pos, const markup::TokenCursor& name);
    int fail(const char* format, const markup::Scanner* s = nullptr, const markup::TokenCursor* name = nullptr);

    int findGeneral(const markup::Scanner& s, int candidate, std::string_view name) const;

    // What the lookups need to know of a name of one to eight bytes: the probe classes of its bytes
    // (" =/[", NUL, delimiters) and the two below. Readers ask for the same few names over and over, so
    // the answers are kept by the name's bytes.
    static constexpr std::uint8_t kLeadingQuote = 8;
    static constexpr std::uint8_t kNotPlainName = 16; // a byte other than ASCII name bytes, or '['
    struct NameMemo
    {
        std::uint64_t key = 0;
        std::uint32_t length = 0; // 0: unused
        std::uint8_t classes = 0;
    };
    // A name may stand in either slot of its pair: a writer's dozen names rarely put three in one pair.
    static std::size_t memoPair(std::uint64_t key, std::size_t length)
    {
        // Names differ in a byte or two: every bit of the key has to reach the bits that pick the pair.
        std::uint64_t h = key ^ length;
        h ^= h >> 33;
        h *= 0xFF51AFD7ED558CCDu;
        h ^= h >> 33;
        return static_cast<std::size_t>(h >> 59) & ~std::size_t{1};
    }
    std::uint8_t shortNameClasses(std::string_view name, std::uint64_t key) const
    {
        const std::size_t pair = memoPair(key, name.size());
        for (std::size_t slot = pair; slot < pair + 2; ++slot) {
            const NameMemo& memo = m_names[slot];
            if (memo.key == key && memo.length == name.size()) {
                return memo.classes;
            }
        }
        return classifyShortName(name, key);
    }
    std::uint8_t classifyShortName(std::string_view name, std::uint64_t key) const;

    // Attributes.
    AttributeHit findAttribute(const markup::Scanner& s, int pos, const markup::NameProbe& name) const;
    AttributeHit scanAttribute(const markup::Scanner& s, int pos, std::string_view name) const;
    // Where one attribute of the writers' layout lies: its name, and its value up to the closing quote.
    struct PlainAttribute
    {
        int left;
        int length;
        int valueLeft;
        int close;
    };
    void beginTagIndex(const markup::Scanner& s, int pos) const;
    enum class InOrder
    {
        No,
        Plain,
        Encoded,
    };
    InOrder readInOrder(std::string_view name, bool multibyte, AttributeHit& hit) const;
    // How the names of the current start tag are known: as entries (all of them, or those read so far
    // while m_tagScan says where the rest begin), or not kept at all while readers ask for them in the
    // tag's order or while the writer adds them one by one.
    enum class TagMode : std::uint8_t
    {
        Indexed,
        InOrder,
        Written,
    };
    void resetTagIndex(int pos, bool multibyte, TagMode mode, int scan, int stop) const;
    std::size_t extendTagIndex(const markup::Scanner& s, const markup::NameProbe* until) const;
    static int readPlainAttribute(const char* text, int end, int i, PlainAttribute& a);
    static bool indexTokens(const markup::Scanner& s, markup::TokenCursor token, std::size_t count, int limit,
                            std::vector<TagEntry>& out, int& stop, markup::NameFilter& seen);
    AttributeHit lookupEntries(const markup::Scanner& s, int pos, const TagEntry* entries, std::size_t n,
                               const markup::NameProbe& probe) const;
    static void appendEncoded(std::string& out, std::string_view text, bool attribute, bool multibyte);
    AttributeHit locateAttribute(std::string_view name, bool& encoded) const;
    std::string decodeRange(const markup::Scanner& s, int left, int right) const;
    void decodeRange(const markup::Scanner& s, int left, int right, std::string& out) const;

    // Editing.
    bool addElement(std::string_view name, std::string_view value, bool child);
    bool splice(int at, int removed, std::string_view insert);
    char* openGap(int at, std::size_t size);
    bool appendAttribute(std::string_view name, std::string_view value);
    bool appendChild(std::string_view name);
    bool stopFollowsName(int pos) const;
    void shiftRecords(int pos, int delta, bool skipOwnChildren);
    bool isAtDocumentEnd(int pos) const;
    void shiftEndTags(int pos, int delta);

    std::string m_doc;
    std::string m_error;
    std::vector<ElementRecord> m_records;
    int m_capacity = 8;
    int m_parent = 0;
    int m_current = 0;
    int m_child = 0;
    std::uint64_t m_version = 0;

    // The attribute names of the current element's start tag, kept while the text is unchanged, so
    // that reading or writing its attributes one by one scans the tag once.
    mutable std::vector<TagEntry> m_tagEntries;
    mutable int m_tagOwner = -1;
    mutable std::uint64_t m_tagVersion = 0;
    mutable bool m_tagMultibyte = false;
    mutable bool m_tagOverflow = false;   // too many tokens: lookups read the tag from the text
    mutable int m_tagStop = -1;           // offset of the token that ended the attributes ('>', '/', '?')
    mutable int m_tagScan = -1;           // where the names not read yet begin; -1 once all are known
    mutable markup::NameFilter m_tagSeen; // the names known: most lookups are told at once they are new
    mutable TagMode m_tagMode = TagMode::Indexed;
    mutable std::size_t m_tagHint = 0;   // readers ask in the order of the tag: start behind the last hit
    mutable bool m_tagNameKnown = false; // the last indexed lookup met a name with the same bytes
    mutable bool m_tagAtEnd = false;     // the tag's element ends the document (isAtDocumentEnd)

    mutable int m_hintOwner = -1; // the record whose lookups m_tagHint follows
    mutable std::array<NameMemo, 32> m_names{};

    std::string m_buffer; // the text of the edit being made
    std::vector<Frame> m_stack;
};

} // namespace qar
