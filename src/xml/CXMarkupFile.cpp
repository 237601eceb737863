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

// The whole file in one buffer of its size: a catalogue of thousands of entries is read with one read
// instead of a buffer grown, and copied, as the bytes come.
bool readWholeFile(const std::string& path, std::string& out)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat st
    {};
    const std::size_t size = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? static_cast<std::size_t>(st.st_size) : 0;
    // One byte more than the file holds, so that the end of the file is seen by the first read.
    out.resize(size + 1);
    std::size_t got = 0;
    bool failed = false;
    for (;;) {
        if (got == out.size()) {
            out.resize(out.size() * 2); // the file grew while being read, or its size is unknown
        }
        const ssize_t n = ::read(fd, out.data() + got, out.size() - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            failed = n < 0;
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    out.resize(got);
    return !failed;
}

// Every line ends in CR LF, whatever ended it in the file: it loses every CR at its end and the LF, so
// LF, CR LF and CR CR LF files all load to the same text; a line is cut at a NUL. The lines move down
// within the buffer: only a line ending in a bare LF (or the last one, without an LF) grows, and the
// text is first moved up by that growth, so the lines written never overtake the bytes still to read.
void endLinesWithCrLf(std::string& text)
{
    const std::size_t size = text.size();
    std::size_t growth = size > 0 && text.back() != '\n' ? 2 : 0;
    for (std::size_t lf = text.find('\n'); lf != std::string::npos; lf = text.find('\n', lf + 1)) {
        growth += lf == 0 || text[lf - 1] != '\r' ? 1 : 0;
    }
    if (growth > 0) {
        text.resize(size + growth);
        std::memmove(text.data() + growth, text.data(), size);
    }
    char* const base = text.data();
    std::size_t in = growth;
    std::size_t out = 0;
    const std::size_t end = size + growth;
    while (in < end) {
        const void* hit = std::memchr(base + in, '\n', end - in);
        const std::size_t lineEnd = hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - base) : end;
        std::size_t length = lineEnd - in;
        if (const void* nul = std::memchr(base + in, '\0', length)) {
            length = static_cast<std::size_t>(static_cast<const char*>(nul) - (base + in));
        }
        while (length > 0 && base[in + length - 1] == '\r') {
            --length;
        }
        std::memmove(base + out, base + in, length);
        base[out + length] = '\r';
        base[out + length + 1] = '\n';
        out += length + 2;
        in = lineEnd + 1;
    }
    text.resize(out);
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
    std::string text;
    if (!readWholeFile(path, text)) {
        return false;
    }
    endLinesWithCrLf(text);
    // The encoding is read from the first line.
    const std::string lowered = LowerAsciiLetters(std::string_view(text).substr(0, text.find("\r\n")));
    if (declares(lowered, "encoding=\"big5\"")) {
        m_encodingLcid = kLcidTraditionalChinese;
    } else if (declares(lowered, "encoding=\"gb2312\"")) {
        m_encodingLcid = kLcidSimplifiedChinese;
    }
    return adoptDocument(std::move(text));
}

bool CXMarkupFile::SaveFile(const std::string& path) const
{
    return static_cast<bool>(SaveFileChecked(path));
}

FileWriteResult CXMarkupFile::SaveFileChecked(const std::string& path) const
{
    if (GetDocument().empty()) {
        return {EINVAL};
    }
    return WriteTextFileChecked(path, GetDocument());
}

std::string CXMarkupFile::ConvertForSystem(std::string&& text) const
{
    if (m_encodingLcid != kLcidTraditionalChinese && m_encodingLcid != kLcidSimplifiedChinese) {
        return std::move(text);
    }
    return ConvertForSystem(std::string_view(text));
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

void CXMarkupFile::GetAttributeForSystem(std::string_view name, std::string& value) const
{
    GetAttribute(name, value);
    if (m_encodingLcid == kLcidTraditionalChinese || m_encodingLcid == kLcidSimplifiedChinese) {
        value = ConvertForSystem(std::string_view(value));
    }
}

int CXMarkupFile::GetAttributeInt(std::string_view name) const
{
    // The bytes as they stand: neither an entity nor a double-byte character holds a blank, a sign or
    // a digit, and either ends the number alike decoded or not.
    return AtoI(attributeBytes(name));
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
    return static_cast<bool>(WriteTextFileChecked(path, text));
}

FileWriteResult WriteTextFileChecked(const std::string& path, std::string_view text)
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
    return WriteFileChecked(path, out);
}

} // namespace qar
