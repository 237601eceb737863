#include "settings/ProfileText.h"

#include "platform/Locale.h"

namespace qar
{
namespace
{

char foldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Names compare without regard to ASCII case. The second byte of a double-byte character can look like
// a letter (GBK and Big5 trail bytes start at 0x40), so it is compared exactly, never folded.
bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (IsLeadByte(static_cast<unsigned char>(a[i])) && i + 1 < a.size()) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) {
                return false;
            }
            ++i;
        } else if (foldAscii(a[i]) != foldAscii(b[i])) {
            return false;
        }
    }
    return true;
}

/// One line of the file: [begin, end) without its line end, next = start of the following line.
struct Line
{
    std::size_t begin;
    std::size_t end;
    std::size_t next;
    bool hasEol;
};

/// Where the line end at or after pos begins (LF, CR LF or a lone CR, as the profile functions take
/// them), text.size() when there is none.
std::size_t findLineEnd(std::string_view text, std::size_t pos)
{
    const std::size_t at = text.find_first_of("\r\n", pos);
    return at == std::string_view::npos ? text.size() : at;
}

/// Length of the line end at pos: 2 for CR LF, else 1.
std::size_t lineEndLength(std::string_view text, std::size_t pos)
{
    return text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n' ? 2 : 1;
}

class LineCursor
{
public:
    explicit LineCursor(std::string_view text) : m_text(text) {}

    bool next(Line& line)
    {
        if (m_pos >= m_text.size()) {
            return false;
        }
        const std::size_t end = findLineEnd(m_text, m_pos);
        const bool hasEol = end < m_text.size();
        line = Line{m_pos, end, hasEol ? end + lineEndLength(m_text, end) : end, hasEol};
        m_pos = line.next;
        return true;
    }

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
};

/// What a line is to the profile functions.
struct ParsedLine
{
    enum Kind
    {
        Blank,
        Section,
        Key,
        Other,
    } kind = Other;
    std::string_view name; // section name between the brackets, or the trimmed key name
    std::size_t valueBegin = 0;
    std::size_t valueEnd = 0;
};

ParsedLine parseLine(std::string_view text, const Line& line)
{
    ParsedLine parsed;
    std::size_t b = line.begin;
    std::size_t e = line.end;
    while (b < e && IsProfileBlank(text[b])) {
        ++b;
    }
    while (e > b && IsProfileBlank(text[e - 1])) {
        --e;
    }
    if (b == e) {
        parsed.kind = ParsedLine::Blank;
        return parsed;
    }
    std::string_view content = text.substr(b, e - b);
    if (content.front() == '[') {
        auto close = content.rfind(']');
        if (close != std::string_view::npos && close > 0) {
            parsed.kind = ParsedLine::Section;
            // Blanks inside the brackets ("[ ODBC ]", as a hand edit leaves it) are not part of the name.
            parsed.name = TrimProfileBlanks(content.substr(1, close - 1));
            return parsed;
        }
        // A '[' line without its ']' is not a section header; it may still be a key line.
    }
    auto eq = content.find('=');
    if (eq == std::string_view::npos) {
        return parsed;
    }
    parsed.kind = ParsedLine::Key;
    parsed.name = TrimProfileBlanks(content.substr(0, eq));
    std::size_t vb = b + eq + 1;
    while (vb < e && IsProfileBlank(text[vb])) {
        ++vb;
    }
    parsed.valueBegin = vb;
    parsed.valueEnd = e;
    return parsed;
}

std::string_view lineEndOf(std::string_view text)
{
    const std::size_t at = findLineEnd(text, 0);
    if (at == text.size()) {
        return "\r\n"; // what the system writes into a new file
    }
    return text[at] == '\n' ? "\n" : lineEndLength(text, at) == 2 ? "\r\n" : "\r";
}

} // namespace

bool IsProfileBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == '\x1a';
}

std::string_view TrimProfileBlanks(std::string_view s)
{
    while (!s.empty() && IsProfileBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && IsProfileBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

ProfileLocation LocateProfileKey(std::string_view text, std::string_view section, std::string_view key)
{
    ProfileLocation loc;
    // A UTF-8 byte order mark before the first line is not part of its text.
    std::size_t start = text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    LineCursor cursor(text.substr(start));
    std::string_view body = text.substr(start);
    bool inSection = false;
    Line line{};
    while (cursor.next(line)) {
        ParsedLine parsed = parseLine(body, line);
        if (parsed.kind == ParsedLine::Section) {
            if (inSection) {
                break; // only the first section of that name counts
            }
            if (sameName(parsed.name, section)) {
                inSection = true;
                loc.sectionFound = true;
                loc.insertAt = start + line.next;
                loc.insertNeedsEol = !line.hasEol;
            }
            continue;
        }
        if (!inSection || parsed.kind == ParsedLine::Blank) {
            continue;
        }
        // New keys follow the last non-blank line of the section, ahead of the blank lines before the
        // next section.
        loc.insertAt = start + line.next;
        loc.insertNeedsEol = !line.hasEol;
        if (parsed.kind == ParsedLine::Key && sameName(parsed.name, key)) {
            loc.keyFound = true;
            loc.valueBegin = start + parsed.valueBegin;
            loc.valueEnd = start + parsed.valueEnd;
            return loc;
        }
    }
    return loc;
}

std::string_view ProfileValueForRead(std::string_view raw)
{
    auto nul = raw.find('\0');
    if (nul != std::string_view::npos) {
        raw = raw.substr(0, nul);
    }
    if (raw.size() >= 2 && (raw.front() == '"' || raw.front() == '\'') && raw.back() == raw.front()) {
        raw = raw.substr(1, raw.size() - 2);
    }
    return raw;
}

std::string WriteProfileKey(std::string_view text, std::string_view section, std::string_view key,
                            std::string_view value)
{
    ProfileLocation loc = LocateProfileKey(text, section, key);
    std::string out;
    if (loc.keyFound) {
        out.reserve(text.size() + value.size());
        out.append(text.substr(0, loc.valueBegin));
        out.append(value);
        out.append(text.substr(loc.valueEnd));
        return out;
    }
    std::string_view eol = lineEndOf(text);
    std::string keyLine;
    keyLine.append(key).append("=").append(value).append(eol);
    out.reserve(text.size() + keyLine.size() + section.size() + 8);
    if (loc.sectionFound) {
        out.append(text.substr(0, loc.insertAt));
        if (loc.insertNeedsEol) {
            out.append(eol);
        }
        out.append(keyLine);
        out.append(text.substr(loc.insertAt));
        return out;
    }
    out.append(text);
    if (!text.empty() && text.back() != '\n' && text.back() != '\r') {
        out.append(eol);
    }
    out.append("[").append(section).append("]").append(eol);
    out.append(keyLine);
    return out;
}

} // namespace qar
