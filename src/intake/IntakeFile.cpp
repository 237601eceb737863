#include "intake/IntakeFile.h"

#include "intake/CsvFormat.h"
#include "intake/XlsxReader.h"
#include "resources/StringIds.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace qar
{

namespace
{

constexpr std::string_view kZipMagic = "PK\x03\x04";
constexpr std::string_view kOleMagic = "\xD0\xCF\x11\xE0";

std::string fileName(const std::string& path)
{
    return std::filesystem::path(path).filename().string();
}

std::string stem(const std::string& path)
{
    return std::filesystem::path(path).stem().string();
}

/// NUL bytes near the start: binary data, not text of any code page a spreadsheet writes CSV in.
bool looksBinary(std::string_view head)
{
    return head.find('\0') != std::string_view::npos;
}

} // namespace

std::string IntakeFile::sourceOf(const Sheet& sheet) const
{
    return format == SpreadsheetFormat::Xlsx ? label + ":" + sheet.name : label;
}

void ReadCsvText(IntakeFile& file, std::string_view bytes, FileEncoding encoding, std::size_t maxRows)
{
    file.format = SpreadsheetFormat::Csv;
    if (encoding == FileEncoding::Auto) {
        encoding = DetectFileEncoding(bytes);
    }
    file.encoding = encoding;
    if (encoding == FileEncoding::Utf16) {
        file.problems.push_back({file.label, 0, {}, str::kIntakeUtf16, {file.label}});
        return;
    }
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        bytes.remove_prefix(3);
    }
    Sheet sheet;
    sheet.name = stem(file.path.empty() ? file.label : file.path);
    const CsvReadResult read = ReadCsv(bytes, DetectCsvDelimiter(bytes), sheet, maxRows);
    if (!read.complete) {
        file.problems.push_back(
            {file.label, read.openQuoteLine, {}, str::kIntakeOpenQuote, {std::to_string(read.openQuoteLine)}});
    }
    if (read.tooManyRows) {
        file.problems.push_back({file.label, 0, {}, str::kIntakeTooManyRows, {std::to_string(maxRows)}});
    }
    DecodeSheet(sheet, encoding);
    file.sheets.push_back(std::move(sheet));
}

IntakeFile ReadIntakeFile(const std::string& path, const IntakeReadOptions& options)
{
    IntakeFile file;
    file.path = path;
    file.label = fileName(path);
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec || !std::filesystem::is_regular_file(path, ec)) {
        file.problems.push_back({file.label, 0, {}, str::kIntakeFileUnreadable, {path}});
        return file;
    }
    if (size > options.maxBytes) {
        file.problems.push_back(
            {file.label, 0, {}, str::kIntakeFileTooLarge, {file.label, std::to_string(options.maxBytes >> 20)}});
        return file;
    }
    std::ifstream in(path, std::ios::binary);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (!in || !in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
        file.problems.push_back({file.label, 0, {}, str::kIntakeFileUnreadable, {path}});
        return file;
    }
    const std::string_view head = std::string_view(bytes).substr(0, 4096);
    if (head.substr(0, 4) == kZipMagic) {
        file.format = SpreadsheetFormat::Xlsx;
        bytes.clear();
        bytes.shrink_to_fit();
        const XlsxReadResult read = ReadXlsx(path, file.sheets, options.maxRows);
        switch (read.problem) {
        case XlsxProblem::None:
            break;
        case XlsxProblem::NotAWorkbook:
            file.problems.push_back({file.label, 0, {}, str::kIntakeNotSpreadsheet, {file.label}});
            break;
        case XlsxProblem::Damaged:
            file.problems.push_back({file.label, 0, {}, str::kIntakeDamagedWorkbook, {read.detail}});
            break;
        case XlsxProblem::TooManyRows:
            file.problems.push_back({file.label, 0, {}, str::kIntakeTooManyRows, {std::to_string(options.maxRows)}});
            break;
        }
        return file;
    }
    if (head.substr(0, 4) == kOleMagic) {
        file.problems.push_back({file.label, 0, {}, str::kIntakeOldExcel, {file.label}});
        return file;
    }
    const FileEncoding encoding = options.encoding == FileEncoding::Auto ? DetectFileEncoding(bytes) : options.encoding;
    if (encoding != FileEncoding::Utf16 && looksBinary(head)) {
        file.problems.push_back({file.label, 0, {}, str::kIntakeNotSpreadsheet, {file.label}});
        return file;
    }
    ReadCsvText(file, bytes, encoding, options.maxRows);
    return file;
}

} // namespace qar
