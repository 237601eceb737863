#pragma once

#include <atomic>
#include <string>
#include <string_view>

namespace qar
{

/// The multibyte code page the system's text is held in (files, database, every core string).
enum class CodePage
{
    Utf8, ///< a UTF-8 locale, or any other that is neither GB nor Big5: no lead bytes to care about
    Gbk,  ///< a GBK, GB2312 or GB18030 locale (LCID 2052), ICU "windows-936"
    Big5, ///< a BIG5 or BIG5-HKSCS locale (LCID 1028), ICU "windows-950"
};

inline constexpr int kLcidTraditionalChinese = 1028;
inline constexpr int kLcidSimplifiedChinese = 2052;
inline constexpr int kLcidEnglish = 1033;

/// The locale variables of a process that decide its code page and its language; an empty value is
/// an unset variable.
struct LocaleEnvironment
{
    std::string lcAll;      ///< LC_ALL
    std::string lcCtype;    ///< LC_CTYPE
    std::string lcMessages; ///< LC_MESSAGES
    std::string lang;       ///< LANG
    std::string qarLcid;    ///< QAR_LCID: 2052, 1028 or 1033, to run as a GBK, Big5 or UTF-8 system would
    std::string qarLang;    ///< QAR_LANG: "en" or "zh_CN"

    /// The variables of this process.
    static LocaleEnvironment FromProcess();
    /// The forced locale id of QAR_LCID; 0 when it is unset or not a positive number.
    int forcedLcid() const;
};

/// The locale id of a locale's character set: 2052 for GBK, GB2312 or GB18030, 1028 for BIG5 or
/// BIG5-HKSCS, 1033 for anything else (UTF-8 above all). `localeName` is a POSIX name such as
/// "zh_CN.GBK"; a name without a character set has the default one of the installed locale.
int LcidForLocaleCharset(std::string_view localeName);

/// The locale id every encoding rule uses: QAR_LCID, else the character set of LC_ALL, else of
/// LC_CTYPE, else of LANG. The language of the locale plays no part.
int SystemLcidFor(const LocaleEnvironment& env);

/// The system default locale id, SystemLcidFor() of this process. Read once.
int GetSystemDefaultLCID();

/// Replaces the system default locale id, and with it the code page, for the rest of the run (tests,
/// the data generator's --lcid).
void SetSystemDefaultLCID(int lcid);

CodePage CodePageForLcid(int lcid);

/// The ANSI code page selected by the system default locale id.
CodePage GetAnsiCodePage();

/// ICU converter name of a code page ("windows-936", "windows-950", "UTF-8").
const char* IcuConverterName(CodePage cp);

/// True when the byte opens a two-byte character in the active ANSI code page, so the byte after it
/// is never taken for a delimiter.
bool IsLeadByte(unsigned char c);

namespace locale_detail
{
// 1 when the active code page has lead bytes, 0 when not, -1 until the locale id has been read.
extern std::atomic<int> g_doubleByte;
bool readDoubleByte();
} // namespace locale_detail

/// True when the active ANSI code page has lead bytes at all (GBK, Big5): asked once per scan by the
/// XML engine, so it reads a cached flag.
inline bool IsDoubleByteCodePage()
{
    const int known = locale_detail::g_doubleByte.load(std::memory_order_relaxed);
    return known >= 0 ? known != 0 : locale_detail::readDoubleByte();
}

/// Lower-cases the ASCII letters of a text in the active ANSI code page, leaving double-byte characters
/// whole: their trail byte may look like a letter.
std::string LowerAsciiLetters(std::string_view text);

} // namespace qar
