#include "platform/SafeFile.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qar
{
namespace
{

bool writeAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

/// The file a write replaces: the target of a symbolic link rather than the link itself.
std::string writeTarget(const std::string& path)
{
    struct stat st = {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
        return path;
    }
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
}

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

/// A rename is only durable once the folder holding the new name is on disk too.
bool syncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

bool readWhole(const std::string& path, std::string& out)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    out.clear();
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            ::close(fd);
            return n == 0;
        }
        out.append(buffer, static_cast<std::size_t>(n));
    }
}

} // namespace

bool WriteFileAtomically(const std::string& path, std::string_view bytes)
{
    const std::string target = writeTarget(path);
    const std::string folder = folderOf(target);
    const std::size_t slash = target.rfind('/');
    std::string temp = (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) + ".~" +
                       target.substr(slash == std::string::npos ? 0 : slash + 1) + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    // Keep the permissions of the file being replaced; a new file gets the usual ones.
    struct stat old = {};
    if (::stat(target.c_str(), &old) == 0) {
        (void)::fchmod(fd, old.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        (void)::fchmod(fd, 0666 & ~mask);
    }
    bool ok = writeAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (ok && ::rename(temp.c_str(), target.c_str()) == 0) {
        syncFolder(folder);
        return true;
    }
    ::unlink(temp.c_str());
    return false;
}

bool CopyFileAtomically(const std::string& from, const std::string& to)
{
    std::string bytes;
    return readWhole(from, bytes) && WriteFileAtomically(to, bytes);
}

bool MoveFileReplacing(const std::string& from, const std::string& to)
{
    if (::rename(from.c_str(), to.c_str()) == 0) {
        syncFolder(folderOf(to));
        if (folderOf(to) != folderOf(from)) {
            syncFolder(folderOf(from));
        }
        return true;
    }
    if (errno != EXDEV) {
        return false;
    }
    // Another file system: the copy must be complete on disk before the original goes.
    if (!CopyFileAtomically(from, to)) {
        return false;
    }
    if (::unlink(from.c_str()) != 0) {
        return false;
    }
    syncFolder(folderOf(from));
    return true;
}

} // namespace qar
