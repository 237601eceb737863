#pragma once

#include <atomic>

namespace qar
{

/// The multibyte code page the system's text is held in (files, database, every core string).
enum class CodePage
{
    Utf8, ///< any locale other than Chinese: no lead bytes to care about
    Gbk,  ///< Simplified Chinese (LCID 2052), ICU "windows-936"
    Big5, ///< Traditional Chinese (LCID 1028), ICU "windows-950"
};

inline constexpr int kLcidTraditionalChinese = 1028;
inline constexpr int kLcidSimplifiedChinese = 2052;
inline constexpr int kLcidEnglish = 1033;

/// The system default locale id: QAR_LCID, else derived from LC_ALL / LC_MESSAGES / LANG. Read once.
int GetSystemDefaultLCID();

/// Replaces the system default locale id for the rest of the run (tests, and QAR_LCID handling).
void SetSystemDefaultLCID(int lcid);

/// Locale id from a POSIX locale name such as "zh_CN.GBK" (2052, 1028 or 1033).
int LcidFromLocaleName(const char* name);

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

} // namespace qar
