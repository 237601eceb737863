// A workbook is a zip of XML parts; the parts are written here and packed with libzip. A spreadsheet
// library (libxlsxwriter) wrote them before, and spent most of an export's time in two places it does not
// let a caller change: it compresses at zlib's default level, and it prints every number through printf's
// floating-point path. The sheets' XML is regular enough that deflate's fastest level packs it nearly as
// well (a workbook of 100,000 users grows by about a quarter) in a quarter of the time.
#include "intake/XlsxWriter.h"

#include "intake/XlsxParts.h"
#include "platform/Locale.h"
#include "xml/Encoding.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <deque>
#include <vector>
#include <zip.h>

namespace qar
{

namespace
{

// What a worksheet and a cell hold at most in the spreadsheet programs that open the file.
constexpr std::uint32_t kMaxRows = 1048576;
constexpr std::uint32_t kMaxColumns = 16384;
constexpr std::size_t kMaxCellCharacters = 32767;
constexpr std::size_t kFlushBytes = std::size_t{1} << 18;
constexpr zip_uint32_t kDeflateLevel = 1;

std::size_t utf8Characters(std::string_view text)
{
    std::size_t n = 0;
    for (char c : text) {
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    return n;
}

void appendNumber(std::string& out, std::int64_t value)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

/// "A1" style: the column's letters, then the row's number counted from 1.
void appendCellReference(std::string& out, std::uint32_t column, std::uint32_t row)
{
    char letters[4];
    int n = 0;
    for (std::uint32_t c = column + 1; c > 0; c = (c - 1) / 26) {
        letters[n++] = static_cast<char>('A' + (c - 1) % 26);
    }
    while (n > 0) {
        out += letters[--n];
    }
    appendNumber(out, std::int64_t{row} + 1);
}

} // namespace

struct XlsxWriter::Impl
{
    std::string path;
    std::string tempDir;
    std::vector<std::string> sheetNames; ///< UTF-8
    std::FILE* part = nullptr;           ///< the sheet being written
    std::string xml;                     ///< the sheet's XML not yet handed to `part`
    std::string utf8;
    std::uint32_t row = 0;
    bool rowStarted = false;
    bool closed = false;
    bool cellRefused = false;
    int writeError = 0; ///< errno of the first failed write of a part

    std::string partPath(std::size_t sheet) const { return tempDir + "/sheet" + std::to_string(sheet + 1) + ".xml"; }

    void flush()
    {
        if (part != nullptr && writeError == 0 && std::fwrite(xml.data(), 1, xml.size(), part) != xml.size()) {
            writeError = errno != 0 ? errno : EIO;
        }
        xml.clear();
    }

    void finishSheet()
    {
        if (part == nullptr) {
            return;
        }
        if (rowStarted) {
            xml += "</row>";
            rowStarted = false;
        }
        xml += "</sheetData></worksheet>";
        flush();
        if (std::fclose(part) != 0 && writeError == 0) {
            writeError = errno;
        }
        part = nullptr;
    }

    /// Opens the cell's element up to its attributes; false when the sheet cannot hold it.
    bool startCell(std::uint16_t column)
    {
        if (part == nullptr || row >= kMaxRows || column >= kMaxColumns) {
            cellRefused = true;
            return false;
        }
        if (!rowStarted) {
            xml += "<row r=\"";
            appendNumber(xml, std::int64_t{row} + 1);
            xml += "\">";
            rowStarted = true;
        }
        xml += "<c r=\"";
        appendCellReference(xml, column, row);
        xml += '"';
        return true;
    }

    bool pack(std::string& error) const
    {
        int code = 0;
        zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
        if (zip == nullptr) {
            zip_error_t e;
            zip_error_init_with_code(&e, code);
            error = zip_error_strerror(&e);
            zip_error_fini(&e);
            return false;
        }
        std::deque<std::string> texts; // libzip reads them in zip_close
        const auto add = [zip](const std::string& name, zip_source_t* source) {
            if (source == nullptr) {
                return false;
            }
            const zip_int64_t index = zip_file_add(zip, name.c_str(), source, 0);
            if (index < 0) {
                zip_source_free(source);
                return false;
            }
            return zip_set_file_compression(zip, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, kDeflateLevel) == 0;
        };
        const auto addText = [&](const std::string& name, std::string text) {
            texts.push_back(std::move(text));
            return add(name, zip_source_buffer(zip, texts.back().data(), texts.back().size(), 0));
        };
        bool ok = addText("[Content_Types].xml", XlsxContentTypes(sheetNames.size())) &&
                  addText("_rels/.rels", XlsxPackageRelationships()) &&
                  addText("xl/workbook.xml", XlsxWorkbook(sheetNames)) &&
                  addText("xl/_rels/workbook.xml.rels", XlsxWorkbookRelationships(sheetNames.size())) &&
                  addText("xl/styles.xml", XlsxStyles());
        for (std::size_t i = 0; ok && i < sheetNames.size(); ++i) {
            ok = add(XlsxSheetPartName(i), zip_source_file(zip, partPath(i).c_str(), 0, -1));
        }
        if (!ok || zip_close(zip) != 0) {
            error = zip_strerror(zip);
            zip_discard(zip);
            return false;
        }
        return true;
    }
};

XlsxWriter::XlsxWriter(const std::string& path, const std::string& tempDir) : m_impl(std::make_unique<Impl>())
{
    m_impl->path = path;
    m_impl->tempDir = tempDir;
}

XlsxWriter::~XlsxWriter()
{
    if (!m_impl->closed) {
        std::string ignored;
        close(ignored);
    }
}

bool XlsxWriter::isOpen() const
{
    return !m_impl->closed;
}

void XlsxWriter::addSheet(std::string_view name)
{
    Impl& d = *m_impl;
    if (d.closed) {
        return;
    }
    d.finishSheet();
    d.sheetNames.push_back(GetAnsiCodePage() == CodePage::Utf8 ? std::string(name) : ToUtf8(name, GetAnsiCodePage()));
    d.part = std::fopen(d.partPath(d.sheetNames.size() - 1).c_str(), "wbxe");
    if (d.part == nullptr && d.writeError == 0) {
        d.writeError = errno;
    }
    d.row = 0;
    d.xml = XlsxSheetStart();
}

void XlsxWriter::text(std::uint16_t column, std::string_view bytes)
{
    Impl& d = *m_impl;
    if (bytes.empty()) {
        return;
    }
    if (GetAnsiCodePage() == CodePage::Utf8) {
        d.utf8.assign(bytes);
    } else {
        d.utf8 = ToUtf8(bytes, GetAnsiCodePage());
    }
    if (utf8Characters(d.utf8) > kMaxCellCharacters) {
        d.cellRefused = true;
        return;
    }
    if (!d.startCell(column)) {
        return;
    }
    d.xml += d.row == 0 ? " t=\"inlineStr\" s=\"1\"><is>" : " t=\"inlineStr\"><is>";
    AppendXlsxText(d.xml, d.utf8);
    d.xml += "</is></c>";
}

void XlsxWriter::number(std::uint16_t column, std::int64_t value)
{
    Impl& d = *m_impl;
    if (!d.startCell(column)) {
        return;
    }
    d.xml += "><v>";
    appendNumber(d.xml, value);
    d.xml += "</v></c>";
}

void XlsxWriter::nextRow()
{
    Impl& d = *m_impl;
    if (d.rowStarted) {
        d.xml += "</row>";
        d.rowStarted = false;
        if (d.xml.size() >= kFlushBytes) {
            d.flush();
        }
    }
    ++d.row;
}

bool XlsxWriter::close(std::string& error)
{
    Impl& d = *m_impl;
    if (d.closed) {
        error = "the workbook is closed already";
        return false;
    }
    if (d.sheetNames.empty()) {
        addSheet("Sheet1"); // a workbook holds at least one sheet
    }
    d.finishSheet();
    d.closed = true;
    bool ok = false;
    if (d.writeError != 0) {
        error = std::strerror(d.writeError);
    } else if (d.cellRefused) {
        error = "a cell could not be written";
    } else {
        ok = d.pack(error);
    }
    for (std::size_t i = 0; i < d.sheetNames.size(); ++i) {
        std::remove(d.partPath(i).c_str());
    }
    return ok;
}

} // namespace qar
