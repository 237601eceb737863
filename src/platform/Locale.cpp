#include "platform/Locale.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace qar
{
namespace
{

constexpr int kUnset = -1;
std::atomic<int> g_lcid{kUnset};
// The lead-byte test runs for every byte the XML engine scans, so the active code page is cached.
std::atomic<bool> g_multibyte{false};

int lcidFromEnvironment()
{
    if (const char* forced = std::getenv("QAR_LCID"); forced && *forced) {
        return std::atoi(forced);
    }
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(var);
        if (value && *value) {
            return LcidFromLocaleName(value);
        }
    }
    return kLcidEnglish;
}

} // namespace

int LcidFromLocaleName(const char* name)
{
    if (!name) {
        return kLcidEnglish;
    }
    for (const char* prefix : {"zh_CN", "zh_SG"}) {
        if (std::strncmp(name, prefix, 5) == 0) {
            return kLcidSimplifiedChinese;
        }
    }
    for (const char* prefix : {"zh_TW", "zh_HK", "zh_MO"}) {
        if (std::strncmp(name, prefix, 5) == 0) {
            return kLcidTraditionalChinese;
        }
    }
    return kLcidEnglish;
}

int GetSystemDefaultLCID()
{
    int lcid = g_lcid.load(std::memory_order_relaxed);
    if (lcid == kUnset) {
        SetSystemDefaultLCID(lcidFromEnvironment());
        lcid = g_lcid.load(std::memory_order_relaxed);
    }
    return lcid;
}

void SetSystemDefaultLCID(int lcid)
{
    const bool multibyte = CodePageForLcid(lcid) != CodePage::Utf8;
    g_multibyte.store(multibyte, std::memory_order_relaxed);
    g_lcid.store(lcid, std::memory_order_relaxed);
    locale_detail::g_doubleByte.store(multibyte ? 1 : 0, std::memory_order_relaxed);
}

namespace locale_detail
{
std::atomic<int> g_doubleByte{-1};

bool readDoubleByte()
{
    GetSystemDefaultLCID();
    return g_multibyte.load(std::memory_order_relaxed);
}
} // namespace locale_detail

CodePage CodePageForLcid(int lcid)
{
    switch (lcid) {
    case kLcidSimplifiedChinese:
        return CodePage::Gbk;
    case kLcidTraditionalChinese:
        return CodePage::Big5;
    default:
        return CodePage::Utf8;
    }
}

CodePage GetAnsiCodePage()
{
    return CodePageForLcid(GetSystemDefaultLCID());
}

const char* IcuConverterName(CodePage cp)
{
    switch (cp) {
    case CodePage::Gbk:
        return "windows-936";
    case CodePage::Big5:
        return "windows-950";
    case CodePage::Utf8:
        break;
    }
    return "UTF-8";
}

bool IsLeadByte(unsigned char c)
{
    if (g_lcid.load(std::memory_order_relaxed) == kUnset) {
        GetSystemDefaultLCID();
    }
    // GBK and Big5 (as Windows code pages 936 and 950) both open a double-byte character with 0x81-0xFE.
    return g_multibyte.load(std::memory_order_relaxed) && c >= 0x81 && c <= 0xFE;
}

} // namespace qar
