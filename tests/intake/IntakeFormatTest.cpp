#include "TempDir.h"
#include "intake/CsvFormat.h"
#include "intake/IntakeExport.h"
#include "intake/IntakeFile.h"
#include "intake/TextEncoding.h"
#include "intake/XlsxReader.h"
#include "intake/XlsxWriter.h"
#include "platform/Locale.h"
#include "resources/StringIds.h"

#include <gtest/gtest.h>

#include <expat.h>
#include <filesystem>
#include <map>
#include <variant>
#include <zip.h>

namespace qar
{
namespace
{

using Cells = std::vector<std::vector<std::string>>;

Cells cellsOf(const Sheet& sheet)
{
    Cells out;
    for (std::size_t r = 0; r < sheet.rowCount(); ++r) {
        out.emplace_back();
        for (std::uint32_t c = 0; c < sheet.row(r).cellCount; ++c) {
            out.back().emplace_back(sheet.cell(r, c));
        }
    }
    return out;
}

TEST(CsvFormat, ReadsRecordsAsSpreadsheetsWriteThem)
{
    struct Case
    {
        std::string input;
        Cells cells;
        std::vector<std::uint32_t> lines;
    };
    const Case cases[] = {
        {"a,b\r\n1,2\r\n", {{"a", "b"}, {"1", "2"}}, {1, 2}},
        {"a,b\n1,2", {{"a", "b"}, {"1", "2"}}, {1, 2}},
        {"a\rb\r", {{"a"}, {"b"}}, {1, 2}},
        {"\"x,y\",\"say \"\"hi\"\"\"\n", {{"x,y", "say \"hi\""}}, {1}},
        // A line break inside quotes belongs to the cell; the next record starts two lines further.
        {"\"two\nlines\",z\r\nnext\n", {{"two\nlines", "z"}, {"next"}}, {1, 3}},
        {"a,,\n,\n", {{"a", "", ""}, {"", ""}}, {1, 2}},
        // Spreadsheets keep stray quotes as text.
        {"ab\"c,\"q\"tail\n", {{"ab\"c", "qtail"}}, {1}},
        {"a;b;c\n1;2;3\n", {{"a", "b", "c"}, {"1", "2", "3"}}, {1, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        Sheet sheet;
        const CsvReadResult result = ReadCsv(c.input, DetectCsvDelimiter(c.input), sheet, 100);
        EXPECT_TRUE(result.complete);
        EXPECT_EQ(cellsOf(sheet), c.cells);
        for (std::size_t r = 0; r < c.lines.size() && r < sheet.rowCount(); ++r) {
            EXPECT_EQ(sheet.row(r).line, c.lines[r]);
        }
    }
}

TEST(CsvFormat, NamesTheLineOfAQuoteLeftOpenAndStopsAtTheRowLimit)
{
    Sheet sheet;
    const CsvReadResult open = ReadCsv("ID,Name\n1,ok\n2,\"never\nclosed,3\n", ',', sheet, 100);
    EXPECT_FALSE(open.complete);
    EXPECT_EQ(open.openQuoteLine, 3u);
    EXPECT_EQ(sheet.rowCount(), 3u);

    Sheet limited;
    EXPECT_TRUE(ReadCsv("a\nb\nc\n", ',', limited, 2).tooManyRows);
    EXPECT_EQ(limited.rowCount(), 2u);
}

TEST(CsvFormat, EscapesFormulasSoTheyReadBackUnchanged)
{
    const std::pair<std::string, std::string> cases[] = {
        {"=1+2", "'=1+2"}, {"+86", "'+86"}, {"-5", "'-5"}, {"@SUM(A1)", "'@SUM(A1)"}, {"'=x", "''=x"},
        {"''", "'''"},     {"'a", "'a"},    {"'", "'"},    {"plain", "plain"},        {"", ""},
    };
    for (const auto& [text, escaped] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(EscapeFormulaText(text), escaped);
        EXPECT_EQ(UnescapeFormulaText(escaped), text);
    }
    std::string out;
    AppendCsvCell(out, "a,\"b\"");
    EXPECT_EQ(out, "\"a,\"\"b\"\"\"");
}

TEST(IntakeExport, WritesTheFormatTheNameSaysOrRefuses)
{
    using F = SpreadsheetFormat;
    struct Case
    {
        const char* path;
        F chosen;
        std::size_t kinds;
        std::variant<F, int> expected;
    };
    const Case cases[] = {
        {"a.csv", F::Xlsx, 1, F::Csv},
        {"a.XLSX", F::Csv, 1, F::Xlsx},
        {"a", F::Xlsx, 1, F::Xlsx},
        {"a.txt", F::Csv, 1, F::Csv},
        {"a.xlsx", F::Csv, 2, F::Xlsx},
        {"a.csv", F::Xlsx, 2, str::kIntakeCsvOneKind},
        {"a", F::Csv, 2, str::kIntakeCsvOneKind},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(ExportFormatFor(c.path, c.chosen, c.kinds), c.expected);
    }

    // Asked for a workbook under a CSV name, or for both kinds in one CSV file: nothing is written.
    test::TempDir dir;
    OrgData data;
    data.units = {{101, "Head", 0, 1, true, false, 0, "", "", 1, 0, std::nullopt}};
    std::string error;
    EXPECT_FALSE(ExportFile(data, {{SheetKind::Units}, std::nullopt, F::Xlsx}, dir.file("a.csv"), error));
    EXPECT_FALSE(ExportFile(data, {{SheetKind::Units, SheetKind::Users}, std::nullopt, F::Csv}, dir.file("b"), error));
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(TextEncoding, DetectsTheEncodingOfAFile)
{
    const std::pair<std::string, FileEncoding> cases[] = {
        {"\xEF\xBB\xBF"
         "ID,Name\n",
         FileEncoding::Utf8},
        {"ID,Name\n1,\xE4\xB8\xAD\xE6\x96\x87\n", FileEncoding::Utf8},
        {"ID,Name\n1,\xD6\xD0\xCE\xC4\xC3\xFB\xB3\xC6\n2,\xB2\xE2\xCA\xD4\xD3\xC3\xBB\xA7\n", FileEncoding::Gbk},
        {"ID,Name\n1,\xA4\xA4\xA4\xE5\xA6\x57\xBA\xD9\n2,\xB4\xFA\xB8\xD5\xA5\xCE\xA4\xE1\n", FileEncoding::Big5},
        {"\xFF\xFEI\0D\0", FileEncoding::Utf16},
        {"ID,Name\n1,Ann\n", FileEncoding::Utf8},
    };
    for (const auto& [bytes, encoding] : cases) {
        SCOPED_TRACE(FileEncodingName(encoding));
        EXPECT_EQ(DetectFileEncoding(bytes), encoding);
    }
}

TEST(TextEncoding, ConvertsCellsAndFlagsLinesOfAnotherEncoding)
{
    test::ScopedLcid utf8(kLcidEnglish);
    IntakeFile file;
    file.label = "mixed.csv";
    // Mostly UTF-8; line 3 is GBK, line 4 starts with a second file's byte order mark.
    ReadCsvText(file,
                "ID,Name\n1,\xE4\xB8\xAD\xE6\x96\x87\n2,\xD6\xD0\xCE\xC4\n\xEF\xBB\xBF"
                "3,x\n",
                FileEncoding::Auto, 100);
    ASSERT_EQ(file.sheets.size(), 1u);
    const Sheet& s = file.sheets[0];
    EXPECT_EQ(file.encoding, FileEncoding::Utf8);
    EXPECT_EQ(s.row(1).issue, RowIssue::None);
    EXPECT_EQ(s.row(2).issue, RowIssue::BadEncoding);
    EXPECT_EQ(s.row(3).issue, RowIssue::ByteOrderMark);

    IntakeFile gbk;
    ReadCsvText(gbk, "ID,Name\n1,\xD6\xD0\xCE\xC4\n", FileEncoding::Gbk, 100);
    EXPECT_EQ(gbk.sheets[0].cell(1, 1), "\xE4\xB8\xAD\xE6\x96\x87");
}

TEST(IntakeFile, RefusesWhatIsNoSpreadsheetAsAWhole)
{
    test::TempDir dir;
    struct Case
    {
        std::string name;
        std::string bytes;
        int messageId;
    };
    const Case cases[] = {
        {"old.xls", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8), str::kIntakeOldExcel},
        {"image.csv", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16), str::kIntakeNotSpreadsheet},
        {"fake.xlsx", "PK\x03\x04garbage", str::kIntakeNotSpreadsheet},
        {"wide.csv", "\xFF\xFEI\0D\0", str::kIntakeUtf16},
        {"big.csv", std::string(2048, 'x'), str::kIntakeFileTooLarge},
        {"open.csv", "ID,Name\n1,\"x\n", str::kIntakeOpenQuote},
    };
    IntakeReadOptions options;
    options.maxBytes = 1024;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const IntakeFile file = ReadIntakeFile(test::writeFile(dir.file(c.name), c.bytes), options);
        ASSERT_FALSE(file.readable());
        EXPECT_EQ(file.problems[0].messageId, c.messageId);
    }
    EXPECT_EQ(ReadIntakeFile(dir.file("missing.csv")).problems[0].messageId, str::kIntakeFileUnreadable);
}

/// A workbook as spreadsheet programs write it: shared strings with rich text and phonetic runs, a
/// formula with its cached value, cells skipped, names with a namespace prefix.
std::string writeForeignWorkbook(const std::string& path)
{
    const std::pair<const char*, std::string> parts[] = {
        {"xl/workbook.xml",
         R"(<workbook xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)"
         R"(<sheets><sheet name="Staff" sheetId="3" r:id="rId7"/></sheets></workbook>)"},
        {"xl/_rels/workbook.xml.rels",
         R"(<Relationships><Relationship Id="rId7" Type="x/worksheet" Target="/xl/worksheets/data.xml"/>)"
         R"(<Relationship Id="rId9" Type="x/sharedStrings" Target="strings.xml"/></Relationships>)"},
        {"xl/strings.xml", R"(<sst><si><t>ID</t></si><si><r><t>Na</t></r><r><t>me</t></r></si>)"
                           R"(<si><t>山田</t><rPh><t>やまだ</t></rPh></si></sst>)"},
        {"xl/worksheets/data.xml",
         R"(<x:worksheet xmlns:x="main"><x:sheetData><x:row r="1"><x:c r="A1" t="s"><x:v>0</x:v></x:c>)"
         R"(<x:c r="C1" t="s"><x:v>1</x:v></x:c></x:row><x:row r="4"><x:c r="A4"><x:v>10001.0</x:v></x:c>)"
         R"(<x:c r="B4"><x:f>A4+1</x:f><x:v>10002</x:v></x:c><x:c r="C4" t="s"><x:v>2</x:v></x:c>)"
         R"(<x:c r="D4" t="inlineStr"><x:is><x:t>in</x:t></x:is></x:c><x:c r="E4"><x:v>1.3800138E10</x:v>)"
         R"(</x:c></x:row></x:sheetData></x:worksheet>)"},
    };
    int error = 0;
    zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    for (const auto& [name, text] : parts) {
        zip_source_t* source = zip_source_buffer(zip, text.data(), text.size(), 0);
        zip_file_add(zip, name, source, ZIP_FL_ENC_UTF_8);
    }
    zip_close(zip);
    return path;
}

// A part that unpacks beyond the limit makes the whole workbook damaged.
TEST(Xlsx, ReadsWorkbooksOfOtherProgramsCellByReferenceWithinTheLimit)
{
    test::ScopedLcid utf8(kLcidEnglish);
    test::TempDir dir;
    const std::string path = writeForeignWorkbook(dir.file("staff.xlsx"));
    std::vector<Sheet> sheets;
    ASSERT_EQ(ReadXlsx(path, sheets, 100).problem, XlsxProblem::None);
    ASSERT_EQ(sheets.size(), 1u);
    EXPECT_EQ(sheets[0].name, "Staff");
    EXPECT_EQ(cellsOf(sheets[0]), (Cells{{"ID", "", "Name"}, {"10001", "=A4+1", "山田", "in", "13800138000"}}));
    EXPECT_EQ(sheets[0].row(1).line, 4u);
    std::vector<Sheet> limited;
    EXPECT_EQ(ReadXlsx(path, limited, 100, 64).problem, XlsxProblem::Damaged);
    EXPECT_EQ(XlsxColumnOf("AB12"), 27);
    EXPECT_EQ(XlsxColumnOf("12"), -1);
}

TEST(Xlsx, WritesWhatItReadsBackInAnyCodePage)
{
    test::ScopedLcid gbk(kLcidSimplifiedChinese);
    test::TempDir dir;
    const std::string path = dir.file("out.xlsx");
    {
        XlsxWriter book(path, dir.path().string());
        book.addSheet("Units");
        book.text(0, "ID");
        book.text(1, "Name");
        book.nextRow();
        book.number(0, 101);
        book.text(1, "\xD6\xD0\xCE\xC4"); // GBK text of the running code page
        book.text(2, EscapeFormulaText("=HYPERLINK(\"x\")"));
        book.nextRow();
        std::string error;
        ASSERT_TRUE(book.close(error)) << error;
    }
    std::vector<Sheet> sheets;
    ASSERT_EQ(ReadXlsx(path, sheets, 100).problem, XlsxProblem::None);
    EXPECT_EQ(cellsOf(sheets[0]), (Cells{{"ID", "Name"}, {"101", "\xD6\xD0\xCE\xC4", "'=HYPERLINK(\"x\")"}}));
}

// Texts that XML would change or refuse read back as they were written; a raw control character would
// make the whole sheet unreadable.
TEST(Xlsx, KeepsTextsThatXmlWouldAlter)
{
    test::ScopedLcid utf8(kLcidEnglish);
    test::TempDir dir;
    const std::pair<std::string, std::string> cases[] = {
        {"R&D <east> \"hq\"", "R&D <east> \"hq\""},
        {"  indented", "  indented"},
        {"two\nlines\tand a tab ", "two\nlines\tand a tab "},
        // XML cannot carry these: they are written the way spreadsheet programs write them.
        {"bell\x07"
         "end",
         "bell_x0007_end"},
        {"cr\rlf", "cr_x000D_lf"},
    };
    const std::string path = dir.file("texts.xlsx");
    {
        XlsxWriter book(path, dir.path().string());
        book.addSheet("Units");
        for (const auto& [written, read] : cases) {
            book.text(0, written);
            book.nextRow();
        }
        std::string error;
        ASSERT_TRUE(book.close(error)) << error;
    }
    std::vector<Sheet> sheets;
    ASSERT_EQ(ReadXlsx(path, sheets, 100).problem, XlsxProblem::None);
    ASSERT_EQ(sheets[0].rowCount(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(sheets[0].cell(i, 0), cases[i].second);
    }
}

// What a spreadsheet program checks before it shows a sheet, and our own reader does not: every part
// well-formed and its content type declared. The sheets' temporary files are gone.
TEST(Xlsx, WritesAPackageOfWellFormedDeclaredParts)
{
    test::TempDir dir;
    const std::string path = dir.file("out.xlsx");
    {
        XlsxWriter book(path, dir.path().string());
        book.addSheet("Units");
        book.text(0, "ID");
        book.addSheet("Users");
        book.number(0, 7);
        std::string error;
        ASSERT_TRUE(book.close(error)) << error;
    }
    int code = 0;
    zip_t* zip = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    ASSERT_NE(zip, nullptr) << code;
    std::map<std::string, std::string> parts;
    for (zip_uint64_t i = 0; i < static_cast<zip_uint64_t>(zip_get_num_entries(zip, 0)); ++i) {
        zip_stat_t st;
        ASSERT_EQ(zip_stat_index(zip, i, 0, &st), 0);
        std::string text(st.size, '\0');
        zip_file_t* file = zip_fopen_index(zip, i, 0);
        EXPECT_EQ(zip_fread(file, text.data(), st.size), static_cast<zip_int64_t>(st.size));
        zip_fclose(file);
        parts[st.name] = text;
    }
    zip_discard(zip);
    const std::string types = parts["[Content_Types].xml"];
    for (const auto& [name, text] : parts) {
        SCOPED_TRACE(name);
        XML_Parser parser = XML_ParserCreate(nullptr);
        EXPECT_EQ(XML_Parse(parser, text.data(), static_cast<int>(text.size()), 1), XML_STATUS_OK)
            << XML_ErrorString(XML_GetErrorCode(parser));
        XML_ParserFree(parser);
        if (name.ends_with(".xml") && name != "[Content_Types].xml") {
            EXPECT_NE(types.find("PartName=\"/" + name + "\""), std::string::npos);
        }
    }
    EXPECT_EQ(parts.size(), 7u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(Xlsx, ReportsAWorkbookItCouldNotWrite)
{
    test::TempDir dir;
    const std::string path = dir.file("out.xlsx");
    std::string error;
    {
        XlsxWriter book(path, dir.file("missing"));
        book.addSheet("Units");
        book.text(0, "ID");
        EXPECT_FALSE(book.close(error));
        EXPECT_NE(error, "");
    }
    {
        XlsxWriter book(path, dir.path().string());
        book.addSheet("Units");
        book.text(0, std::string(32768, 'x')); // more than a cell holds
        EXPECT_FALSE(book.close(error));
    }
    EXPECT_FALSE(std::filesystem::exists(path));
}

} // namespace
} // namespace qar
