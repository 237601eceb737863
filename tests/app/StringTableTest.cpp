#include "resources/StringTable.h"

#include "TempDir.h"
#include "platform/Locale.h"
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

// A Chinese term names one thing: 属性 only the attribute switches (of a unit or a group), 特性 only the
// group's property definitions; and no text carries a blank before its full stop.
TEST(StringTable, ChineseTermsNameOneThing)
{
    const struct
    {
        const char* term;
        const char* englishWord;
    } terms[] = {{"属性", "ttribute"}, {"特性", "rop"}};
    for (const StringEntry& e : AllStrings()) {
        SCOPED_TRACE(e.english);
        const std::string chinese = e.chinese;
        for (const auto& t : terms) {
            if (chinese.find(t.term) != std::string::npos) {
                EXPECT_NE(std::string(e.english).find(t.englishWord), std::string::npos) << chinese;
            }
        }
        EXPECT_EQ(chinese.find(" ."), std::string::npos) << chinese;
    }
}

// The character set of the locale decides the code page (and the locale id the encoding rules use), its
// language the texts; QAR_LCID forces both, QAR_LANG the texts.
TEST(StringTable, LocaleDecidesCodePageAndLanguageApart)
{
    const auto zh = UiLanguage::SimplifiedChinese;
    const auto en = UiLanguage::English;
    const struct
    {
        LocaleEnvironment env; // LC_ALL, LC_CTYPE, LC_MESSAGES, LANG, QAR_LCID, QAR_LANG
        int lcid;
        CodePage codePage;
        UiLanguage language;
    } cases[] = {
        {{"", "", "", "zh_CN.UTF-8", "", ""}, 1033, CodePage::Utf8, zh},
        {{"", "", "", "en_US.UTF-8", "", ""}, 1033, CodePage::Utf8, en},
        {{"", "", "", "C.UTF-8", "", ""}, 1033, CodePage::Utf8, en},
        {{"", "", "", "", "", ""}, 1033, CodePage::Utf8, en},
        {{"", "", "", "zh_CN.GBK", "", ""}, 2052, CodePage::Gbk, zh},
        {{"", "", "", "zh_SG.gb18030@stroke", "", ""}, 2052, CodePage::Gbk, zh},
        {{"", "", "", "zh_TW.BIG5", "", ""}, 1028, CodePage::Big5, zh},
        {{"", "", "", "zh_HK.Big5-HKSCS", "", ""}, 1028, CodePage::Big5, zh},
        {{"", "", "", "en_US.GBK", "", ""}, 2052, CodePage::Gbk, en},
        {{"en_US.UTF-8", "zh_CN.GBK", "zh_CN.GBK", "zh_CN.GBK", "", ""}, 1033, CodePage::Utf8, en},
        {{"", "zh_CN.GBK", "", "en_US.UTF-8", "", ""}, 2052, CodePage::Gbk, en},
        {{"", "", "zh_CN.GBK", "en_US.UTF-8", "", ""}, 1033, CodePage::Utf8, zh},
        {{"", "", "en_US.UTF-8", "zh_CN.GBK", "", ""}, 2052, CodePage::Gbk, en},
        {{"", "", "", "en_US.UTF-8", "2052", ""}, 2052, CodePage::Gbk, zh},
        {{"", "", "", "zh_CN.GBK", "1033", ""}, 1033, CodePage::Utf8, en},
        {{"", "", "", "zh_CN.UTF-8", "1028", "en"}, 1028, CodePage::Big5, en},
        {{"", "", "", "en_US.UTF-8", "", "zh_CN"}, 1033, CodePage::Utf8, zh},
        {{"", "", "", "zh_CN.UTF-8", "2052x", "fr"}, 1033, CodePage::Utf8, zh},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.env.lcAll + "|" + c.env.lcCtype + "|" + c.env.lcMessages + "|" + c.env.lang + "|" +
                     c.env.qarLcid + "|" + c.env.qarLang);
        EXPECT_EQ(SystemLcidFor(c.env), c.lcid);
        EXPECT_EQ(CodePageForLcid(c.lcid), c.codePage);
        EXPECT_EQ(LanguageFor(c.env), c.language);
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
