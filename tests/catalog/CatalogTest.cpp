#include "TempDir.h"
#include "catalog/AppCatalog.h"
#include "catalog/MsgTypeCatalog.h"
#include "catalog/WebsiteCatalog.h"
#include "resources/StringIds.h"
#include "xml/Encoding.h"

#include <gtest/gtest.h>

namespace qar
{
namespace
{

std::vector<std::int32_t> appIds(const std::string& path)
{
    CAppCatalog apps(path);
    apps.load();
    std::vector<std::int32_t> ids;
    for (const AppEntry& e : apps.rows()) {
        ids.push_back(e.id);
    }
    return ids;
}

TEST(CatalogFiles, HostileFilesGiveWhatTheyHoldOrAnEmptyList)
{
    const std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
    struct Case
    {
        const char* name;
        std::string text;
        std::vector<std::int32_t> ids;
    };
    const Case cases[] = {
        {"unknown attributes and elements",
         head + "<QAR_APPS><A Z=\"1\" ID=\"7\" Q=\"x\"/><B ID=\"8\"/></QAR_APPS>",
         {7}},
        {"numbers that are not",
         head + "<QAR_APPS><A ID=\"x12\"/><A ID=\"12abc\"/><A ID=12/><A/></QAR_APPS>",
         {0, 0, 0, 12}},
        {"out of range and duplicate IDs",
         head + "<QAR_APPS><A ID=\"99999999999\"/><A ID=\"-4\"/><A ID=\"5\"/>"
                "<A ID=\"5\"/></QAR_APPS>",
         {-4, 2147483647, 5, 5}},
        {"broken markup", head + "<QAR_APPS><A ID=\"1\"></QAR_APPS>", {}},
        {"another root", head + "<QAR_URLS><A ID=\"1\"/></QAR_URLS>", {}},
        {"no element at all", head, {}},
        {"binary junk", std::string("\x00\xFF<\x01<<>>", 8), {}},
    };
    test::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(appIds(test::writeFile(dir.file("apps.xml"), c.text)), c.ids);
    }
    EXPECT_TRUE(appIds(dir.file("missing.xml")).empty());
}

// Which file labels convert on which system is the markup file's test; the catalogues must read their
// names through the converting getter.
TEST(CatalogFiles, TextOfTheOtherChineseScriptIsConverted)
{
    const std::string gbName = "\xB9\xFA\xBC\xD2"; // "国家" in GBK
    const std::string head = "<?xml version=\"1.0\" encoding=\"GB2312\"?>\n";
    test::TempDir dir;
    test::ScopedLcid big5(1028);
    CWebsiteCatalog sites(test::writeFile(dir.file("weburl.xml"),
                                          head + "<QAR_URLS><URL ID=\"3\" N=\"" + gbName + "\" U=\"u\"/></QAR_URLS>"));
    ASSERT_TRUE(sites.load());
    EXPECT_EQ(sites.rows().at(0).name, GbToBig(gbName));
    CMsgTypeCatalog types(test::writeFile(dir.file("jobmsg.xml"), head + "<QAR_JOBMSG><J T=\"021\" N=\"" + gbName +
                                                                      "\" M=\"1\"/></QAR_JOBMSG>"));
    ASSERT_TRUE(types.load());
    EXPECT_EQ(types.rows().at(0).name, GbToBig(gbName));
}

TEST(CMsgTypeCatalog, WritesThreeDigitNumbersAndSignedMarkCodes)
{
    test::TempDir dir;
    CMsgTypeCatalog types(dir.file("jobmsg.xml"));
    ASSERT_TRUE(types.add(MsgTypeEntry{21, "Leave", 0x80002000U}));
    ASSERT_EQ(types.add(MsgTypeEntry{7, "Notice", 4096}), 0U);
    EXPECT_EQ(test::readFile(types.path()), "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\r\n"
                                            "<QAR_JOBMSG>\r\r\n<J T=\"007\" N=\"Notice\" M=\"4096\"/>\r\r\n"
                                            "<J T=\"021\" N=\"Leave\" M=\"-2147475456\"/>\r\r\n</QAR_JOBMSG>\r\r\n");
    CMsgTypeCatalog again(types.path());
    ASSERT_TRUE(again.load());
    EXPECT_EQ(again.rows(), types.rows()); // bit 31 comes back as the same 32 bits
    ASSERT_TRUE(again.replace(1, MsgTypeEntry{99, "Leave request", 1}));
    EXPECT_EQ(again.rows()[1], (MsgTypeEntry{21, "Leave request", 1}));
}

TEST(MsgTypeFormModel, OffersTheFreeNumbersAndPreselectsAnExtension)
{
    struct Case
    {
        const char* name;
        std::vector<std::pair<int, int>> used; // inclusive ranges
        int preselected;                       // the number, 0 for none
    };
    const Case cases[] = {
        {"1 to 20 and 22 used", {{1, 20}, {22, 22}}, 21},
        {"1 to 5 and every extension used", {{1, 5}, {21, 240}}, 20},
        {"none used", {}, 21},
        {"all used", {{1, 240}}, 0},
    };
    test::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string text = "<QAR_JOBMSG>";
        for (const auto& [from, to] : c.used) {
            for (int n = from; n <= to; ++n) {
                text += "<J T=\"" + FormatNumber(n, 3) + "\" N=\"x\" M=\"0\"/>";
            }
        }
        CMsgTypeCatalog types(test::writeFile(dir.file("jobmsg.xml"), text + "</QAR_JOBMSG>"));
        types.load();
        const MsgTypeFormModel model(types.freeNumbers(), true);
        const MsgTypeForm form = model.initialForm({0, "Name", 0});
        EXPECT_EQ(form.numberIndex < 0 ? 0 : model.numbers()[static_cast<std::size_t>(form.numberIndex)],
                  c.preselected);
        if (c.preselected == 0) {
            EXPECT_EQ(std::get<0>(model.validate(form)).messageId, str::kInvalidId);
        }
    }
}

TEST(MsgTypeFormModel, BoxesFollowAndSetTheirBits)
{
    struct Step
    {
        const char* typed; // the mark code field before the click
        MarkBox box;
        bool ticked; // the box's new state
        const char* shown;
        bool ignoreSame, needReplay;
        bool refused;
    };
    const Step steps[] = {
        {"0", MarkBox::IgnoreSame, true, "4096", true, false, false},
        {"4096", MarkBox::NeedReplay, true, "12288", true, true, false},
        {"12288", MarkBox::IgnoreSame, false, "8192", false, true, false},
        {"", MarkBox::NeedReplay, true, "8192", false, true, false},
        {"4294967295", MarkBox::IgnoreSame, false, "4294963199", false, true, false},
        {"12a", MarkBox::IgnoreSame, true, "12a", false, false, true},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.typed);
        MsgTypeForm form;
        form.markText = s.typed;
        (s.box == MarkBox::IgnoreSame ? form.ignoreSame : form.needReplay) = s.ticked;
        EXPECT_EQ(MsgTypeFormModel::boxClicked(form, s.box).has_value(), s.refused);
        EXPECT_EQ(form.markText, s.shown);
        EXPECT_EQ(form.ignoreSame, s.ignoreSame);
        EXPECT_EQ(form.needReplay, s.needReplay);
    }
    const MsgTypeFormModel model({21}, false);
    const MsgTypeForm typed4096 = model.initialForm({21, "n", 4096});
    EXPECT_TRUE(typed4096.ignoreSame && !typed4096.needReplay);
    for (const auto& [mark, accepted] : {std::pair{"4294967295", true}, {"4294967296", false}, {"-1", false}}) {
        SCOPED_TRACE(mark);
        EXPECT_EQ(std::holds_alternative<MsgTypeEntry>(model.validate({0, "n", mark})), accepted);
    }
    EXPECT_EQ(std::get<0>(model.validate({0, "", ""})).field, MsgTypeField::Name);
    EXPECT_EQ(std::get<0>(model.validate({0, "n", ""})).field, MsgTypeField::Mark);
}

TEST(WebsiteFormModel, ProposesTheNextIdAndChecksInOrder)
{
    EXPECT_EQ(WebsiteFormModel(true, {}).proposedId(), 1);
    const WebsiteFormModel model(true, {7, 3});
    EXPECT_EQ(model.initialForm({}).idText, "8");
    struct Case
    {
        WebsiteForm form;
        int messageId;
        WebsiteField field;
    };
    const Case cases[] = {
        {{"65535", "n", "u"}, 0, WebsiteField::None},
        {{"65536", "", ""}, str::kEnterIntegerRange, WebsiteField::Id},
        {{"0", "n", "u"}, str::kEnterIntegerRange, WebsiteField::Id},
        {{"7", "", ""}, str::kIdMustBeUnique, WebsiteField::Id},
        {{"8", "", "u"}, str::kInputCantBeNull, WebsiteField::Name},
        {{"8", "n", ""}, str::kInputCantBeNull, WebsiteField::Url},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.form.idText + "/" + c.form.name);
        const auto result = model.validate(c.form);
        if (c.messageId == 0) {
            EXPECT_TRUE(std::holds_alternative<WebsiteEntry>(result));
        } else {
            EXPECT_EQ(std::get<0>(result).messageId, c.messageId);
            EXPECT_EQ(std::get<0>(result).field, c.field);
        }
    }
}

TEST(LooksLikeIcon, TakesIconDirectoriesWhoseImagesLieInTheFile)
{
    // One 32 x 32 entry whose bitmap header starts at byte 22.
    const auto icon = [](std::uint32_t declared, std::uint32_t offset, std::size_t size, std::uint16_t type = 1) {
        std::string b(size, '\0');
        const auto put = [&b](std::size_t at, std::uint32_t v, int n) {
            for (int i = 0; i < n && at + i < b.size(); ++i) {
                b[at + i] = static_cast<char>(v >> (8 * i));
            }
        };
        put(2, type, 2), put(4, 1, 2), put(6, 32, 1), put(7, 32, 1), put(14, declared, 4), put(18, offset, 4);
        put(22, 40, 4), put(26, 32, 4), put(30, 64, 4), put(34, 1, 2), put(36, 32, 2);
        return b;
    };
    EXPECT_TRUE(LooksLikeIcon(icon(4264, 22, 4286)));
    EXPECT_TRUE(LooksLikeIcon(std::string(icon(20, 22, 42)).replace(22, 8, "\x89PNG\r\n\x1a\n")));
    EXPECT_FALSE(LooksLikeIcon(icon(4264, 22, 4286, 2))) << "a cursor";
    EXPECT_FALSE(LooksLikeIcon(icon(4265, 22, 4286))) << "image beyond the end";
    EXPECT_FALSE(LooksLikeIcon(icon(4264, 10, 4286))) << "image inside the directory";
    EXPECT_FALSE(LooksLikeIcon(icon(4264, 22, 4286).replace(22, 4, "\x10\0\0\0", 4))) << "no bitmap header";
    EXPECT_FALSE(LooksLikeIcon(icon(4264, 22, 4286).substr(0, 21))) << "cut in the directory";
    EXPECT_FALSE(LooksLikeIcon("GIF89a........................................"));
    EXPECT_FALSE(LooksLikeIcon({}));
}

} // namespace
} // namespace qar
