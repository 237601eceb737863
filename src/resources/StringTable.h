#pragma once

#include <span>
#include <string>
#include <string_view>

namespace qar
{

struct LocaleEnvironment;

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

/// The language shown under a process's locale variables: QAR_LANG "en" or "zh_CN" decides; else
/// QAR_LCID 2052 or 1028 shows Simplified Chinese and any other forced id English; else the language
/// of LC_ALL, LC_MESSAGES or LANG (the first set): Chinese of any region and character set shows
/// Simplified Chinese, anything else English. The character set plays no part.
UiLanguage LanguageFor(const LocaleEnvironment& env);

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
