#include "intake/TextEncoding.h"

#include "platform/Locale.h"
#include "xml/Encoding.h"

#include <unicode/ucsdet.h>

#include <cstring>
#include <memory>
#include <string>

namespace qar
{

namespace
{

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool hasHighBytes(std::string_view bytes)
{
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return true;
        }
    }
    return false;
}

bool validUtf8(std::string_view s)
{
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t len = 0;
        unsigned char lo = 0x80;
        unsigned char hi = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            lo = c == 0xE0 ? 0xA0 : 0x80;
            hi = c == 0xED ? 0x9F : 0xBF; // no surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            lo = c == 0xF0 ? 0x90 : 0x80;
            hi = c == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (i + len > n || p[i + 1] < lo || p[i + 1] > hi) {
            return false;
        }
        for (std::size_t k = 2; k < len; ++k) {
            if (p[i + k] < 0x80 || p[i + k] > 0xBF) {
                return false;
            }
        }
        i += len;
    }
    return true;
}

bool validDoubleByte(std::string_view s, bool big5)
{
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            continue;
        }
        if (c == 0x80 && !big5) {
            continue; // the euro sign of code page 936
        }
        if (c < 0x81 || c > 0xFE || i + 1 >= n) {
            return false;
        }
        const unsigned char t = p[++i];
        const bool trail =
            big5 ? ((t >= 0x40 && t <= 0x7E) || (t >= 0xA1 && t <= 0xFE)) : (t >= 0x40 && t <= 0xFE && t != 0x7F);
        if (!trail) {
            return false;
        }
    }
    return true;
}

struct DetectorCloser
{
    void operator()(UCharsetDetector* d) const { ucsdet_close(d); }
};

// GBK and Big5 share most byte ranges; ICU's statistics of common characters tell them apart.
FileEncoding guessChineseEncoding(const std::string& sample)
{
    const FileEncoding fallback = GetAnsiCodePage() == CodePage::Big5 ? FileEncoding::Big5 : FileEncoding::Gbk;
    const bool gbk = validDoubleByte(sample, false);
    const bool big5 = validDoubleByte(sample, true);
    if (gbk != big5) {
        return gbk ? FileEncoding::Gbk : FileEncoding::Big5;
    }
    // The most common characters tell first: Big5 puts them at lead bytes 0xA4-0xAF (kana and Greek in
    // GB) and at trail bytes 0x40-0x7E (none in GB2312); GBK's own extensions use lead or trail bytes
    // 0x81-0xA0, which Big5 leaves to user-defined characters.
    std::size_t pairs = 0;
    std::size_t big5Signs = 0;
    std::size_t gbSigns = 0;
    for (std::size_t i = 0; i + 1 < sample.size(); ++i) {
        const auto lead = static_cast<unsigned char>(sample[i]);
        if (lead < 0x81) {
            continue;
        }
        const auto trail = static_cast<unsigned char>(sample[++i]);
        ++pairs;
        big5Signs += (lead >= 0xA4 && lead <= 0xAF) + (trail >= 0x40 && trail <= 0x7E);
        gbSigns += (lead <= 0xA0) + (trail >= 0x80 && trail <= 0xA0);
    }
    if (big5Signs > 2 * gbSigns && big5Signs * 20 >= pairs) {
        return FileEncoding::Big5;
    }
    if (gbSigns > 2 * big5Signs && gbSigns * 20 >= pairs) {
        return FileEncoding::Gbk;
    }
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UCharsetDetector, DetectorCloser> detector(ucsdet_open(&status));
    if (U_FAILURE(status)) {
        return fallback;
    }
    ucsdet_setText(detector.get(), sample.data(), static_cast<int32_t>(sample.size()), &status);
    int32_t count = 0;
    const UCharsetMatch** matches = ucsdet_detectAll(detector.get(), &count, &status);
    if (U_FAILURE(status)) {
        return fallback;
    }
    int gbScore = 0;
    int big5Score = 0;
    for (int32_t i = 0; i < count; ++i) {
        UErrorCode s = U_ZERO_ERROR;
        const char* name = ucsdet_getName(matches[i], &s);
        const int confidence = ucsdet_getConfidence(matches[i], &s);
        if (U_FAILURE(s) || name == nullptr) {
            continue;
        }
        if (std::strcmp(name, "GB18030") == 0 && confidence > gbScore) {
            gbScore = confidence;
        } else if (std::strcmp(name, "Big5") == 0 && confidence > big5Score) {
            big5Score = confidence;
        }
    }
    if (gbScore == big5Score) {
        return fallback;
    }
    return gbScore > big5Score ? FileEncoding::Gbk : FileEncoding::Big5;
}

CodePage codePageOf(FileEncoding encoding)
{
    switch (encoding) {
    case FileEncoding::Gbk:
        return CodePage::Gbk;
    case FileEncoding::Big5:
        return CodePage::Big5;
    default:
        return CodePage::Utf8;
    }
}

} // namespace

FileEncoding DetectFileEncoding(std::string_view bytes)
{
    if (bytes.substr(0, 3) == kUtf8Bom) {
        return FileEncoding::Utf8;
    }
    if (bytes.size() >= 2 &&
        ((bytes[0] == '\xFF' && bytes[1] == '\xFE') || (bytes[0] == '\xFE' && bytes[1] == '\xFF'))) {
        return FileEncoding::Utf16;
    }
    // Line by line, so that a few lines of another encoding do not decide for the whole file.
    std::size_t utf8Lines = 0;
    std::size_t otherLines = 0;
    std::string other;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos) {
            end = bytes.size();
        }
        const std::string_view line = bytes.substr(start, end - start);
        if (hasHighBytes(line)) {
            if (validUtf8(line)) {
                ++utf8Lines;
            } else {
                ++otherLines;
                if (other.size() < (1u << 20)) {
                    other.append(line).append("\n");
                }
            }
        }
        start = end + 1;
    }
    if (utf8Lines >= otherLines) {
        return FileEncoding::Utf8;
    }
    return guessChineseEncoding(other);
}

bool IsValidText(std::string_view bytes, FileEncoding encoding)
{
    switch (encoding) {
    case FileEncoding::Gbk:
        return validDoubleByte(bytes, false);
    case FileEncoding::Big5:
        return validDoubleByte(bytes, true);
    default:
        return validUtf8(bytes);
    }
}

void DecodeSheet(Sheet& sheet, FileEncoding encoding)
{
    const CodePage from = codePageOf(encoding);
    const CodePage to = GetAnsiCodePage();
    for (std::size_t r = 0; r < sheet.rowCount(); ++r) {
        const std::uint32_t cells = sheet.row(r).cellCount;
        bool valid = true;
        bool bom = false;
        bool high = false;
        for (std::uint32_t c = 0; c < cells; ++c) {
            const std::string_view text = sheet.cell(r, c);
            if (!hasHighBytes(text)) {
                continue;
            }
            high = true;
            valid = valid && IsValidText(text, encoding);
            // A byte order mark after the start of the file: two files were joined.
            bom = bom || (encoding == FileEncoding::Utf8 ? text.find(kUtf8Bom) != std::string_view::npos
                                                         : (c == 0 && text.substr(0, 3) == kUtf8Bom));
        }
        if (!valid || bom) {
            sheet.row(r).issue = bom ? RowIssue::ByteOrderMark : RowIssue::BadEncoding;
            continue;
        }
        if (!high || from == to) {
            continue;
        }
        for (std::uint32_t c = 0; c < cells; ++c) {
            const std::string_view text = sheet.cell(r, c);
            if (hasHighBytes(text)) {
                const std::string converted = FromUtf16(ToUtf16(text, from), to);
                sheet.replaceCell(r, c, converted);
            }
        }
    }
}

const char* FileEncodingName(FileEncoding encoding)
{
    switch (encoding) {
    case FileEncoding::Gbk:
        return "GBK";
    case FileEncoding::Big5:
        return "Big5";
    case FileEncoding::Utf16:
        return "UTF-16";
    default:
        return "UTF-8";
    }
}

} // namespace qar
