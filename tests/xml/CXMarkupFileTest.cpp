#include "xml/CXMarkupFile.h"

#include "TempDir.h"
#include "platform/Locale.h"
#include "xml/Encoding.h"

#include <gtest/gtest.h>

#include <filesystem>

using qar::CXMarkupFile;
using qar::test::readFile;
using qar::test::ScopedLcid;
using qar::test::TempDir;
using qar::test::writeFile;

namespace
{

const std::string kBig5China = "\xA4\xA4\xB0\xEA"; // traditional "middle kingdom" in Big5
const std::string kGbChina = "\xD6\xD0\xB9\xFA";   // the simplified form in GBK

} // namespace

TEST(CXMarkupFile, NewDocumentDeclaresTheSystemEncoding)
{
    const struct
    {
        int lcid;
        const char* label;
    } cases[] = {{2052, "GB2312"}, {1028, "BIG5"}, {1033, "UTF-8"}, {1041, "UTF-8"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lcid);
        ScopedLcid lcid(c.lcid);
        const CXMarkupFile doc;
        EXPECT_EQ(doc.GetEncodingLcid(), c.lcid);
        EXPECT_EQ(doc.GetDocument(),
                  std::string("<?xml version=\"1.0\" encoding=\"") + c.label + "\" standalone=\"yes\"?>\r\n");
        EXPECT_FALSE(doc.HasRootElement());
    }
}

TEST(CXMarkupFile, SaveWritesTextModeLineEndsAndReloadsToTheSameBytes)
{
    ScopedLcid gb(2052);
    TempDir dir;
    const std::string path = dir.file("apps.xml");
    CXMarkupFile doc;
    ASSERT_TRUE(doc.AddElement("QAR_APPS"));
    ASSERT_TRUE(doc.AddChildElement("A"));
    ASSERT_TRUE(doc.EnterElement());
    ASSERT_TRUE(doc.SetAttribute("ID", 7));
    ASSERT_TRUE(doc.SaveFile(path));
    const std::string expected = "<?xml version=\"1.0\" encoding=\"GB2312\" standalone=\"yes\"?>\r\r\n"
                                 "<QAR_APPS>\r\r\n<A ID=\"7\"/>\r\r\n</QAR_APPS>\r\r\n";
    EXPECT_EQ(readFile(path), expected);

    CXMarkupFile again;
    ASSERT_TRUE(again.LoadFile(path));
    EXPECT_EQ(again.GetDocument(), doc.GetDocument());
    EXPECT_EQ(again.GetEncodingLcid(), 2052);
    ASSERT_TRUE(again.SaveFile(path));
    EXPECT_EQ(readFile(path), expected);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "temporary file left";
}

TEST(CXMarkupFile, AnyLineEndLoadsAsCrLf)
{
    TempDir dir;
    const std::string want = "<?xml version=\"1.0\"?>\r\n<R>\r\n<A/>\r\n</R>\r\n";
    for (const char* eol : {"\n", "\r\n", "\r\r\n", "\n\r"}) {
        const std::string text = std::string("<?xml version=\"1.0\"?>") + eol + "<R>" + eol + "<A/>" + eol + "</R>";
        CXMarkupFile doc;
        ASSERT_TRUE(doc.LoadFile(writeFile(dir.file("f.xml"), text)));
        // A CR alone does not end a line: it stays at the start of the next one.
        EXPECT_EQ(doc.GetDocument(),
                  eol == std::string("\n\r") ? "<?xml version=\"1.0\"?>\r\n\r<R>\r\n\r<A/>\r\n\r</R>\r\n" : want);
    }
    // Every kind in one file, and a line cut at a NUL as a C string would be.
    const std::string mixed("<?xml version=\"1.0\"?>\n<R>\r\r\n<A/>\0<B/>\r\n</R>\n", 44);
    CXMarkupFile doc;
    ASSERT_TRUE(doc.LoadFile(writeFile(dir.file("f.xml"), mixed)));
    EXPECT_EQ(doc.GetDocument(), want);
}

TEST(CXMarkupFile, EncodingIsTakenFromTheFirstLineOnly)
{
    ScopedLcid other(1033);
    TempDir dir;
    const struct
    {
        const char* text;
        int lcid;
    } cases[] = {
        {"<?xml version=\"1.0\" encoding=\"Big5\"?>\n<R/>", 1028},
        {"<?xml version=\"1.0\" ENCODING=\"GB2312\"?><R a='1'/>", 2052},
        {"<?xml version=\"1.0\" encoding=\"big5\" ?><R/>\n", 1028},
        {"<?xml version=\"1.0\" encoding='big5'?>\n<R/>", 0},
        {"<?xml version=\"1.0\" encoding = \"gb2312\"?>\n<R/>", 0},
        {"<?xml version=\"1.0\"?>\n<R encoding=\"big5\"/>", 0},
        {"encoding=\"big5\"<R/>", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        CXMarkupFile doc;
        ASSERT_TRUE(doc.LoadFile(writeFile(dir.file("f.xml"), c.text)));
        EXPECT_EQ(doc.GetEncodingLcid(), c.lcid);
        EXPECT_TRUE(doc.FindElement("R"));
    }
}

TEST(CXMarkupFile, LoadFailuresKeepWhatTheyMust)
{
    TempDir dir;
    CXMarkupFile doc;
    const std::string before = doc.GetDocument();
    EXPECT_FALSE(doc.LoadFile(dir.file("missing.xml")));
    EXPECT_EQ(doc.GetDocument(), before);
    EXPECT_EQ(doc.GetEncodingLcid(), 0);

    EXPECT_FALSE(doc.LoadFile(writeFile(dir.file("bad.xml"), "<?xml encoding=\"GB2312\"?>\n<a></b>")));
    EXPECT_EQ(doc.GetDocument(), "<?xml encoding=\"GB2312\"?>\r\n<a></b>\r\n");
    EXPECT_EQ(doc.GetError(), "End tag does not correspond to a");
    EXPECT_EQ(doc.GetEncodingLcid(), 2052);
    EXPECT_FALSE(doc.LoadFile(writeFile(dir.file("empty.xml"), "")));
}

TEST(CXMarkupFile, FailedSaveLeavesTheOldFileAlone)
{
    TempDir dir;
    const std::string path = writeFile(dir.file("keep.xml"), "old");
    CXMarkupFile empty;
    empty.SetDocument("");
    EXPECT_FALSE(empty.SaveFile(path));
    EXPECT_EQ(readFile(path), "old");

    const CXMarkupFile doc;
    EXPECT_FALSE(doc.SaveFile(dir.file("no/such/folder/x.xml")));
    std::filesystem::create_directory(dir.file("taken"));
    writeFile(dir.file("taken/inside"), "x");
    EXPECT_FALSE(doc.SaveFile(dir.file("taken")));
    EXPECT_EQ(readFile(dir.file("taken/inside")), "x");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2) << "temporary file left";
}

// A file labelled GB2312 or BIG5 reads in the system's script: Big5 and GB text are converted into each
// other, and on a UTF-8 system decoded (files from a Chinese Windows machine, lines ending in CR CR LF).
TEST(CXMarkupFile, ChineseFilesReadInTheSystemsScript)
{
    TempDir dir;
    const struct
    {
        int lcid;
        const char* label;
        std::string name, text, systemName, systemText;
    } cases[] = {
        {2052, "BIG5", kBig5China, kBig5China, kGbChina, kGbChina},
        {1028, "BIG5", kBig5China, kBig5China, kBig5China, kBig5China},
        {1028, "GB2312", kGbChina, kGbChina, kBig5China, kBig5China},
        {1033, "gb2312", "\xB2\xBF\xC3\xC5\xBE\xAD\xC0\xED", kGbChina, "部门经理", "中国"},
        // Each character's second byte is a backslash; traditional characters stay traditional.
        {1033, "BIG5", "\xB3\x5C\xA5\x5C\xBB\x5C", kBig5China, "許功蓋", "中國"},
        {1033, "UTF-8", "部门经理", "中国", "部门经理", "中国"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.label) + " file, system " + std::to_string(c.lcid));
        ScopedLcid lcid(c.lcid);
        CXMarkupFile doc;
        ASSERT_TRUE(doc.LoadFile(
            writeFile(dir.file("role.xml"), std::string("<?xml version=\"1.0\" encoding=\"") + c.label +
                                                "\" standalone=\"yes\"?>\r\r\n"
                                                "<QAR_ROLES>\r\r\n<ROLE ID=\"12\" NAME=\"" +
                                                c.name + "\">" + c.text + "</ROLE>\r\r\n</QAR_ROLES>\r\r\n")));
        ASSERT_TRUE(doc.FindElement("QAR_ROLES"));
        doc.EnterElement();
        ASSERT_TRUE(doc.FindElement("ROLE"));
        EXPECT_EQ(doc.GetAttributeForSystem("NAME"), c.systemName);
        EXPECT_EQ(doc.GetTextForSystem(), c.systemText);
        EXPECT_EQ(doc.GetAttributeInt("ID"), 12);
    }
}

TEST(Encoding, ConvertsBetweenBig5AndGb)
{
    EXPECT_EQ(qar::BigToGb("id " + kBig5China + "!"), "id " + kGbChina + "!");
    EXPECT_EQ(qar::GbToBig("id " + kGbChina + "!"), "id " + kBig5China + "!");
    EXPECT_EQ(qar::GbToBig("\xA2\xA1"), "?"); // small roman numeral one: not in Big5
    EXPECT_EQ(qar::BigToGb(""), "");
    EXPECT_EQ(qar::BigToGb("\xA4"), "?"); // a lone lead byte
}

TEST(Encoding, AnsiTextCrossesToUtf16AndBack)
{
    const std::u16string china = u"\u4E2D\u56FD";
    {
        ScopedLcid gb(2052);
        EXPECT_EQ(qar::ToUtf16(kGbChina), china);
        EXPECT_EQ(qar::FromUtf16(china), kGbChina);
        EXPECT_EQ(qar::FromUtf16(u"\uAC00"), "?"); // Hangul is not in GBK
    }
    ScopedLcid other(1033);
    EXPECT_EQ(qar::FromUtf16(china), "\xE4\xB8\xAD\xE5\x9B\xBD");
    EXPECT_EQ(qar::ToUtf16("\xE4\xB8\xAD\xE5\x9B\xBD"), china);
    EXPECT_EQ(qar::ToUtf8(kGbChina, qar::CodePage::Gbk), "\xE4\xB8\xAD\xE5\x9B\xBD");
    EXPECT_EQ(qar::FromUtf8("\xE4\xB8\xAD\xE5\x9B\xBD", qar::CodePage::Big5), "\xA4\xA4?");
}
