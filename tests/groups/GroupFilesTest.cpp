#include "TempDir.h"
#include "groups/GroupConfigFiles.h"
#include "groups/GroupProperties.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace qar
{
namespace
{

using test::readFile;
using test::ScopedEnv;
using test::ScopedLcid;
using test::TempDir;
using test::writeFile;

const std::string kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";

class GroupFilesTest : public ::testing::Test
{
protected:
    TempDir dir;
    ScopedEnv programDir{"QAR_PROGRAM_DIR", dir.path().c_str()};
    ScopedLcid utf8{1033};

    std::string propDef(const std::string& body)
    {
        return writeFile(dir.file("UserData/setting/PropDef.dat"),
                         kDecl + "<PRM_CONFIG>\r\n" + body + "</PRM_CONFIG>\r\n");
    }
    std::string dataFile(int group)
    {
        return dir.file("UserData/data/UGrps_Data/Groupx_" + std::to_string(group) + ".xml");
    }
};

TEST_F(GroupFilesTest, DefinitionsGiveCategoryAndPropertyRowsWithTheirEditors)
{
    propDef("<INFO CATALOG=\"Company\">"
            "<ITEM VAR=\"CORP\" PROP=\"M\" INCL=\"x\">Name</ITEM>"
            "<ITEM VAR=\"NUMS\" NAME=\"Members\" PROP=\"N\"></ITEM>"
            "<ITEM VAR=\"AREA\" NAME=\"Area\" TYPE=\"L\"><SUBITEM>North</SUBITEM><SUBITEM>South</SUBITEM></ITEM>"
            "</INFO><INFO CATALOG=\"Service\">"
            "<ITEM VAR=\"SV\" TYPE=\"DC\" NAME=\"Start\"><SUBITEM>2024-1-1</SUBITEM></ITEM>"
            "<ITEM VAR=\"OLD\" TYPE=\"D\" NAME=\"Old\"><SUBITEM>ignored</SUBITEM></ITEM>"
            "<ITEM TYPE=\"LE\">No key</ITEM>"
            "<ITEM VAR=\"RO\" TYPE=\"R\">Fixed</ITEM>"
            "<ITEM VAR=\"Q\" TYPE=\"XYZ\">Unknown letters</ITEM>"
            "</INFO>");
    const PropertyDefinitions defs = LoadPropertyDefinitions(PropertyDefinitionPath());
    struct Row
    {
        const char* category;
        const char* label;
        const char* key;
        PropertyEditor editor;
        std::size_t choices;
    };
    const Row expected[] = {
        {"Company", "", "", PropertyEditor::None, 0},     {"", "Name", "CORP", PropertyEditor::Edit, 0},
        {"", "Members", "NUMS", PropertyEditor::Edit, 0}, {"", "Area", "AREA", PropertyEditor::List, 2},
        {"Service", "", "", PropertyEditor::None, 0},     {"", "Start", "SV", PropertyEditor::Combo, 1},
        {"", "Old", "OLD", PropertyEditor::Date, 0},      {"", "No key", "", PropertyEditor::Edit, 0},
        {"", "Fixed", "RO", PropertyEditor::None, 0},     {"", "Unknown letters", "Q", PropertyEditor::None, 0},
    };
    ASSERT_EQ(defs.rows.size(), std::size(expected));
    for (std::size_t i = 0; i < defs.rows.size(); ++i) {
        SCOPED_TRACE(i);
        const PropertyRow& r = defs.rows[i];
        EXPECT_EQ(r.category, expected[i].category);
        EXPECT_EQ(r.label, expected[i].label);
        EXPECT_EQ(r.key, expected[i].key);
        if (r.definition >= 0) {
            const PropertyDefinition& d = defs.definitions[static_cast<std::size_t>(r.definition)];
            EXPECT_EQ(EditorForType(d.type), expected[i].editor);
            EXPECT_EQ(d.choices.size(), expected[i].choices);
        }
    }
    EXPECT_EQ(defs.definitions[0].incl, "x");
    EXPECT_EQ(defs.definitions[1].type, "E");
}

TEST_F(GroupFilesTest, HostileDefinitionFilesGiveAnEmptyOrPartialListAndNeverCrash)
{
    // Not XML, a NUL inside the text, an unclosed element.
    propDef("<INFO CATALOG=\"A\"><ITEM VAR=\"K\">x</ITEM>");
    EXPECT_TRUE(LoadPropertyDefinitions(PropertyDefinitionPath()).rows.empty());
    writeFile(dir.file("UserData/setting/PropDef.dat"), std::string("\0\0\xff<PRM", 7));
    EXPECT_TRUE(LoadPropertyDefinitions(PropertyDefinitionPath()).rows.empty());
    // The text ends at a NUL, as C strings do: inside the root nothing parses, behind it nothing is lost.
    propDef(std::string("<INFO CATALOG=\"A\"><ITEM VAR=\"K\">a") + '\0' + "b</ITEM></INFO>");
    EXPECT_TRUE(LoadPropertyDefinitions(PropertyDefinitionPath()).rows.empty());
    writeFile(dir.file("UserData/setting/PropDef.dat"),
              kDecl + "<PRM_CONFIG><INFO CATALOG=\"A\"><ITEM VAR=\"K\">a</ITEM></INFO></PRM_CONFIG>" + '\0' + "x");
    EXPECT_EQ(LoadPropertyDefinitions(PropertyDefinitionPath()).rows.size(), 2u);
    EXPECT_TRUE(LoadPropertyDefinitions(dir.file("missing.dat")).rows.empty());
}

TEST_F(GroupFilesTest, DataFileLaterDuplicateWinsAndOneEntryIsWrittenPerKey)
{
    writeFile(dataFile(5), kDecl +
                               "<QAR_GROUPX>\r\n<DAT VAR=\"CORP\">Old</DAT>\r\n<DAT VAR=\"\">lost</DAT>\r\n"
                               "<DAT VAR=\"CORP\">New &amp; better</DAT>\r\n<DAT VAR=\"EURL\"/>\r\n</QAR_GROUPX>\r\n");
    CGroupData data;
    ASSERT_TRUE(data.load(5));
    EXPECT_EQ(data.values().size(), 2u);
    EXPECT_EQ(data.get("CORP"), "New & better");
    EXPECT_EQ(data.get("EURL"), "");
    EXPECT_EQ(data.get("missing"), "");
    data.set("NUMS", "<10>");
    ASSERT_EQ(data.save(), GroupDataSave::Written);
    EXPECT_EQ(readFile(dataFile(5)), "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\r\n"
                                     "<QAR_GROUPX>\r\r\n<DAT VAR=\"CORP\">New &amp; better</DAT>\r\r\n"
                                     "<DAT VAR=\"EURL\"/>\r\r\n<DAT VAR=\"NUMS\">&lt;10&gt;</DAT>\r\r\n"
                                     "</QAR_GROUPX>\r\r\n");
    CGroupData again;
    ASSERT_TRUE(again.load(5));
    EXPECT_EQ(again.values(), data.values());
}

TEST_F(GroupFilesTest, DataFileOfGroupZeroOrAMissingFolderIsNotWritten)
{
    CGroupData zero;
    EXPECT_FALSE(zero.load(0));
    zero.set("CORP", "x");
    EXPECT_EQ(zero.save(), GroupDataSave::NothingToWrite);

    CGroupData seven;
    EXPECT_FALSE(seven.load(7)); // no folder, no file
    seven.set("CORP", "x");
    EXPECT_EQ(seven.save(), GroupDataSave::Failed);
    EXPECT_FALSE(std::filesystem::exists(dataFile(7)));

    // An empty file, or one without entries, offers the defaults.
    writeFile(dataFile(8), kDecl + "<QAR_GROUPX/>\r\n");
    CGroupData eight;
    EXPECT_FALSE(eight.load(8));
    EXPECT_EQ(eight.group(), 8);
}

TEST(PropertyDate, ReadsThreeNumbersAndChecksTheirRanges)
{
    struct Case
    {
        const char* text;
        bool valid;
        PropertyDate date;
    };
    const Case cases[] = {
        {"2010-3-7", true, {2010, 3, 7}},
        {"2010-03-07", true, {2010, 3, 7}},
        {"2010-13-1", false, {}},
        {"2010-2-31", true, {2010, 2, 31}},
        {"2010-1-32", false, {}},
        {"0-1-1", false, {}},
        {"2010-1", false, {}},
        {"", false, {}},
        {"x-1-1", false, {}},
        {"2010-1-1x", true, {2010, 1, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto d = ParsePropertyDate(c.text);
        ASSERT_EQ(d.has_value(), c.valid);
        if (d) {
            EXPECT_EQ(std::tie(d->year, d->month, d->day), std::tie(c.date.year, c.date.month, c.date.day));
        }
    }
    EXPECT_EQ(FormatPropertyDate({2010, 3, 7}), "2010-3-7");
}

class GroupConfigFilesTest : public GroupFilesTest
{
protected:
    void SetUp() override { std::filesystem::create_directories(dir.file("UserData/config/XMLs")); }
    std::string xmls(const std::string& name) { return dir.file("UserData/config/XMLs/" + name); }
    std::string parked(const std::string& name) { return dir.file("XMLs_Back/" + name); }
    static constexpr auto kAllPrivate = std::array{ConfigChoice::Private, ConfigChoice::Private, ConfigChoice::Private};
    static constexpr auto kAllPublic = std::array{ConfigChoice::Public, ConfigChoice::Public, ConfigChoice::Public};
};

TEST_F(GroupConfigFilesTest, DefaultCreatesSkeletonsAndSwitchingBackRestoresTheSameContent)
{
    const CGroupConfigFiles files(5);
    EXPECT_EQ(files.currentChoices(), kAllPublic);
    EXPECT_TRUE(files.apply(kAllPrivate).empty());
    EXPECT_EQ(readFile(xmls("5_QARs.xml")), kDecl + "<QAR_SERV></QAR_SERV>\r\n");
    EXPECT_EQ(readFile(xmls("5_AppUrls.xml")), kDecl + "<QAR_APPS></QAR_APPS>\r\n");
    EXPECT_EQ(readFile(xmls("5_MUser.xml")), kDecl + "<QAR_USERS></QAR_USERS>\r\n");
    EXPECT_EQ(files.currentChoices(), kAllPrivate);

    writeFile(xmls("5_AppUrls.xml"), "edited");
    EXPECT_TRUE(files.apply({ConfigChoice::Private, ConfigChoice::Public, ConfigChoice::Private}).empty());
    EXPECT_FALSE(std::filesystem::exists(xmls("5_AppUrls.xml")));
    EXPECT_EQ(readFile(parked("5_AppUrls.xml")), "edited");
    EXPECT_TRUE(files.apply(kAllPrivate).empty());
    EXPECT_EQ(readFile(xmls("5_AppUrls.xml")), "edited");
    EXPECT_FALSE(std::filesystem::exists(parked("5_AppUrls.xml")));

    // A parked copy beside a private file replaces it when private is chosen.
    writeFile(parked("5_QARs.xml"), "parked");
    EXPECT_TRUE(files.apply(kAllPrivate).empty());
    EXPECT_EQ(readFile(xmls("5_QARs.xml")), "parked");
}

TEST_F(GroupConfigFilesTest, PreparingAPrivateFileLeavesTheGroupOnThePublicOne)
{
    const CGroupConfigFiles files(5);
    writeFile(xmls("QARs.xml"), "public");
    const auto pub = files.resolve(0, ConfigChoice::Public);
    EXPECT_EQ(pub.path, xmls("QARs.xml"));
    EXPECT_TRUE(pub.exists);
    EXPECT_FALSE(files.resolve(1, ConfigChoice::Public).exists); // 239 for the missing public file

    const auto priv = files.resolve(0, ConfigChoice::Private);
    EXPECT_EQ(priv.path, parked("5_QARs.xml"));
    EXPECT_TRUE(priv.exists);
    EXPECT_EQ(readFile(priv.path), kDecl + "<QAR_SERV></QAR_SERV>\r\n");
    EXPECT_FALSE(files.PrivateFileExists(0));
    writeFile(priv.path, "prepared");
    EXPECT_EQ(readFile(files.resolve(0, ConfigChoice::Private).path), "prepared"); // not written over

    const CGroupConfigFiles none(0);
    EXPECT_TRUE(none.apply(kAllPrivate).empty());
    EXPECT_FALSE(none.resolve(0, ConfigChoice::Private).exists);
    EXPECT_FALSE(std::filesystem::exists(xmls("0_QARs.xml")));
    EXPECT_FALSE(std::filesystem::exists(parked("0_QARs.xml")));
}

TEST_F(GroupConfigFilesTest, AFailedMoveLeavesBothCopiesAsTheyWere)
{
    // Tests may run as root, which writes into any folder: a file stands where a folder is needed.
    const CGroupConfigFiles files(5);
    writeFile(xmls("5_QARs.xml"), "private");
    writeFile(dir.file("XMLs_Back"), "not a folder");
    EXPECT_EQ(files.apply(kAllPublic), std::vector<int>{0});
    EXPECT_EQ(readFile(xmls("5_QARs.xml")), "private");
    EXPECT_EQ(readFile(dir.file("XMLs_Back")), "not a folder");
    const auto prepared = files.resolve(1, ConfigChoice::Private);
    EXPECT_TRUE(prepared.prepareFailed);
    EXPECT_FALSE(prepared.exists);

    // Restoring into an XMLs folder that is no folder: the parked file stays, no skeleton is written.
    std::filesystem::remove(dir.file("XMLs_Back"));
    writeFile(parked("5_MUser.xml"), "parked");
    std::filesystem::remove_all(dir.file("UserData/config/XMLs"));
    writeFile(dir.file("UserData/config/XMLs"), "not a folder");
    EXPECT_EQ(files.apply({ConfigChoice::Public, ConfigChoice::Public, ConfigChoice::Private}), std::vector<int>{2});
    EXPECT_EQ(readFile(parked("5_MUser.xml")), "parked");
    EXPECT_EQ(files.currentChoices()[2], ConfigChoice::Public);
}

} // namespace
} // namespace qar
