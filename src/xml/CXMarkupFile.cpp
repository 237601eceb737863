#include "xml/CXMarkupFile.h"

#include "platform/Locale.h"
#include "platform/SafeFile.h"
#include "platform/TextUtil.h"
#include "xml/Encoding.h"
#include "xml/MarkupScanner.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qar
{
namespace
{

// The declared encoding counts only when found at index 1 or later, at a character boundary.
bool declares(const std::string& lowered, std::string_view pattern)
{
    const markup::Scanner s(lowered.c_str(), static_cast<int>(lowered.size()), IsDoubleByteCodePage());
    return s.findString(0, pattern, s.length()) > 0;
}

} // namespace

const char* SystemEncodingLabel()
{
    switch (GetSystemDefaultLCID()) {
    case kLcidTraditionalChinese:
        return "BIG5";
    case kLcidSimplifiedChinese:
        return "GB2312";
    default:
        return "UTF-8";
    }
}

CXMarkupFile::CXMarkupFile()
{
    SetDeclaration({}, true);
}

void CXMarkupFile::SetDeclaration(std::string_view label, bool standalone)
{
    std::string chosen;
    if (!label.empty()) {
        chosen = label;
        m_encodingLcid = EqualsNoCase(label, "big5")     ? kLcidTraditionalChinese
                         : EqualsNoCase(label, "gb2312") ? kLcidSimplifiedChinese
                                                         : 0;
    } else {
        m_encodingLcid = GetSystemDefaultLCID();
        chosen = SystemEncodingLabel();
    }
    std::string text = "<?xml version=\"1.0\" encoding=\"" + chosen + "\" standalone=\"";
    text += standalone ? "yes\"?>\r\n" : "no\"?>\r\n";
    SetDocument(text);
}

bool CXMarkupFile::LoadFile(const std::string& path)
{
    m_encodingLcid = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        return false;
    }
    std::string raw;
    char buffer[65536];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        raw.append(buffer, n);
    }
    const bool readError = std::ferror(file) != 0;
    std::fclose(file);
    if (readError) {
        return false;
    }

    // Line by line: each line loses every CR and LF at its end and gets CR LF instead, so LF, CR LF and
    // CR CR LF files all load to the same text. A line is cut at a NUL byte, as a C string would be.
    std::string text;
    text.reserve(raw.size() + raw.size() / 16 + 2);
    std::size_t begin = 0;
    bool firstLine = true;
    while (begin < raw.size()) {
        const std::size_t lf = raw.find('\n', begin);
        const std::size_t end = lf == std::string::npos ? raw.size() : lf;
        std::string_view line(raw.data() + begin, end - begin);
        line = line.substr(0, line.find('\0'));
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) {
            line.remove_suffix(1);
        }
        if (firstLine) {
            const std::string lowered = LowerAsciiLetters(line);
            if (declares(lowered, "encoding=\"big5\"")) {
                m_encodingLcid = kLcidTraditionalChinese;
            } else if (declares(lowered, "encoding=\"gb2312\"")) {
                m_encodingLcid = kLcidSimplifiedChinese;
            }
            firstLine = false;
        }
        text.append(line);
        text.append("\r\n");
        begin = end + 1;
    }
    return SetDocument(text);
}

bool CXMarkupFile::SaveFile(const std::string& path) const
{
    if (GetDocument().empty()) {
        return false;
    }
    return WriteTextFileAtomically(path, GetDocument());
}

std::string CXMarkupFile::ConvertForSystem(std::string_view text) const
{
    const CodePage system = GetAnsiCodePage();
    const bool big5File = m_encodingLcid == kLcidTraditionalChinese;
    const bool gbFile = m_encodingLcid == kLcidSimplifiedChinese;
    if ((!big5File && !gbFile) || std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; })) {
        return std::string(text);
    }
    if (big5File && system == CodePage::Gbk) {
        return BigToGb(text);
    }
    if (gbFile && system == CodePage::Big5) {
        return GbToBig(text);
    }
    // A UTF-8 system reads a file from a Chinese Windows machine in the code page its label names. The
    // characters stay as written: UTF-8 holds traditional and simplified ones alike.
    if (system == CodePage::Utf8) {
        return ToUtf8(text, big5File ? CodePage::Big5 : CodePage::Gbk);
    }
    return std::string(text);
}

int CXMarkupFile::GetAttributeInt(std::string_view name) const
{
    return AtoI(GetAttributeForSystem(name));
}

bool WriteSkeletonFile(const std::string& path, std::string_view rootName)
{
    std::string text = "<?xml version=\"1.0\" encoding=\"";
    text += SystemEncodingLabel();
    text += "\" standalone=\"yes\"?>\n<";
    text += rootName;
    text += "></";
    text += rootName;
    text += ">\n";
    return WriteTextFileAtomically(path, text);
}

bool WriteTextFileAtomically(const std::string& path, std::string_view text)
{
    // Text mode: every LF goes out as CR LF, so the CR LF line ends of the markup become CR CR LF.
    std::string out;
    out.reserve(text.size() + text.size() / 16 + 16);
    std::size_t begin = 0;
    for (std::size_t lf = text.find('\n'); lf != std::string_view::npos; lf = text.find('\n', begin)) {
        out.append(text.data() + begin, lf - begin);
        out.append("\r\n");
        begin = lf + 1;
    }
    out.append(text.data() + begin, text.size() - begin);
    return WriteFileAtomically(path, out);
}

} // namespace qar
