#include "platform/TextUtil.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

using namespace qar;

namespace
{

struct IpCase
{
    const char* text;
    std::uint32_t value;
};

TEST(TextUtil, ParseAndFormatDottedIPv4)
{
    const IpCase cases[] = {
        {"192.168.1.10", (192u << 24) + (168u << 16) + (1u << 8) + 10u},
        {"0.0.0.0", 0},
        {"255.255.255.255", 0xFFFFFFFFu},
        {"1.2.3.256", (1u << 24) + (2u << 16) + (4u << 8)}, // no range check: carries into the next part
        {"1.2.3", 0},
        {"1.2.3.4.5", 0},
        {".1.2.3", 0},
        {"1..2.3", 0},
        {"1.2.3.", 0},
        {"1.2.3.x", 0},
        {"1.2.+3.4", 0},
        {" 1.2.3.4", 0},
        {"", 0},
        {"1.2.3.99999999999999999999", (1u << 24) + (2u << 16) + (3u << 8) + 0x7FFFFFFFu},
    };
    for (const IpCase& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseDottedIPv4(c.text), c.value);
    }
    for (const char* text : {"192.168.1.10", "0.0.0.0", "255.255.255.255"}) {
        EXPECT_EQ(FormatDottedIPv4(ParseDottedIPv4(text)), text);
    }
}

TEST(TextUtil, IsAllDigits)
{
    EXPECT_TRUE(IsAllDigits(""));
    EXPECT_TRUE(IsAllDigits("0123456789"));
    EXPECT_FALSE(IsAllDigits("12a"));
    EXPECT_FALSE(IsAllDigits("-1"));
    EXPECT_FALSE(IsAllDigits(" 1"));
    EXPECT_FALSE(IsAllDigits("\xEF\xBC\x91")); // a full-width digit is not a decimal digit
}

struct AtoiCase
{
    const char* text;
    std::int32_t value;
};

TEST(TextUtil, AtoIReadsLikeTheCLibrary)
{
    constexpr auto max = std::numeric_limits<std::int32_t>::max();
    constexpr auto min = std::numeric_limits<std::int32_t>::min();
    const AtoiCase cases[] = {
        {"", 0},
        {"abc", 0},
        {"12abc", 12},
        {" \t\r\n\v\f42", 42},
        {"+7", 7},
        {"-7x", -7},
        {"- 7", 0},
        {"+-7", 0},
        {"2147483647", max},
        {"2147483648", max},
        {"-2147483648", min},
        {"-2147483649", min},
        {"99999999999999999999999999999999999999999", max},
        {"-00000000000000000000000000000000000000012", -12},
    };
    for (const AtoiCase& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(AtoI(c.text), c.value);
        EXPECT_EQ(AtoL(c.text), c.value);
    }
}

TEST(TextUtil, EqualsNoCaseFoldsAsciiOnly)
{
    EXPECT_TRUE(EqualsNoCase("BiG5", "big5"));
    EXPECT_FALSE(EqualsNoCase("big5", "big"));
    EXPECT_FALSE(EqualsNoCase("\xC4", "\xE4"));
}

} // namespace
