#include "settings/CProfileFile.h"

#include "platform/Locale.h"
#include "platform/TextUtil.h"
#include "settings/ProfileText.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <exception>
#include <fcntl.h>
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

bool writeAll(int fd, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

/// Replaces the file by `bytes` through a temporary file in the same folder, so that a reader (the
/// server, another copy of the tool) sees either the old or the new file, never a half-written one.
void replaceFile(const std::string& path, const std::string& bytes, const struct stat* previous)
{
    static std::atomic<unsigned> counter{0};
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = path + ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            return; // the folder is missing or not writable: the write fails silently
        }
    }
    if (fd < 0) {
        return;
    }
    bool ok = writeAll(fd, bytes);
    if (ok && previous) {
        (void)::fchmod(fd, previous->st_mode & 07777);
    }
    // No fsync: the rename alone keeps readers from a half-written file, and the common file systems
    // flush a file renamed over another before the rename itself. Syncing every key costs milliseconds
    // each, and a form saves dozens of keys one by one.
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
    }
}

/// The file a write replaces: the target of a symbolic link rather than the link itself.
std::string writeTarget(const std::string& path)
{
    struct stat st = {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
        return path;
    }
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr) {
        return path;
    }
    return resolved;
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
    if (!keyName.empty() && readWholeFile(m_filePath, text)) {
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
    std::string target = writeTarget(m_filePath);
    std::string text;
    struct stat st = {};
    bool existed = ::stat(target.c_str(), &st) == 0;
    if (existed && (S_ISDIR(st.st_mode) || !readWholeFile(target, text))) {
        return; // an unreadable file is left as it was rather than replaced by a single key
    }
    try {
        std::string updated = WriteProfileKey(text, sectionName, keyName, cString(value));
        if (!existed || updated != text) {
            replaceFile(target, updated, existed ? &st : nullptr);
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
    for (int i = 0; i < count; ++i) {
        ExchangeString(dir, values[static_cast<std::size_t>(i)], key + "_" + std::to_string(i), section, def);
    }
}

} // namespace qar
