#include "TempDir.h"
#include "groups/GroupAttributes.h"
#include "groups/GroupForm.h"
#include "platform/TextUtil.h"
#include "resources/StringIds.h"

#include <gtest/gtest.h>

#include <tuple>
#include <variant>

namespace qar
{
namespace
{

using test::ScopedEnv;
using test::TempDir;
using test::writeFile;

constexpr std::uint32_t bit(int n)
{
    return std::uint32_t{1} << n;
}

std::uint32_t afterClicks(std::uint32_t start, std::initializer_list<std::pair<int, bool>> clicks)
{
    GroupAttributeForm form(start);
    for (const auto& [box, on] : clicks) {
        form.click(box, on);
    }
    return form.value();
}

TEST(GroupAttributes, BoxesFollowTheirParentsAndOtherBitsPassThrough)
{
    constexpr int kExtend = 0;
    constexpr int kEa = 6;
    const std::uint32_t eaFamily = bit(2) | bit(20) | bit(21) | bit(22);
    const std::uint32_t extendFamily = bit(1) | bit(10) | bit(11) | bit(12) | bit(13) | bit(14);
    struct Case
    {
        const char* what;
        std::uint32_t start;
        std::initializer_list<std::pair<int, bool>> clicks;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {"ticking EA Options ticks its three children", 0, {{kEa, true}}, eaFamily},
        {"bit 16 has no box and is kept", bit(16) | bit(3), {{10, false}}, bit(16)},
        {"a child set under a clear parent stays as ticked", 1024, {}, 1024},
        {"clearing the extension parent clears its children", extendFamily | bit(3), {{kExtend, false}}, bit(3)},
        {"a disabled child cannot be clicked", 0, {{1, true}}, 0},
        {"an unticked child of a ticked parent", eaFamily, {{8, false}}, eaFamily & ~bit(21)},
        {"the new-group value round-trips", kNewGroupAttributes, {}, kNewGroupAttributes},
        {"bit 31 survives", bit(31), {{kEa, true}}, bit(31) | eaFamily},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(afterClicks(c.start, c.clicks), c.expected);
    }
}

GroupFields fields(const char* number, const char* name = "Acme", const char* url = "http://acme",
                   const char* members = "0")
{
    GroupFields f;
    f.numberText = number;
    f.name = name;
    f.homePage = url;
    f.membersText = members;
    return f;
}

TEST(GroupForm, ChecksOkInItsOrder)
{
    const GroupFormSetup editing3{{0, 3, 5}, 3};
    const GroupFormSetup adding{{0, 3, 5}, std::nullopt};
    struct Case
    {
        const char* what;
        GroupFormSetup setup;
        GroupFields fields;
        int message;
        GroupField field;
    };
    const Case cases[] = {
        {"renumbered onto an existing group", editing3, fields("5"), str::kEnterpriseCodeExists, GroupField::Number},
        {"keeping its own number", editing3, fields("3"), 0, GroupField::None},
        {"adding an existing number", adding, fields("3"), str::kEnterpriseCodeExists, GroupField::Number},
        {"the number comes before the name", adding, fields("0", ""), str::kEnterpriseCodeExists, GroupField::Number},
        {"empty name", adding, fields("6", ""), str::kInputCantBeNull, GroupField::Name},
        {"empty home page", adding, fields("6", "Acme", ""), str::kInputCantBeNull, GroupField::HomePage},
        {"members at the limit", adding, fields("6", "A", "u", "65000"), 0, GroupField::None},
        {"members past the limit", adding, fields("6", "A", "u", "65001"), str::kEnterIntegerRange,
         GroupField::Members},
        {"range before uniqueness", adding, fields("3", "A", "u", "-1"), str::kEnterIntegerRange, GroupField::Members},
        {"a number that is no number", adding, fields("1a"), str::kEnterInteger, GroupField::Number},
        {"a number past 32 bits", adding, fields("2147483648"), str::kEnterInteger, GroupField::Number},
        {"blanks around the number", adding, fields(" 7 "), 0, GroupField::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto result = ValidateGroupForm(c.setup, c.fields);
        if (c.message == 0) {
            EXPECT_TRUE(std::holds_alternative<GroupRecord>(result));
            continue;
        }
        ASSERT_TRUE(std::holds_alternative<GroupFormError>(result));
        EXPECT_EQ(std::get<GroupFormError>(result).messageId, c.message);
        EXPECT_EQ(std::get<GroupFormError>(result).field, c.field);
    }
}

// The address parser's own cases are the text utilities' tests; here both fields must go through it.
TEST(GroupForm, AddressTextsAreStoredAsNumbersAndComparedAsShown)
{
    GroupFields f = fields("1");
    f.ftpIpText = "192.168.1.20";
    f.cwaIpText = "10.0.0.256"; // parts are not checked against 255
    const auto g = std::get<GroupRecord>(AcceptGroupFields(f));
    EXPECT_EQ(g.ftpIp, 0xC0A80114u);
    EXPECT_EQ(g.cwaIp, ParseDottedIPv4("10.0.1.0"));
    // An edit compares the addresses as the editor shows them.
    GroupRecord stored{3, "A", "u", 0x0A000100u, 0, 0, 0};
    GroupRecord edited = stored;
    EXPECT_TRUE(GroupUnchanged(stored, edited));
    edited.cwaIp = 1;
    EXPECT_FALSE(GroupUnchanged(stored, edited));
}

TEST(GroupForm, ProposalsAndDefaults)
{
    EXPECT_EQ(ProposeGroupNumber({0, 1, 5}), 6);
    EXPECT_EQ(ProposeGroupNumber({}), 0);
    EXPECT_EQ(ProposeGroupNumber({-4}), 0);
    EXPECT_EQ(ProposeGroupNumber({2147483647}), 2147483647);
    // 365 days on, across a leap day.
    const auto defaults = DefaultGroupProperties("Acme", "http://acme", 250, 2024, 2, 1);
    EXPECT_EQ(defaults.at("SV-START"), "2024-2-1");
    EXPECT_EQ(defaults.at("SV-END"), "2025-1-31");
    EXPECT_EQ(defaults.at("NUMS"), "250");
}

TEST(GroupForm, DetailRowNeedsTheServerAndSp)
{
    TempDir dir;
    ScopedEnv programDir("QAR_PROGRAM_DIR", dir.path().c_str());
    const std::string flags = dir.file("UserData/setting/SvrFlag.dat");
    writeFile(flags, "[SvrFlag]\r\nSP=2\r\n");
    EXPECT_EQ(ReadGroupDetailFlag(), 0); // no RXServer.exe beside the program
    writeFile(dir.file("RXServer.exe"), "");
    EXPECT_EQ(ReadGroupDetailFlag(), 2);
    writeFile(flags, "[SvrFlag]\r\nSP=0\r\n");
    EXPECT_EQ(ReadGroupDetailFlag(), 0);
    std::filesystem::remove(flags);
    EXPECT_EQ(ReadGroupDetailFlag(), 0);
}

// After another program changed the group, the fields the administrator changed keep what was typed and
// every other field shows the group as it is stored now.
TEST(GroupForm, AGroupChangedMeanwhileKeepsWhatWasTypedAndTakesTheRest)
{
    const GroupFields loaded = FieldsOf({2, "Two", "http://2", 0, 0, 5, 7});
    GroupFields typed = loaded;
    typed.name = "Mine";
    typed.attributes = 9;
    const GroupFields merged = MergeStoredGroup(loaded, typed, FieldsOf({2, "Theirs", "http://theirs", 1, 0, 6, 8}));
    EXPECT_EQ(std::tie(merged.name, merged.homePage, merged.membersText, merged.attributes, merged.ftpIpText),
              std::make_tuple("Mine", "http://theirs", "6", 9u, "0.0.0.1"));
}

} // namespace
} // namespace qar
