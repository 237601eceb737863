#pragma once

#include <span>
#include <string>
#include <string_view>

namespace qar
{

/// The two languages every text of the tool exists in.
enum class UiLanguage
{
    English,
    SimplifiedChinese,
};

/// One string-table entry; both texts are UTF-8.
struct StringEntry
{
    int id;
    const char* english;
    const char* chinese;
};

/// Every entry, ordered by id.
std::span<const StringEntry> AllStrings();

/// The entry of `id`, nullptr when the table has none.
const StringEntry* FindString(int id);

/// The language shown for a system default locale id and the value of QAR_LANG (may be null):
/// "en" or "zh_CN" decide; otherwise 2052 and 1028 show Simplified Chinese, anything else English.
UiLanguage LanguageFor(int lcid, const char* langOverride);

/// The language of this run: chosen once from the system locale and QAR_LANG, replaceable for tests.
UiLanguage CurrentUiLanguage();
void SetUiLanguage(UiLanguage language);

/// The UTF-8 text of `id` in `language`; empty when the id is unknown.
std::string_view StringUtf8(int id, UiLanguage language);
std::string_view StringUtf8(int id);

/// The text of `id` in the current language as bytes of the ANSI code page, for core code that
/// composes texts with database or file content. Characters the code page lacks get its substitute character.
std::string LoadAnsiString(int id);

} // namespace qar
