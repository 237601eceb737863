#include "resources/StringTable.h"

#include "platform/Locale.h"
#include "resources/StringIds.h"

#include <unicode/ucnv.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace qar
{

namespace
{

using namespace str;

// Texts are kept exactly as the platform has always shown them, spelling included: administrators
// and the server's own documentation quote them. One file of entries per subsystem, so that work on
// one never touches the lines of another; the entries are ordered by id here, at compile time.
constexpr StringEntry kEntries[] = {
#include "resources/strings/catalog.inc"
#include "resources/strings/database.inc"
#include "resources/strings/groups.inc"
#include "resources/strings/intake.inc"
#include "resources/strings/org.inc"
#include "resources/strings/shell.inc"
#include "resources/strings/users.inc"
};

constexpr auto kStrings = [] {
    std::array<StringEntry, std::size(kEntries)> sorted{};
    std::copy(std::begin(kEntries), std::end(kEntries), sorted.begin());
    std::sort(sorted.begin(), sorted.end(), [](const StringEntry& a, const StringEntry& b) { return a.id < b.id; });
    return sorted;
}();

constexpr bool idsAreUnique()
{
    for (std::size_t i = 1; i < std::size(kStrings); ++i) {
        if (kStrings[i - 1].id >= kStrings[i].id) {
            return false;
        }
    }
    return true;
}
static_assert(idsAreUnique(), "two string table entries share an id");

UiLanguage initialLanguage()
{
    return LanguageFor(LocaleEnvironment::FromProcess());
}

std::atomic<int>& languageSlot()
{
    static std::atomic<int> slot{static_cast<int>(initialLanguage())};
    return slot;
}

} // namespace

std::span<const StringEntry> AllStrings()
{
    return kStrings;
}

const StringEntry* FindString(int id)
{
    const auto* it = std::lower_bound(std::begin(kStrings), std::end(kStrings), id,
                                      [](const StringEntry& e, int v) { return e.id < v; });
    if (it == std::end(kStrings) || it->id != id) {
        return nullptr;
    }
    return it;
}

UiLanguage LanguageFor(const LocaleEnvironment& env)
{
    if (env.qarLang == "en") {
        return UiLanguage::English;
    }
    if (env.qarLang == "zh_CN") {
        return UiLanguage::SimplifiedChinese;
    }
    // Traditional Chinese gets the Simplified set too: the tool has no third language.
    if (const int forced = env.forcedLcid()) {
        return forced == kLcidSimplifiedChinese || forced == kLcidTraditionalChinese ? UiLanguage::SimplifiedChinese
                                                                                     : UiLanguage::English;
    }
    for (const std::string* name : {&env.lcAll, &env.lcMessages, &env.lang}) {
        if (name->empty()) {
            continue;
        }
        for (const char* chinese : {"zh_CN", "zh_SG", "zh_TW", "zh_HK", "zh_MO"}) {
            if (name->compare(0, 5, chinese) == 0 && (name->size() == 5 || (*name)[5] == '.' || (*name)[5] == '@')) {
                return UiLanguage::SimplifiedChinese;
            }
        }
        return UiLanguage::English;
    }
    return UiLanguage::English;
}

UiLanguage CurrentUiLanguage()
{
    return static_cast<UiLanguage>(languageSlot().load());
}

void SetUiLanguage(UiLanguage language)
{
    languageSlot().store(static_cast<int>(language));
}

std::string_view StringUtf8(int id, UiLanguage language)
{
    const StringEntry* e = FindString(id);
    if (e == nullptr) {
        return {};
    }
    return language == UiLanguage::English ? e->english : e->chinese;
}

std::string_view StringUtf8(int id)
{
    return StringUtf8(id, CurrentUiLanguage());
}

std::string LoadAnsiString(int id)
{
    const std::string_view utf8 = StringUtf8(id);
    const CodePage cp = GetAnsiCodePage();
    if (cp == CodePage::Utf8 || utf8.empty()) {
        return std::string(utf8);
    }
    // A double-byte code page never needs more bytes than UTF-8 for the same characters.
    std::vector<char> out(utf8.size() * 2 + 4);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n = ucnv_convert(IcuConverterName(cp), "UTF-8", out.data(), static_cast<int32_t>(out.size()),
                                   utf8.data(), static_cast<int32_t>(utf8.size()), &status);
    if (U_FAILURE(status)) {
        return std::string(utf8);
    }
    return std::string(out.data(), static_cast<std::size_t>(n));
}

} // namespace qar
