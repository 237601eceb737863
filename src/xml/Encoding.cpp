#include "xml/Encoding.h"

#include <unicode/translit.h>
#include <unicode/ucnv.h>
#include <unicode/unistr.h>

#include <array>
#include <memory>

namespace qar
{
namespace
{

struct ConverterCloser
{
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

// Opening a converter or a transliterator loads tables, so each thread keeps the ones it opened.
UConverter* converter(CodePage cp)
{
    thread_local std::array<ConverterPtr, 3> cache;
    auto& slot = cache[static_cast<std::size_t>(cp)];
    if (!slot) {
        UErrorCode status = U_ZERO_ERROR;
        slot.reset(ucnv_open(IcuConverterName(cp), &status));
        if (U_FAILURE(status)) {
            slot.reset();
            return nullptr;
        }
        // The Windows code pages' default character.
        status = U_ZERO_ERROR;
        ucnv_setSubstChars(slot.get(), "?", 1, &status);
    }
    ucnv_reset(slot.get());
    return slot.get();
}

const icu::Transliterator* transliterator(bool toSimplified)
{
    thread_local std::array<std::unique_ptr<icu::Transliterator>, 2> cache;
    auto& slot = cache[toSimplified ? 0 : 1];
    if (!slot) {
        UErrorCode status = U_ZERO_ERROR;
        slot.reset(icu::Transliterator::createInstance(
            icu::UnicodeString::fromUTF8(toSimplified ? "Hant-Hans" : "Hans-Hant"), UTRANS_FORWARD, status));
        if (U_FAILURE(status)) {
            slot.reset();
        }
    }
    return slot.get();
}

icu::UnicodeString decode(std::string_view bytes, CodePage cp)
{
    const std::u16string text = ToUtf16(bytes, cp);
    return icu::UnicodeString(text.data(), static_cast<int32_t>(text.size()));
}

std::string encode(const icu::UnicodeString& text, CodePage cp)
{
    return FromUtf16(std::u16string_view(text.getBuffer(), static_cast<std::size_t>(text.length())), cp);
}

void mapChinese(icu::UnicodeString& text, bool toSimplified)
{
    if (const icu::Transliterator* t = transliterator(toSimplified)) {
        t->transliterate(text);
    }
}

} // namespace

std::u16string ToUtf16(std::string_view bytes, CodePage cp)
{
    if (bytes.empty()) {
        return {};
    }
    UConverter* conv = converter(cp);
    if (!conv) {
        return std::u16string(bytes.begin(), bytes.end());
    }
    // A byte never yields more than one UTF-16 unit in the double-byte code pages, two in UTF-8.
    std::u16string out(2 * bytes.size() + 1, u'\0');
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n = ucnv_toUChars(conv, out.data(), static_cast<int32_t>(out.size()), bytes.data(),
                                    static_cast<int32_t>(bytes.size()), &status);
    out.resize(U_SUCCESS(status) ? static_cast<std::size_t>(n) : 0);
    return out;
}

std::string FromUtf16(std::u16string_view text, CodePage cp)
{
    if (text.empty()) {
        return {};
    }
    UConverter* conv = converter(cp);
    if (!conv) {
        return {};
    }
    UErrorCode status = U_ZERO_ERROR;
    const int32_t needed = ucnv_fromUChars(conv, nullptr, 0, text.data(), static_cast<int32_t>(text.size()), &status);
    if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) {
        return {};
    }
    std::string out(static_cast<std::size_t>(needed) + 1, '\0');
    status = U_ZERO_ERROR;
    ucnv_reset(conv);
    const int32_t n = ucnv_fromUChars(conv, out.data(), static_cast<int32_t>(out.size()), text.data(),
                                      static_cast<int32_t>(text.size()), &status);
    out.resize(U_SUCCESS(status) ? static_cast<std::size_t>(n) : 0);
    return out;
}

std::u16string ToUtf16(std::string_view ansi)
{
    return ToUtf16(ansi, GetAnsiCodePage());
}

std::string FromUtf16(std::u16string_view text)
{
    return FromUtf16(text, GetAnsiCodePage());
}

std::string ToUtf8(std::string_view bytes, CodePage cp)
{
    return FromUtf16(ToUtf16(bytes, cp), CodePage::Utf8);
}

std::string FromUtf8(std::string_view utf8, CodePage cp)
{
    return FromUtf16(ToUtf16(utf8, CodePage::Utf8), cp);
}

std::string BigToGb(std::string_view big5)
{
    // Through code page 936 first, so that what GBK lacks is already '?' when the characters are mapped.
    icu::UnicodeString text = decode(encode(decode(big5, CodePage::Big5), CodePage::Gbk), CodePage::Gbk);
    mapChinese(text, true);
    return encode(text, CodePage::Gbk);
}

std::string GbToBig(std::string_view gb)
{
    icu::UnicodeString text = decode(gb, CodePage::Gbk);
    mapChinese(text, false);
    // The mapped text is held in code page 936 before it becomes Big5.
    text = decode(encode(text, CodePage::Gbk), CodePage::Gbk);
    return encode(text, CodePage::Big5);
}

} // namespace qar
