#include "platform/Locale.h"

#include <atomic>
#include <charconv>
#include <cstdlib>
#include <langinfo.h>
#include <locale.h>

namespace qar
{
namespace
{

constexpr int kUnset = -1;
std::atomic<int> g_lcid{kUnset};
// The lead-byte test runs for every byte the XML engine scans, so the active code page is cached.
std::atomic<bool> g_multibyte{false};

std::string variable(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// "GB-2312", "gb2312" and "GB_2312" name the same character set.
std::string normalisedCharset(std::string_view charset)
{
    std::string out;
    for (char c : charset) {
        if (c == '-' || c == '_') {
            continue;
        }
        out += c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return out;
}

// The character set a locale name carries ("zh_CN.GBK@stroke" gives "GBK"). A name without one
// ("zh_CN", "zh_TW") has the default character set of that locale, which only the C library knows, and
// only when the locale is installed.
std::string charsetOf(std::string_view name)
{
    name = name.substr(0, name.find('@'));
    if (const std::size_t dot = name.find('.'); dot != std::string_view::npos) {
        return std::string(name.substr(dot + 1));
    }
    if (name.empty()) {
        return {};
    }
    locale_t installed = newlocale(LC_CTYPE_MASK, std::string(name).c_str(), static_cast<locale_t>(nullptr));
    if (installed == static_cast<locale_t>(nullptr)) {
        return {};
    }
    std::string charset = nl_langinfo_l(CODESET, installed);
    freelocale(installed);
    return charset;
}

} // namespace

LocaleEnvironment LocaleEnvironment::FromProcess()
{
    return {variable("LC_ALL"), variable("LC_CTYPE"), variable("LC_MESSAGES"),
            variable("LANG"),   variable("QAR_LCID"), variable("QAR_LANG")};
}

int LocaleEnvironment::forcedLcid() const
{
    int lcid = 0;
    const auto [end, error] = std::from_chars(qarLcid.data(), qarLcid.data() + qarLcid.size(), lcid);
    return error == std::errc() && end == qarLcid.data() + qarLcid.size() && lcid > 0 ? lcid : 0;
}

int LcidForLocaleCharset(std::string_view localeName)
{
    const std::string charset = normalisedCharset(charsetOf(localeName));
    for (const char* gb : {"GBK", "GB2312", "GB18030", "EUCCN", "CP936"}) {
        if (charset == gb) {
            return kLcidSimplifiedChinese;
        }
    }
    for (const char* big5 : {"BIG5", "BIG5HKSCS", "CP950"}) {
        if (charset == big5) {
            return kLcidTraditionalChinese;
        }
    }
    return kLcidEnglish;
}

int SystemLcidFor(const LocaleEnvironment& env)
{
    if (const int forced = env.forcedLcid()) {
        return forced;
    }
    // The character set is the LC_CTYPE category's, which LC_ALL overrides and LANG stands in for.
    for (const std::string* name : {&env.lcAll, &env.lcCtype, &env.lang}) {
        if (!name->empty()) {
            return LcidForLocaleCharset(*name);
        }
    }
    return kLcidEnglish;
}

int GetSystemDefaultLCID()
{
    int lcid = g_lcid.load(std::memory_order_relaxed);
    if (lcid == kUnset) {
        SetSystemDefaultLCID(SystemLcidFor(LocaleEnvironment::FromProcess()));
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

std::string LowerAsciiLetters(std::string_view text)
{
    const bool doubleByte = IsDoubleByteCodePage();
    std::string out(text);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto c = static_cast<unsigned char>(out[i]);
        if (doubleByte && c >= 0x81 && c <= 0xFE) {
            ++i;
        } else if (c >= 'A' && c <= 'Z') {
            out[i] = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

} // namespace qar
