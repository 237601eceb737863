#include "settings/CProfileFile.h"

#include "platform/Locale.h"
#include "platform/SafeFile.h"
#include "platform/TextUtil.h"
#include "settings/ProfileText.h"

#include <cerrno>
#include <exception>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace qar
{
namespace
{

// The profile functions take C strings: anything after a NUL byte is not part of the argument.
std::string_view cString(const std::string& s)
{
    return std::string_view(s.c_str());
}

constexpr std::size_t kMaxRead = 255;

/// The value cut to what a 256-byte buffer holds, never splitting a double-byte character.
std::string cutForBuffer(std::string_view value)
{
    if (value.size() <= kMaxRead) {
        return std::string(value);
    }
    std::size_t i = 0;
    while (i < kMaxRead) {
        std::size_t step = IsLeadByte(static_cast<unsigned char>(value[i])) ? 2 : 1;
        if (i + step > kMaxRead) {
            break;
        }
        i += step;
    }
    return std::string(value.substr(0, i));
}

/// Closes a file descriptor at the end of a scope.
class FdCloser
{
public:
    explicit FdCloser(int fd) : m_fd(fd) {}
    ~FdCloser() { ::close(m_fd); }
    FdCloser(const FdCloser&) = delete;
    FdCloser& operator=(const FdCloser&) = delete;

private:
    int m_fd;
};

/// The whole file; false when it does not exist or cannot be read, also when it is too large to hold in
/// memory (the settings then read as absent instead of ending the program).
bool readWholeFile(const std::string& path, std::string& out)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    FdCloser closer(fd);
    struct stat st = {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        return false;
    }
    try {
        out.clear();
        out.reserve(static_cast<std::size_t>(st.st_size));
        char buf[65536];
        for (;;) {
            ssize_t n = ::read(fd, buf, sizeof buf);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                return false;
            }
            if (n == 0) {
                return true;
            }
            out.append(buf, static_cast<std::size_t>(n));
        }
    } catch (const std::exception&) {
        out = std::string();
        return false;
    }
}

/// The writes a batch gathers for one file: the file's text as the writes so far made it.
struct PendingText
{
    std::string text;
    int depth = 0;        ///< batches alive on the file
    bool loaded = false;  ///< the file has been read
    bool existed = false; ///< the file existed when read
    bool usable = true;   ///< false: the file exists but cannot be read, so no write may replace it
    bool changed = false;
    bool refused = false; ///< a write was dropped because the file is unusable
};

std::mutex g_batchMutex;

std::map<std::string, PendingText>& batches()
{
    static std::map<std::string, PendingText> pending;
    return pending;
}

/// The text a batch holds for the file, which reads see before the file has it.
bool pendingText(const std::string& path, std::string& out)
{
    const std::lock_guard lock(g_batchMutex);
    const auto batch = batches().find(path);
    if (batch == batches().end() || !batch->second.loaded || !batch->second.usable) {
        return false;
    }
    out = batch->second.text;
    return true;
}

/// Reads the file a write will change. False when it exists but cannot be read: it is then left as it
/// was rather than replaced by a single key.
bool loadForWrite(const std::string& path, std::string& text, bool& existed)
{
    struct stat st = {};
    existed = ::stat(path.c_str(), &st) == 0;
    return !existed || (!S_ISDIR(st.st_mode) && readWholeFile(path, text));
}

void writeIntoBatch(PendingText& p, const std::string& path, std::string_view section, std::string_view key,
                    std::string_view value)
{
    if (!p.loaded) {
        p.loaded = true;
        p.usable = loadForWrite(path, p.text, p.existed);
    }
    if (!p.usable) {
        p.refused = true;
        return;
    }
    std::string updated = WriteProfileKey(p.text, section, key, value);
    if (!p.existed || updated != p.text) {
        p.text = std::move(updated);
        p.existed = true;
        p.changed = true;
    }
}

} // namespace

CProfileFile::CProfileFile(std::string filePath, std::string section)
    : m_filePath(std::move(filePath)), m_section(std::move(section))
{}

CProfileFile::~CProfileFile() = default;

void CProfileFile::SetSection(const std::string& section)
{
    m_section = section;
}

const std::string& CProfileFile::useSection(const std::string& section)
{
    if (!section.empty()) {
        m_section = section;
    }
    return m_section;
}

std::string CProfileFile::GetString(const std::string& key, const std::string& def, const std::string& section)
{
    std::string_view sectionName = TrimProfileBlanks(cString(useSection(section)));
    std::string_view keyName = TrimProfileBlanks(cString(key));
    // Trailing spaces of the default are dropped, as the system's profile read does.
    std::string_view defValue = cString(def);
    while (defValue.size() > 1 && defValue.back() == ' ') {
        defValue.remove_suffix(1);
    }
    std::string_view result = defValue;
    std::string text;
    if (!keyName.empty() && (pendingText(m_filePath, text) || readWholeFile(m_filePath, text))) {
        ProfileLocation loc = LocateProfileKey(text, sectionName, keyName);
        if (loc.keyFound) {
            result = ProfileValueForRead(std::string_view(text).substr(loc.valueBegin, loc.valueEnd - loc.valueBegin));
        }
    }
    m_lastValue = cutForBuffer(result);
    return m_lastValue;
}

int CProfileFile::GetInt(const std::string& key, int def, const std::string& section)
{
    return AtoI(GetString(key, std::to_string(def), section));
}

void CProfileFile::WriteString(const std::string& key, const std::string& value, const std::string& section)
{
    std::string_view sectionName = TrimProfileBlanks(cString(useSection(section)));
    std::string_view keyName = TrimProfileBlanks(cString(key));
    if (keyName.empty()) {
        return;
    }
    try {
        const std::lock_guard lock(g_batchMutex);
        const auto batch = batches().find(m_filePath);
        if (batch != batches().end()) {
            writeIntoBatch(batch->second, m_filePath, sectionName, keyName, cString(value));
            return;
        }
        std::string text;
        bool existed = false;
        if (!loadForWrite(m_filePath, text, existed)) {
            return;
        }
        std::string updated = WriteProfileKey(text, sectionName, keyName, cString(value));
        if (!existed || updated != text) {
            WriteFileAtomically(m_filePath, updated); // a failed write is not reported
        }
    } catch (const std::exception&) {
        // Out of memory for the new text: the file stays as it was, like any other failed write.
    }
}

void CProfileFile::WriteInt(const std::string& key, int value, const std::string& section)
{
    WriteString(key, std::to_string(value), section);
}

void CProfileFile::ExchangeString(Exchange dir, std::string& value, const std::string& key, const std::string& section,
                                  const std::string& def)
{
    if (dir == Exchange::Read) {
        value = GetString(key, def, section);
    } else {
        WriteString(key, value, section);
    }
}

void CProfileFile::ExchangeInt(Exchange dir, int& value, const std::string& key, const std::string& section, int def)
{
    if (dir == Exchange::Read) {
        value = GetInt(key, def, section);
    } else {
        WriteInt(key, value, section);
    }
}

void CProfileFile::ExchangeStringArray(Exchange dir, std::vector<std::string>& values, int count,
                                       const std::string& key, const std::string& section, const std::string& def)
{
    if (count <= 0) {
        return;
    }
    // A shorter array grows to `count` elements, so writing never reads past its end.
    if (values.size() < static_cast<std::size_t>(count)) {
        values.resize(static_cast<std::size_t>(count));
    }
    std::optional<WriteBatch> batch;
    if (dir == Exchange::Write) {
        batch.emplace(*this);
    }
    for (int i = 0; i < count; ++i) {
        ExchangeString(dir, values[static_cast<std::size_t>(i)], key + "_" + std::to_string(i), section, def);
    }
}

CProfileFile::WriteBatch::WriteBatch(const CProfileFile& file) : m_path(file.FilePath())
{
    const std::lock_guard lock(g_batchMutex);
    ++batches()[m_path].depth;
}

CProfileFile::WriteBatch::~WriteBatch()
{
    if (!m_done) {
        Commit();
    }
}

bool CProfileFile::WriteBatch::Commit()
{
    if (m_done) {
        return m_written;
    }
    m_done = true;
    const std::lock_guard lock(g_batchMutex);
    const auto batch = batches().find(m_path);
    if (--batch->second.depth > 0) {
        return m_written;
    }
    const PendingText p = std::move(batch->second);
    batches().erase(batch);
    if (p.refused) {
        m_error = EACCES;
    } else if (p.changed) {
        m_error = WriteFileChecked(m_path, p.text).error;
    }
    m_written = m_error == 0;
    return m_written;
}

} // namespace qar
