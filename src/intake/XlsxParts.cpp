#include "intake/XlsxParts.h"

#include <cstdio>

namespace qar
{

namespace
{

constexpr std::string_view kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
constexpr std::string_view kMainNamespace = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr std::string_view kRelationshipsNamespace = "http://schemas.openxmlformats.org/package/2006/relationships";
constexpr std::string_view kRelationshipTypes = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr std::string_view kContentTypePrefix = "application/vnd.openxmlformats-officedocument.spreadsheetml.";

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

void appendEscaped(std::string& out, std::string_view text)
{
    std::size_t run = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c != '&' && c != '<' && c != '>' && c != '"' && (c >= 0x20 || c == '\t' || c == '\n')) {
            continue;
        }
        out.append(text.substr(run, i - run));
        run = i + 1;
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default: {
            // XML cannot carry these at all, and a carriage return would come back as a line feed.
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "_x%04X_", c);
            out += escaped;
        }
        }
    }
    out.append(text.substr(run));
}

std::string relationship(std::string_view id, std::string_view type, std::string_view target)
{
    std::string out = "<Relationship Id=\"";
    out.append(id).append("\" Type=\"").append(kRelationshipTypes).append("/").append(type);
    out.append("\" Target=\"").append(target).append("\"/>");
    return out;
}

} // namespace

std::string XlsxSheetPartName(std::size_t sheet)
{
    return "xl/worksheets/sheet" + std::to_string(sheet + 1) + ".xml";
}

std::string XlsxContentTypes(std::size_t sheets)
{
    std::string out(kDeclaration);
    out += "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
           "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
           "<Default Extension=\"xml\" ContentType=\"application/xml\"/>";
    const auto addOverride = [&out](const std::string& part, std::string_view type) {
        out.append("<Override PartName=\"/").append(part).append("\" ContentType=\"");
        out.append(kContentTypePrefix).append(type).append("+xml\"/>");
    };
    addOverride("xl/workbook.xml", "sheet.main");
    addOverride("xl/styles.xml", "styles");
    for (std::size_t i = 0; i < sheets; ++i) {
        addOverride(XlsxSheetPartName(i), "worksheet");
    }
    return out + "</Types>";
}

std::string XlsxPackageRelationships()
{
    std::string out(kDeclaration);
    out.append("<Relationships xmlns=\"").append(kRelationshipsNamespace).append("\">");
    out += relationship("rId1", "officeDocument", "xl/workbook.xml");
    return out + "</Relationships>";
}

std::string XlsxWorkbook(const std::vector<std::string>& sheetNames)
{
    std::string out(kDeclaration);
    out.append("<workbook xmlns=\"").append(kMainNamespace).append("\" xmlns:r=\"").append(kRelationshipTypes);
    out += "\"><sheets>";
    for (std::size_t i = 0; i < sheetNames.size(); ++i) {
        const std::string number = std::to_string(i + 1);
        out += "<sheet name=\"";
        appendEscaped(out, sheetNames[i]);
        out.append("\" sheetId=\"").append(number).append("\" r:id=\"rId").append(number).append("\"/>");
    }
    return out + "</sheets></workbook>";
}

std::string XlsxWorkbookRelationships(std::size_t sheets)
{
    std::string out(kDeclaration);
    out.append("<Relationships xmlns=\"").append(kRelationshipsNamespace).append("\">");
    for (std::size_t i = 0; i < sheets; ++i) {
        out += relationship("rId" + std::to_string(i + 1), "worksheet", XlsxSheetPartName(i).substr(3));
    }
    out += relationship("rId" + std::to_string(sheets + 1), "styles", "styles.xml");
    return out + "</Relationships>";
}

std::string XlsxStyles()
{
    std::string out(kDeclaration);
    out.append("<styleSheet xmlns=\"").append(kMainNamespace).append("\">");
    // Two fills are what spreadsheet programs expect at least (none and gray125).
    out += "<fonts count=\"2\"><font><sz val=\"11\"/><name val=\"Calibri\"/><family val=\"2\"/></font>"
           "<font><b/><sz val=\"11\"/><name val=\"Calibri\"/><family val=\"2\"/></font></fonts>"
           "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
           "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
           "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
           "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>"
           "<cellXfs count=\"2\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>"
           "<xf numFmtId=\"0\" fontId=\"1\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyFont=\"1\"/></cellXfs>"
           "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>";
    return out + "</styleSheet>";
}

std::string XlsxSheetStart()
{
    std::string out(kDeclaration);
    out.append("<worksheet xmlns=\"").append(kMainNamespace).append("\"><sheetData>");
    return out;
}

void AppendXlsxText(std::string& out, std::string_view utf8)
{
    const bool keepBlanks = !utf8.empty() && (isBlank(utf8.front()) || isBlank(utf8.back()));
    out += keepBlanks ? "<t xml:space=\"preserve\">" : "<t>";
    appendEscaped(out, utf8);
    out += "</t>";
}

} // namespace qar
