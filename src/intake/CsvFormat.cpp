#include "intake/CsvFormat.h"

namespace qar
{

namespace
{

bool isFormulaStart(char c)
{
    return c == '=' || c == '+' || c == '-' || c == '@';
}

} // namespace

char DetectCsvDelimiter(std::string_view bytes)
{
    std::size_t commas = 0;
    std::size_t semicolons = 0;
    std::size_t tabs = 0;
    bool quoted = false;
    for (char c : bytes) {
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && (c == '\n' || c == '\r')) {
            break;
        } else if (!quoted) {
            commas += c == ',';
            semicolons += c == ';';
            tabs += c == '\t';
        }
    }
    if (semicolons > commas && semicolons >= tabs) {
        return ';';
    }
    if (tabs > commas && tabs > semicolons) {
        return '\t';
    }
    return ',';
}

CsvReadResult ReadCsv(std::string_view bytes, char delimiter, Sheet& out, std::size_t maxRows)
{
    CsvReadResult result;
    std::uint32_t line = 1;
    std::size_t rows = 0;
    std::string cell;
    std::size_t i = 0;
    const std::size_t n = bytes.size();
    while (i < n) {
        if (rows == maxRows) {
            result.tooManyRows = true;
            return result;
        }
        out.beginRow(line);
        ++rows;
        // One record: cells until a line break outside quotes or the end of the text.
        for (;;) {
            cell.clear();
            if (i < n && bytes[i] == '"') {
                const std::uint32_t opened = line;
                ++i;
                bool closed = false;
                while (i < n) {
                    const char c = bytes[i];
                    if (c == '"') {
                        if (i + 1 < n && bytes[i + 1] == '"') {
                            cell += '"';
                            i += 2;
                            continue;
                        }
                        ++i;
                        closed = true;
                        break;
                    }
                    if (c == '\n' || (c == '\r' && (i + 1 >= n || bytes[i + 1] != '\n'))) {
                        ++line;
                    }
                    cell += c;
                    ++i;
                }
                if (!closed) {
                    out.addCell(cell);
                    result.complete = false;
                    result.openQuoteLine = opened;
                    return result;
                }
            }
            // Unquoted text, or what follows a closing quote, up to the delimiter or the line break.
            const std::size_t start = i;
            while (i < n && bytes[i] != delimiter && bytes[i] != '\n' && bytes[i] != '\r') {
                ++i;
            }
            cell.append(bytes.substr(start, i - start));
            out.addCell(cell);
            if (i < n && bytes[i] == delimiter) {
                ++i;
                continue;
            }
            break;
        }
        if (i < n && bytes[i] == '\r') {
            ++i;
        }
        if (i < n && bytes[i] == '\n') {
            ++i;
        }
        ++line;
    }
    return result;
}

void AppendCsvCell(std::string& out, std::string_view text, char delimiter)
{
    bool quote = !text.empty() && (text.front() == ' ' || text.back() == ' ');
    for (char c : text) {
        if (c == delimiter || c == '"' || c == '\n' || c == '\r') {
            quote = true;
            break;
        }
    }
    if (!quote) {
        out.append(text);
        return;
    }
    out += '"';
    for (char c : text) {
        if (c == '"') {
            out += '"';
        }
        out += c;
    }
    out += '"';
}

bool NeedsFormulaEscape(std::string_view text)
{
    if (text.empty()) {
        return false;
    }
    return isFormulaStart(text[0]) ||
           (text[0] == '\'' && text.size() > 1 && (isFormulaStart(text[1]) || text[1] == '\''));
}

std::string EscapeFormulaText(std::string_view text)
{
    if (!NeedsFormulaEscape(text)) {
        return std::string(text);
    }
    std::string escaped;
    escaped.reserve(text.size() + 1);
    escaped += '\'';
    escaped.append(text);
    return escaped;
}

std::string_view UnescapeFormulaText(std::string_view text)
{
    if (text.size() > 1 && text[0] == '\'' && (isFormulaStart(text[1]) || text[1] == '\'')) {
        text.remove_prefix(1);
    }
    return text;
}

} // namespace qar
