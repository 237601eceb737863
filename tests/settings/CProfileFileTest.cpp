#include "settings/CProfileFile.h"

#include "TempDir.h"
#include "platform/Locale.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

using qar::CProfileFile;
using qar::Exchange;
using qar::test::readFile;
using qar::test::TempDir;
using qar::test::writeFile;
using namespace std::string_literals;

namespace
{

struct WriteCase
{
    const char* name;
    std::string before;
    std::string section;
    std::string key;
    std::string value;
    std::string after;
};

class ProfileWrite : public testing::TestWithParam<WriteCase>
{};

// Each write must change exactly the bytes it has to and keep the file's own line ends, comments and
// blank lines, since the server and people edit the same files.
TEST_P(ProfileWrite, ChangesOnlyTheKeyItWrites)
{
    const WriteCase& c = GetParam();
    TempDir dir;
    std::string path = writeFile(dir.file("DB.dat"), c.before);
    CProfileFile(path).WriteString(c.key, c.value, c.section);
    EXPECT_EQ(readFile(path), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    CProfileFile, ProfileWrite,
    testing::Values(
        WriteCase{"ReplaceCrLf", "; db\r\n[ODBC]\r\nDSN = old  \r\nUID=sa\r\n\r\n[X]\r\n", "ODBC", "dsn", "new",
                  "; db\r\n[ODBC]\r\nDSN = new  \r\nUID=sa\r\n\r\n[X]\r\n"},
        WriteCase{"ReplaceLf", "[ODBC]\nDSN=old\n", "odbc", "DSN", "x", "[ODBC]\nDSN=x\n"},
        WriteCase{"ReplaceEmptyValue", "[A]\nk=\nj=1\n", "A", "k", "v", "[A]\nk=v\nj=1\n"},
        WriteCase{"AppendAfterLastNonBlankLine", "[A]\r\nk=1\r\n; note\r\n\r\n\r\n[B]\r\nk=2\r\n", "A", "n", "3",
                  "[A]\r\nk=1\r\n; note\r\nn=3\r\n\r\n\r\n[B]\r\nk=2\r\n"},
        WriteCase{"AppendToEmptySection", "[A]\n\n[B]\n", "A", "k", "v", "[A]\nk=v\n\n[B]\n"},
        WriteCase{"AppendToLastLineWithoutEol", "[A]\nk=1", "A", "n", "2", "[A]\nk=1\nn=2\n"},
        WriteCase{"NewSectionAtEnd", "[A]\r\nk=1\r\n\r\n", "B", "n", "2", "[A]\r\nk=1\r\n\r\n[B]\r\nn=2\r\n"},
        WriteCase{"NewSectionAfterMissingEol", "[A]\nk=1", "B", "n", "2", "[A]\nk=1\n[B]\nn=2\n"},
        WriteCase{"NewFileUsesCrLf", "", "Info", "MySQL_Port", "4397", "[Info]\r\nMySQL_Port=4397\r\n"},
        WriteCase{"FirstOfDuplicateSectionsAndKeys", "[A]\nk=1\nk=2\n[a]\nk=3\n", "A", "K", "9",
                  "[A]\nk=9\nk=2\n[a]\nk=3\n"},
        WriteCase{"KeyInOtherSectionUntouched", "[A]\nk=1\n[B]\nj=2\n", "B", "k", "5", "[A]\nk=1\n[B]\nj=2\nk=5\n"},
        WriteCase{"TrimsPassedNames", "[A]\nk=1\n", " A ", " k ", "2", "[A]\nk=2\n"},
        WriteCase{"BlanksInsideBrackets", "[ ODBC ]\r\nUID=sa\r\n", "ODBC", "DSN", "x",
                  "[ ODBC ]\r\nUID=sa\r\nDSN=x\r\n"},
        WriteCase{"LoneCrEndsLines", "[S]\rk=v\r", "S", "n", "1", "[S]\rk=v\rn=1\r"}),
    [](const testing::TestParamInfo<WriteCase>& p) { return std::string(p.param.name); });

TEST(CProfileFile, ReadsValuesAsTheSystemDoes)
{
    TempDir dir;
    std::string path = writeFile(dir.file("a.dat"), "k0=top\r\n"
                                                    "  [Info] ; x\r\n"
                                                    "  Name  =  two words  \r\n"
                                                    "q1=\"quoted\"\r\n"
                                                    "q2='half\r\n"
                                                    "empty=\r\n"
                                                    "noequals\r\n"
                                                    "nul=ab\0cd\r\n"s
                                                    "[Other]\r\n"
                                                    "k0=other\r\n");
    CProfileFile f(path, "INFO");
    EXPECT_EQ(f.GetString("name"), "two words");
    EXPECT_EQ(f.GetString("q1"), "quoted");
    EXPECT_EQ(f.GetString("q2"), "'half");
    EXPECT_EQ(f.GetString("empty", "def"), "");
    EXPECT_EQ(f.GetString("noequals", "def"), "def");
    EXPECT_EQ(f.GetString("nul"), "ab");
    EXPECT_EQ(f.GetString("k0", "none"), "none"); // keys before the first section belong to none
    EXPECT_EQ(f.GetString("missing", "d  "), "d");
    EXPECT_EQ(f.LastValue(), "d");

    EXPECT_EQ(CProfileFile(writeFile(dir.file("b.dat"), "[\t ODBC ]\nDSN=QAR\n"), "ODBC").GetString("DSN"), "QAR");
    EXPECT_EQ(CProfileFile(writeFile(dir.file("c.dat"), "[S]\rk=v\r"), "S").GetString("k"), "v");
}

// A byte-order mark an editor left in front of the first section is not part of its name.
TEST(CProfileFile, GetIntReadsLeadingDigitsAndDefaultsOnlyWhenMissing)
{
    TempDir dir;
    std::string path = writeFile(dir.file("a.dat"), "\xEF\xBB\xBF[S]\nempty=\nmixed= -12abc\n");
    CProfileFile f(path, "S");
    EXPECT_EQ(f.GetInt("missing", 4397), 4397);
    EXPECT_EQ(f.GetInt("empty", 4397), 0);
    EXPECT_EQ(f.GetInt("mixed", 1), -12); // read as the C library reads it (the text utilities' tests)
    EXPECT_EQ(f.GetInt("missing", -3, "Nowhere"), -3);
}

// Reads are cut at 255 bytes. Under GBK the cut never splits a character, and a trail byte that looks
// like a letter is not case-folded (0x81 0x41 and 0x81 0x61 are two characters).
TEST(CProfileFile, ReadsAreCutAt255BytesAndDoubleByteCharactersStayWhole)
{
    qar::test::ScopedLcid gbk(qar::kLcidSimplifiedChinese);
    TempDir dir;
    std::string longValue(300, 'x');
    longValue[254] = 'y';
    std::string path = writeFile(dir.file("a.dat"), "[S]\nlong=" + longValue + "\nk=" + std::string(254, 'a') +
                                                        "\xD6\xD0" + "b\n\x81\x41=upper\n\x81\x61=lower\n");
    CProfileFile f(path, "S");
    EXPECT_EQ(f.GetString("long"), longValue.substr(0, 255));
    EXPECT_EQ(f.GetString("missing", longValue), longValue.substr(0, 255));
    EXPECT_EQ(f.GetString("k"), std::string(254, 'a'));
    EXPECT_EQ(f.GetString("\x81\x61"), "lower");
}

TEST(CProfileFile, PassedSectionStaysCurrent)
{
    TempDir dir;
    std::string path = writeFile(dir.file("a.dat"), "[A]\nk=a\n[B]\nk=b\n");
    CProfileFile f(path, "A");
    EXPECT_EQ(f.GetString("k"), "a");
    EXPECT_EQ(f.GetString("k", "", "B"), "b");
    EXPECT_EQ(f.GetString("k"), "b");
    f.WriteString("n", "1", "A");
    EXPECT_EQ(f.Section(), "A");
    f.SetSection("B");
    EXPECT_EQ(f.GetString("n", "none"), "none");
}

TEST(CProfileFile, TwoObjectsOnOneFileSeeEachOthersWrites)
{
    TempDir dir;
    std::string path = dir.file("EnvInfo.dat");
    CProfileFile writer(path, "EnvInfo");
    CProfileFile reader(path, "EnvInfo");
    EXPECT_EQ(reader.GetString("m_sCorporationName", "none"), "none");
    writer.WriteString("m_sCorporationName", "Acme");
    EXPECT_EQ(reader.GetString("m_sCorporationName"), "Acme");
    reader.WriteInt("m_nMaxUDiskMem_MB", -25);
    EXPECT_EQ(writer.GetInt("m_nMaxUDiskMem_MB", 0), -25);
    EXPECT_EQ(readFile(path), "[EnvInfo]\r\nm_sCorporationName=Acme\r\nm_nMaxUDiskMem_MB=-25\r\n");
}

TEST(CProfileFile, WriteIntoMissingFolderFailsSilently)
{
    TempDir dir;
    std::string path = dir.file("no/such/folder/a.dat");
    CProfileFile f(path, "S");
    f.WriteString("k", "v");
    EXPECT_FALSE(std::filesystem::exists(dir.file("no")));
    EXPECT_EQ(f.GetString("k", "def"), "def");
}

TEST(CProfileFile, WriteLeavesNoTemporaryFilesAndKeepsPermissions)
{
    TempDir dir;
    std::string path = writeFile(dir.file("a.dat"), "[S]\nk=1\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    CProfileFile(path, "S").WriteString("k", "2");
    EXPECT_EQ(readFile(path), "[S]\nk=2\n");
    EXPECT_EQ(std::filesystem::status(path).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(CProfileFile, ExchangeStringArrayUsesNumberedKeys)
{
    TempDir dir;
    std::string path = dir.file("a.dat");
    CProfileFile f(path, "S");
    std::vector<std::string> names{"a", "b", "c"};
    f.ExchangeStringArray(Exchange::Write, names, 3, "Name");
    EXPECT_EQ(readFile(path), "[S]\r\nName_0=a\r\nName_1=b\r\nName_2=c\r\n");

    std::vector<std::string> read;
    f.ExchangeStringArray(Exchange::Read, read, 4, "Name", "S", "none");
    EXPECT_EQ(read, (std::vector<std::string>{"a", "b", "c", "none"}));

    std::vector<std::string> untouched{"x"};
    f.ExchangeStringArray(Exchange::Write, untouched, 0, "Other");
    f.ExchangeStringArray(Exchange::Read, untouched, 0, "Name");
    EXPECT_EQ(untouched, std::vector<std::string>{"x"});
    EXPECT_EQ(readFile(path), "[S]\r\nName_0=a\r\nName_1=b\r\nName_2=c\r\n");
}

} // namespace
