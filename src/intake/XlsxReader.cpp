#include "intake/XlsxReader.h"

#include "platform/Locale.h"
#include "xml/Encoding.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <expat.h>
#include <functional>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <zip.h>

namespace qar
{

namespace
{

struct ZipCloser
{
    void operator()(zip_t* z) const { zip_discard(z); }
};
struct ZipFileCloser
{
    void operator()(zip_file_t* f) const { zip_fclose(f); }
};
struct ParserCloser
{
    void operator()(XML_Parser p) const { XML_ParserFree(p); }
};

/// The element name without a namespace prefix ("x:row" and "row" alike).
std::string_view localName(const XML_Char* name)
{
    std::string_view n(name);
    const std::size_t colon = n.rfind(':');
    return colon == std::string_view::npos ? n : n.substr(colon + 1);
}

const char* attribute(const XML_Char** attrs, std::string_view wanted)
{
    for (int i = 0; attrs[i] != nullptr; i += 2) {
        if (localName(attrs[i]) == wanted) {
            return attrs[i + 1];
        }
    }
    return nullptr;
}

/// Events of one XML part, as the readers below need them.
struct XmlEvents
{
    std::function<void(std::string_view name, const XML_Char** attrs)> start;
    std::function<void(std::string_view name)> end;
    std::function<void(std::string_view text)> text;
    bool stop = false; ///< set by a handler to end the parse early
};

class Archive
{
public:
    explicit Archive(const std::string& path)
    {
        int error = 0;
        m_zip.reset(zip_open(path.c_str(), ZIP_RDONLY, &error));
    }
    bool isOpen() const { return m_zip != nullptr; }
    bool has(const std::string& name) const { return zip_name_locate(m_zip.get(), name.c_str(), 0) >= 0; }

    /// Streams a part through expat. False with `problem` set when it is missing, too large or not
    /// well-formed.
    bool parse(const std::string& name, XmlEvents& events, std::size_t maxBytes, XlsxReadResult& problem)
    {
        const zip_int64_t index = zip_name_locate(m_zip.get(), name.c_str(), 0);
        if (index < 0) {
            problem = {XlsxProblem::Damaged, name};
            return false;
        }
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(m_zip.get(), static_cast<zip_uint64_t>(index), 0, &st) != 0 ||
            ((st.valid & ZIP_STAT_SIZE) != 0 && st.size > maxBytes)) {
            problem = {XlsxProblem::Damaged, name};
            return false;
        }
        std::unique_ptr<zip_file_t, ZipFileCloser> file(
            zip_fopen_index(m_zip.get(), static_cast<zip_uint64_t>(index), 0));
        std::unique_ptr<XML_ParserStruct, ParserCloser> parser(XML_ParserCreate("UTF-8"));
        if (!file || !parser) {
            problem = {XlsxProblem::Damaged, name};
            return false;
        }
        XML_SetUserData(parser.get(), &events);
        XML_SetElementHandler(
            parser.get(),
            [](void* data, const XML_Char* element, const XML_Char** attrs) {
                auto* e = static_cast<XmlEvents*>(data);
                if (e->start) {
                    e->start(localName(element), attrs);
                }
            },
            [](void* data, const XML_Char* element) {
                auto* e = static_cast<XmlEvents*>(data);
                if (e->end) {
                    e->end(localName(element));
                }
            });
        XML_SetCharacterDataHandler(parser.get(), [](void* data, const XML_Char* s, int len) {
            auto* e = static_cast<XmlEvents*>(data);
            if (e->text) {
                e->text(std::string_view(s, static_cast<std::size_t>(len)));
            }
        });
        std::size_t total = 0;
        char buffer[1 << 16];
        for (;;) {
            const zip_int64_t got = zip_fread(file.get(), buffer, sizeof buffer);
            if (got < 0) {
                problem = {XlsxProblem::Damaged, name};
                return false;
            }
            total += static_cast<std::size_t>(got);
            if (total > maxBytes) {
                problem = {XlsxProblem::Damaged, name};
                return false;
            }
            const bool last = got == 0;
            if (XML_Parse(parser.get(), buffer, static_cast<int>(got), last ? 1 : 0) == XML_STATUS_ERROR) {
                problem = {XlsxProblem::Damaged, name + ": " + XML_ErrorString(XML_GetErrorCode(parser.get()))};
                return false;
            }
            if (last || events.stop) {
                return true;
            }
        }
    }

private:
    std::unique_ptr<zip_t, ZipCloser> m_zip;
};

/// A part path relative to the folder of the part that names it ("worksheets/sheet1.xml" from
/// "xl/workbook.xml"), or absolute from the archive's root ("/xl/worksheets/sheet1.xml").
std::string resolveTarget(std::string_view base, std::string_view target)
{
    if (!target.empty() && target.front() == '/') {
        return std::string(target.substr(1));
    }
    std::string folder(base.substr(0, base.rfind('/') + 1));
    while (target.substr(0, 3) == "../") {
        target.remove_prefix(3);
        if (!folder.empty()) {
            folder.pop_back();
            folder.erase(folder.rfind('/') + 1);
        }
    }
    return folder + std::string(target);
}

/// "10001.0", "1.3800138E10" as written by some programs: a whole number within 2^53 is written plainly.
std::string numberText(const std::string& v)
{
    if (v.find_first_of(".eE") == std::string::npos) {
        return v;
    }
    char* end = nullptr;
    const double d = std::strtod(v.c_str(), &end);
    if (end == v.c_str() || *end != '\0' || !std::isfinite(d) || d != std::floor(d) ||
        std::fabs(d) > 9007199254740992.0) {
        return v;
    }
    char out[32];
    std::snprintf(out, sizeof out, "%.0f", d);
    return out;
}

class SheetParser
{
public:
    SheetParser(Sheet& sheet, const std::vector<std::string>& shared, std::size_t maxRows)
        : m_sheet(sheet), m_shared(shared), m_maxRows(maxRows), m_convert(GetAnsiCodePage() != CodePage::Utf8)
    {}

    bool tooManyRows() const { return m_tooMany; }

    XmlEvents events()
    {
        XmlEvents e;
        e.start = [this](std::string_view name, const XML_Char** attrs) { start(name, attrs); };
        e.end = [this](std::string_view name) { end(name); };
        e.text = [this](std::string_view text) {
            if (m_collect) {
                m_text.append(text);
            }
        };
        m_stopFlag = &e.stop;
        return e;
    }
    void bind(XmlEvents& e) { m_stopFlag = &e.stop; }

private:
    void start(std::string_view name, const XML_Char** attrs)
    {
        if (name == "row") {
            if (m_sheet.rowCount() == m_maxRows) {
                m_tooMany = true;
                *m_stopFlag = true;
                return;
            }
            const char* r = attribute(attrs, "r");
            const long number = r != nullptr ? std::strtol(r, nullptr, 10) : 0;
            m_line = number > 0 ? static_cast<std::uint32_t>(number) : m_line + 1;
            m_sheet.beginRow(m_line);
            m_inRow = true;
            m_nextColumn = 0;
        } else if (name == "c" && m_inRow) {
            const char* ref = attribute(attrs, "r");
            const long column = ref != nullptr ? XlsxColumnOf(ref) : -1;
            m_column = column >= 0 ? static_cast<std::uint32_t>(column) : m_nextColumn;
            const char* type = attribute(attrs, "t");
            m_type = type != nullptr ? type : "";
            m_value.clear();
            m_formula.clear();
            m_hasFormula = false;
            m_inline.clear();
        } else if (name == "v" || name == "f" || (name == "t" && m_inIs && !m_inPhonetic)) {
            m_collect = true;
            m_text.clear();
            m_hasFormula = m_hasFormula || name == "f";
        } else if (name == "is") {
            m_inIs = true;
        } else if (name == "rPh") {
            m_inPhonetic = true;
        }
    }

    void end(std::string_view name)
    {
        if (name == "v") {
            m_value = m_text;
            m_collect = false;
        } else if (name == "f") {
            m_formula = m_text;
            m_collect = false;
        } else if (name == "t" && m_collect) {
            m_inline += m_text;
            m_collect = false;
        } else if (name == "is") {
            m_inIs = false;
        } else if (name == "rPh") {
            m_inPhonetic = false;
        } else if (name == "c" && m_inRow) {
            putCell();
        } else if (name == "row") {
            m_inRow = false;
        }
    }

    void putCell()
    {
        std::string text;
        if (m_hasFormula) {
            text = "=" + m_formula; // a formula is text here, never a value computed by anyone
        } else if (m_type == "s") {
            const unsigned long index = std::strtoul(m_value.c_str(), nullptr, 10);
            text = index < m_shared.size() ? m_shared[index] : std::string();
        } else if (m_type == "inlineStr") {
            text = m_inline;
        } else if (m_type == "str" || m_type == "e" || m_type == "b") {
            text = m_value;
        } else {
            text = numberText(m_value);
        }
        if (m_convert && !text.empty()) {
            text = FromUtf8(text, GetAnsiCodePage());
        }
        // A column that goes backwards (a damaged reference) is placed after the last one.
        const std::uint32_t have = m_sheet.row(m_sheet.rowCount() - 1).cellCount;
        const std::uint32_t column = m_column < have ? have : m_column;
        m_sheet.setCell(column, text);
        m_nextColumn = column + 1;
    }

    Sheet& m_sheet;
    const std::vector<std::string>& m_shared;
    std::size_t m_maxRows;
    bool m_convert;
    bool* m_stopFlag = nullptr;
    bool m_tooMany = false;
    bool m_inRow = false;
    bool m_inIs = false;
    bool m_inPhonetic = false;
    bool m_collect = false;
    bool m_hasFormula = false;
    std::uint32_t m_line = 0;
    std::uint32_t m_column = 0;
    std::uint32_t m_nextColumn = 0;
    std::string m_type;
    std::string m_text;
    std::string m_value;
    std::string m_formula;
    std::string m_inline;
};

bool readSharedStrings(Archive& archive, const std::string& part, std::vector<std::string>& shared,
                       std::size_t maxBytes, XlsxReadResult& problem)
{
    if (!archive.has(part)) {
        return true; // a workbook of numbers only has none
    }
    bool inSi = false;
    bool inPhonetic = false;
    bool collect = false;
    std::string current;
    XmlEvents e;
    e.start = [&](std::string_view name, const XML_Char**) {
        if (name == "si") {
            inSi = true;
            current.clear();
        } else if (name == "rPh") {
            inPhonetic = true;
        } else if (name == "t" && inSi && !inPhonetic) {
            collect = true;
        }
    };
    e.end = [&](std::string_view name) {
        if (name == "si") {
            inSi = false;
            shared.push_back(std::move(current));
            current.clear();
        } else if (name == "rPh") {
            inPhonetic = false;
        } else if (name == "t") {
            collect = false;
        }
    };
    e.text = [&](std::string_view text) {
        if (collect) {
            current.append(text);
        }
    };
    return archive.parse(part, e, maxBytes, problem);
}

} // namespace

long XlsxColumnOf(const char* reference)
{
    long column = 0;
    bool letters = false;
    for (const char* p = reference; *p != '\0'; ++p) {
        const char c = *p;
        if (c >= 'A' && c <= 'Z') {
            column = column * 26 + (c - 'A' + 1);
        } else if (c >= 'a' && c <= 'z') {
            column = column * 26 + (c - 'a' + 1);
        } else {
            break;
        }
        letters = true;
        if (column > 16384) {
            return -1; // beyond the last column a spreadsheet has
        }
    }
    return letters ? column - 1 : -1;
}

XlsxReadResult ReadXlsx(const std::string& path, std::vector<Sheet>& sheets, std::size_t maxRows,
                        std::size_t maxPartBytes)
{
    XlsxReadResult result;
    Archive archive(path);
    const std::string workbook = "xl/workbook.xml";
    if (!archive.isOpen() || !archive.has(workbook)) {
        return {XlsxProblem::NotAWorkbook, {}};
    }
    // The sheets in workbook order, with the relationship that names their part.
    std::vector<std::pair<std::string, std::string>> listed;
    XmlEvents wb;
    wb.start = [&](std::string_view name, const XML_Char** attrs) {
        if (name == "sheet") {
            const char* sheetName = attribute(attrs, "name");
            const char* id = attribute(attrs, "id");
            listed.emplace_back(sheetName != nullptr ? sheetName : "", id != nullptr ? id : "");
        }
    };
    if (!archive.parse(workbook, wb, maxPartBytes, result)) {
        return result;
    }
    std::unordered_map<std::string, std::string> targets;
    std::string sharedPart = "xl/sharedStrings.xml";
    const std::string rels = "xl/_rels/workbook.xml.rels";
    XmlEvents rl;
    rl.start = [&](std::string_view name, const XML_Char** attrs) {
        if (name != "Relationship") {
            return;
        }
        const char* id = attribute(attrs, "Id");
        const char* target = attribute(attrs, "Target");
        const char* type = attribute(attrs, "Type");
        if (id == nullptr || target == nullptr) {
            return;
        }
        const std::string resolved = resolveTarget(workbook, target);
        if (type != nullptr && std::string_view(type).ends_with("/sharedStrings")) {
            sharedPart = resolved;
        }
        targets[id] = resolved;
    };
    if (archive.has(rels) && !archive.parse(rels, rl, maxPartBytes, result)) {
        return result;
    }
    std::vector<std::string> shared;
    if (!readSharedStrings(archive, sharedPart, shared, maxPartBytes, result)) {
        return result;
    }
    if (GetAnsiCodePage() != CodePage::Utf8) {
        for (std::string& s : shared) {
            s = FromUtf8(s, GetAnsiCodePage());
        }
    }
    for (std::size_t i = 0; i < listed.size(); ++i) {
        const auto it = targets.find(listed[i].second);
        const std::string part =
            it != targets.end() ? it->second : "xl/worksheets/sheet" + std::to_string(i + 1) + ".xml";
        Sheet sheet;
        sheet.name =
            GetAnsiCodePage() == CodePage::Utf8 ? listed[i].first : FromUtf8(listed[i].first, GetAnsiCodePage());
        SheetParser parser(sheet, shared, maxRows);
        XmlEvents events = parser.events();
        parser.bind(events);
        if (!archive.parse(part, events, maxPartBytes, result)) {
            return result;
        }
        if (parser.tooManyRows()) {
            sheets.push_back(std::move(sheet));
            return {XlsxProblem::TooManyRows, listed[i].first};
        }
        sheets.push_back(std::move(sheet));
    }
    if (sheets.empty()) {
        return {XlsxProblem::NotAWorkbook, {}};
    }
    return result;
}

} // namespace qar
