#include "platform/Paths.h"

#include <odbcinst.h>

#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qar
{
namespace
{

std::string envOr(const char* name, const char* fallback)
{
    const char* value = std::getenv(name);
    return (value && *value) ? std::string(value) : std::string(fallback);
}

void dropTrailingSeparators(std::string& dir)
{
    while (dir.size() > 1 && dir.back() == '/') {
        dir.pop_back();
    }
}

std::string executablePath()
{
    std::string buf(256, '\0');
    for (;;) {
        ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0) {
            return {};
        }
        if (static_cast<std::size_t>(n) < buf.size()) {
            buf.resize(static_cast<std::size_t>(n));
            return buf;
        }
        buf.resize(buf.size() * 2);
    }
}

#ifdef QAR_LIBRARY_ARCHITECTURE
constexpr const char* kArchDriverDir = "/usr/lib/" QAR_LIBRARY_ARCHITECTURE "/odbc";
#else
constexpr const char* kArchDriverDir = "/usr/lib/odbc";
#endif
// The desktop-database driver: its registration and its library tell where the drivers lie.
constexpr const char* kSqliteDriverSection = "SQLite3";
constexpr const char* kSqliteDriverFile = "libsqlite3odbc.so";

std::string installedDriverDir()
{
    // A registration with a full path says where the driver is; Debian registers the bare file name,
    // which the driver manager finds in the multiarch folder.
    char registered[1024] = {};
    if (SQLGetPrivateProfileString(kSqliteDriverSection, "Driver", "", registered, sizeof registered, "odbcinst.ini") >
        0) {
        const std::string path(registered);
        const auto slash = path.rfind('/');
        if (slash != std::string::npos && slash > 0 && FileExists(path)) {
            return path.substr(0, slash);
        }
    }
    for (const char* dir : {kArchDriverDir, "/usr/lib/odbc", "/usr/lib64/odbc", "/usr/local/lib/odbc"}) {
        if (FileExists(std::string(dir) + "/" + kSqliteDriverFile)) {
            return dir;
        }
    }
    return kArchDriverDir;
}

} // namespace

std::string GetProgramDir()
{
    if (const char* forced = std::getenv("QAR_PROGRAM_DIR"); forced && *forced) {
        std::string dir(forced);
        dropTrailingSeparators(dir);
        return dir;
    }
    std::string exe = executablePath();
    auto slash = exe.rfind('/');
    if (slash == std::string::npos) {
        return exe;
    }
    // The executable in the root folder still has a directory: "/" rather than nothing.
    return slash == 0 ? std::string("/") : exe.substr(0, slash);
}

std::string ProgramPath(std::string_view relative)
{
    std::string path = GetProgramDir();
    if (path == "/") {
        path.clear();
    }
    if (relative.empty() || (relative.front() != '\\' && relative.front() != '/')) {
        path += '/';
    }
    for (char c : relative) {
        path += c == '\\' ? '/' : c;
    }
    return path;
}

std::string EnvInfoPath()
{
    return ProgramPath("\\UserData\\config\\EnvInfo.dat");
}

std::string ParentDirectory(std::string_view dir)
{
    while (!dir.empty() && dir.back() == '/') {
        dir.remove_suffix(1);
    }
    auto slash = dir.rfind('/');
    // Without a separator there is nothing above; with the root's separator the parent is the root,
    // written without its separator so that parent + "/name" stays a valid path.
    return slash == std::string_view::npos ? std::string(dir) : std::string(dir.substr(0, slash));
}

std::string GetWindowsDir()
{
    std::string dir = envOr("QAR_WINDOWS_DIR", "/var/lib/qar");
    dropTrailingSeparators(dir);
    return dir;
}

std::string GetSystemDir()
{
    const char* forced = std::getenv("QAR_SYSTEM_DIR");
    std::string dir = forced && *forced ? std::string(forced) : installedDriverDir();
    dropTrailingSeparators(dir);
    return dir;
}

bool FileExists(const std::string& path)
{
    struct stat st = {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& path)
{
    struct stat st = {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::uint32_t GetFileLength(const std::string& path)
{
    if (path.empty()) {
        return 0;
    }
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return 0;
    }
    struct stat st = {};
    std::uint32_t length = 0;
    // A directory cannot be opened as a file for reading on the system these files come from.
    if (::fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode)) {
        // The length is a 32-bit number: larger files wrap, as the system's 32-bit length did.
        length = static_cast<std::uint32_t>(st.st_size);
    }
    ::close(fd);
    return length;
}

} // namespace qar
