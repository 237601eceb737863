#include "resources/StringTable.h"

#include "TempDir.h"
#include "resources/StringIds.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace qar;

TEST(StringTable, EveryIdHasBothLanguages)
{
    std::set<int> ids;
    for (const StringEntry& e : AllStrings()) {
        SCOPED_TRACE(e.id);
        EXPECT_TRUE(ids.insert(e.id).second);
        ASSERT_NE(e.english, nullptr);
        ASSERT_NE(e.chinese, nullptr);
        EXPECT_STRNE(e.english, "");
        EXPECT_STRNE(e.chinese, "");
        // A format must take the same arguments in both languages.
        auto placeholders = [](const std::string& s) {
            std::string out;
            for (std::size_t i = 0; i + 1 < s.size(); ++i) {
                if (s[i] == '%') {
                    out += s[++i];
                }
            }
            return out;
        };
        EXPECT_EQ(placeholders(e.english), placeholders(e.chinese));
    }
}

// The other messages' wording is checked where the forms show them.
TEST(StringTable, KeepsTheSystemsOwnWordingAndNothingForAnUnknownId)
{
    EXPECT_EQ(StringUtf8(str::kOperationFailed, UiLanguage::English),
              "The oparation is not successful. Try it again please.");
    EXPECT_EQ(StringUtf8(12345, UiLanguage::English), "");
}

TEST(StringTable, LanguageFollowsTheLocaleUnlessOverridden)
{
    const struct
    {
        int lcid;
        const char* override;
        UiLanguage expected;
    } cases[] = {
        {2052, nullptr, UiLanguage::SimplifiedChinese},
        {1028, nullptr, UiLanguage::SimplifiedChinese},
        {1033, nullptr, UiLanguage::English},
        {1033, "zh_CN", UiLanguage::SimplifiedChinese},
        {2052, "en", UiLanguage::English},
        {2052, "fr", UiLanguage::SimplifiedChinese},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lcid);
        EXPECT_EQ(LanguageFor(c.lcid, c.override), c.expected);
    }
}

TEST(StringTable, AnsiTextUsesTheCodePageOfTheSystem)
{
    SetUiLanguage(UiLanguage::SimplifiedChinese);
    {
        test::ScopedLcid lcid(2052);
        // "无法打开数据库!" in GBK.
        EXPECT_EQ(LoadAnsiString(str::kUnableToOpenDb), "\xCE\xDE\xB7\xA8\xB4\xF2\xBF\xAA\xCA\xFD\xBE\xDD\xBF\xE2!");
    }
    {
        test::ScopedLcid lcid(1033);
        EXPECT_EQ(LoadAnsiString(str::kUnableToOpenDb), StringUtf8(str::kUnableToOpenDb));
    }
    SetUiLanguage(UiLanguage::English);
}
