#include "platform/SafeFile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qar
{
namespace
{

std::atomic<void (*)(SaveStep)> g_observer{nullptr};
std::atomic<bool> g_unnamedAllowed{true};
std::atomic<unsigned> g_counter{0};

void reached(SaveStep step)
{
    if (auto* observer = g_observer.load(std::memory_order_relaxed)) {
        observer(step);
    }
}

/// Closes a file descriptor at the end of a scope.
class Fd
{
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }
    explicit operator bool() const { return m_fd >= 0; }
    void reset(int fd)
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = fd;
    }

private:
    int m_fd;
};

/// Returned by a route that the file system does not support; the save then takes the named route.
constexpr int kUnsupported = -1;

/// A temporary name must stay within the 255 bytes of a file name: long names are cut for it.
constexpr std::size_t kNameKept = 200;
/// A temporary file without a process id is only taken for a leftover once it is this old.
constexpr std::time_t kAnonymousAge = 60;

int writeAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return 0;
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

/// fsync, where a file system that cannot sync a folder (EINVAL) counts as done.
int syncFd(int fd)
{
    return ::fsync(fd) == 0 || errno == EINVAL ? 0 : errno;
}

/// A rename is only durable once the folder holding the new name is on disk too.
int syncFolder(const std::string& folder)
{
    const Fd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return fd ? syncFd(fd.get()) : errno;
}

int readWhole(const std::string& path, std::string& out)
{
    const Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) {
        return errno;
    }
    out.clear();
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n == 0 ? 0 : errno;
        }
        out.append(buffer, static_cast<std::size_t>(n));
    }
}

// Temporary names: ".~<name>.<pid>-<n>.tmp" in the target's folder, hidden and ending in ".tmp" so
// that no reader looking for the target's kind of file takes it for one. The process id tells the next
// save whether the process that wrote it still lives.
std::string tempName(std::string_view name, unsigned counter)
{
    return ".~" + std::string(name.substr(0, kNameKept)) + "." + std::to_string(::getpid()) + "-" +
           std::to_string(counter) + ".tmp";
}

bool allDigits(std::string_view text)
{
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

std::optional<pid_t> parsePid(std::string_view digits)
{
    if (!allDigits(digits) || digits.size() > 9) {
        return std::nullopt;
    }
    const long value = std::strtol(std::string(digits).c_str(), nullptr, 10);
    return value > 0 ? std::optional<pid_t>(static_cast<pid_t>(value)) : std::nullopt;
}

/// "<pid><separator><counter>" exactly.
std::optional<pid_t> parsePidAndCounter(std::string_view text, char separator)
{
    const std::size_t at = text.find(separator);
    if (at == std::string_view::npos || !allDigits(text.substr(at + 1))) {
        return std::nullopt;
    }
    return parsePid(text.substr(0, at));
}

struct Leftover
{
    bool matches = false;
    std::optional<pid_t> pid; ///< none for the earlier XML writer's names, which carry no process id
};

/// Whether `entry` is a temporary file of a save of `name`: ours, or those of the earlier writers
/// (".~<name>.XXXXXX" for XML files, "<name>.tmp<pid>_<n>" for settings files).
Leftover classify(std::string_view entry, std::string_view name)
{
    const std::string ours = ".~" + std::string(name.substr(0, kNameKept)) + ".";
    if (entry.size() > ours.size() + 4 && entry.substr(0, ours.size()) == ours && entry.ends_with(".tmp")) {
        const auto pid = parsePidAndCounter(entry.substr(ours.size(), entry.size() - ours.size() - 4), '-');
        return {pid.has_value(), pid};
    }
    const std::string hidden = ".~" + std::string(name) + ".";
    if (entry.size() == hidden.size() + 6 && entry.substr(0, hidden.size()) == hidden) {
        const std::string_view suffix = entry.substr(hidden.size());
        const bool random = std::all_of(suffix.begin(), suffix.end(), [](char c) {
            return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        });
        return {random, std::nullopt};
    }
    const std::string settings = std::string(name) + ".tmp";
    if (entry.size() > settings.size() && entry.substr(0, settings.size()) == settings) {
        const auto pid = parsePidAndCounter(entry.substr(settings.size()), '_');
        return {pid.has_value(), pid};
    }
    return {};
}

bool processLives(pid_t pid)
{
    return pid == ::getpid() || ::kill(pid, 0) == 0 || errno != ESRCH;
}

/// A writer holds a lock on its temporary file until the file has its final name: a lock seen means
/// a living writer, even one whose process id means nothing here (another pid namespace).
bool lockedByWriter(int fd)
{
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    return ::fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
}

void lockForWriting(int fd)
{
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    (void)::fcntl(fd, F_OFD_SETLK, &lock); // a file system without locks still has the process id
}

/// Whether any process this one may look at has the file open: the earlier XML writer's names carry
/// no process id, and its file is open for as long as it is being written.
bool openAnywhere(const struct stat& file)
{
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr) {
        return true;
    }
    bool found = false;
    while (const dirent* p = found ? nullptr : ::readdir(proc)) {
        if (!parsePid(p->d_name)) {
            continue;
        }
        DIR* fds = ::opendir(("/proc/" + std::string(p->d_name) + "/fd").c_str());
        if (fds == nullptr) {
            continue;
        }
        while (const dirent* f = found ? nullptr : ::readdir(fds)) {
            struct stat st = {};
            found =
                ::fstatat(::dirfd(fds), f->d_name, &st, 0) == 0 && st.st_dev == file.st_dev && st.st_ino == file.st_ino;
        }
        ::closedir(fds);
    }
    ::closedir(proc);
    return found;
}

bool isLeftover(int folder, const char* entry, const Leftover& kind)
{
    struct stat st = {};
    {
        const Fd fd(::openat(folder, entry, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (!fd || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || lockedByWriter(fd.get())) {
            return false;
        }
    } // closed before looking for processes that have it open
    if (kind.pid) {
        return !processLives(*kind.pid);
    }
    return std::time(nullptr) - st.st_mtime >= kAnonymousAge && !openAnywhere(st);
}

/// Removes the temporary files that saves of `name` by processes no longer running left behind.
void removeLeftovers(int folder, std::string_view name)
{
    const int listFd = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
    if (dir == nullptr) {
        if (listFd >= 0) {
            ::close(listFd);
        }
        return;
    }
    while (const dirent* e = ::readdir(dir)) {
        const Leftover kind = classify(e->d_name, name);
        if (kind.matches && isLeftover(folder, e->d_name, kind)) {
            ::unlinkat(folder, e->d_name, 0);
        }
    }
    ::closedir(dir);
}

/// The folder of a save: readable where possible, to list it for leftovers and to sync it.
struct Folder
{
    Fd fd;
    bool readable = false;
};

int openFolder(const std::string& path, Folder& folder)
{
    folder.fd.reset(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    folder.readable = static_cast<bool>(folder.fd);
    if (!folder.fd && errno == EACCES) {
        // A folder one may write but not list: the save still works, unlisted and unsynced.
        folder.fd.reset(::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    }
    return folder.fd ? 0 : errno;
}

/// Gives the temporary file the old file's owner and permissions, writes and syncs it.
int fill(int fd, std::string_view bytes, const struct stat* old)
{
    if (old != nullptr) {
        (void)::fchown(fd, old->st_uid, old->st_gid); // works for root and for a group one belongs to
        (void)::fchmod(fd, old->st_mode & 07777);
    }
    if (const int error = writeAll(fd, bytes.data(), bytes.size())) {
        return error;
    }
    reached(SaveStep::Written);
    if (::fsync(fd) != 0) {
        return errno;
    }
    reached(SaveStep::Synced);
    return 0;
}

/// Renames the complete temporary file over the target and syncs the folder.
int replace(const Folder& folder, const std::string& temp, const std::string& name)
{
    reached(SaveStep::Named);
    if (::renameat(folder.fd.get(), temp.c_str(), folder.fd.get(), name.c_str()) != 0) {
        const int error = errno;
        ::unlinkat(folder.fd.get(), temp.c_str(), 0);
        return error;
    }
    reached(SaveStep::Replaced);
    if (folder.readable) {
        if (const int error = syncFd(folder.fd.get())) {
            return error; // in place, but a power cut may still take it back
        }
    }
    reached(SaveStep::FolderSynced);
    return 0;
}

/// The file is written without a name and named only when complete, so a save killed before that
/// leaves nothing. A new name cannot replace an old one, so the file gets a temporary name first and is
/// renamed over the target; a save killed between the two leaves that name, which carries the process
/// id for the next save to remove it.
int saveUnnamed(const Folder& folder, const std::string& name, std::string_view bytes, const struct stat* old)
{
    const Fd fd(::openat(folder.fd.get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
    if (!fd) {
        return errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL ? kUnsupported : errno;
    }
    lockForWriting(fd.get());
    reached(SaveStep::Created);
    if (const int error = fill(fd.get(), bytes, old)) {
        return error;
    }
    const std::string self = "/proc/self/fd/" + std::to_string(fd.get());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string temp = tempName(name, g_counter++);
        int linked = ::linkat(AT_FDCWD, self.c_str(), folder.fd.get(), temp.c_str(), AT_SYMLINK_FOLLOW);
        if (linked != 0 && errno == ENOENT) {
            // No /proc: naming a file by its descriptor needs a privilege; without it, write it again.
            linked = ::linkat(fd.get(), "", folder.fd.get(), temp.c_str(), AT_EMPTY_PATH);
            if (linked != 0 && (errno == ENOENT || errno == EPERM)) {
                return kUnsupported;
            }
        }
        if (linked == 0) {
            return replace(folder, temp, name);
        }
        if (errno != EEXIST) {
            return errno;
        }
    }
    return EEXIST;
}

int saveNamed(const Folder& folder, const std::string& name, std::string_view bytes, const struct stat* old)
{
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = tempName(name, g_counter++);
        fd = ::openat(folder.fd.get(), temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            return errno;
        }
    }
    if (fd < 0) {
        return EEXIST;
    }
    const Fd closer(fd);
    lockForWriting(fd);
    reached(SaveStep::Created);
    if (const int error = fill(fd, bytes, old)) {
        ::unlinkat(folder.fd.get(), temp.c_str(), 0);
        return error;
    }
    return replace(folder, temp, name);
}

} // namespace

FileWriteResult WriteFileChecked(const std::string& path, std::string_view bytes)
{
    const std::string target = writeTarget(path);
    const std::size_t slash = target.rfind('/');
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    if (name.empty()) {
        return {EISDIR};
    }
    Folder folder;
    if (const int error = openFolder(folderOf(target), folder)) {
        return {error};
    }
    // Leftovers go first: on a full disk their space may be what the new file needs.
    if (folder.readable) {
        removeLeftovers(folder.fd.get(), name);
    }
    struct stat old = {};
    const struct stat* previous = ::fstatat(folder.fd.get(), name.c_str(), &old, 0) == 0 ? &old : nullptr;
    int error = kUnsupported;
    if (g_unnamedAllowed.load(std::memory_order_relaxed)) {
        error = saveUnnamed(folder, name, bytes, previous);
    }
    if (error == kUnsupported) {
        error = saveNamed(folder, name, bytes, previous);
    }
    return {error};
}

FileWriteResult CopyFileChecked(const std::string& from, const std::string& to)
{
    std::string bytes;
    if (const int error = readWhole(from, bytes)) {
        return {error};
    }
    return WriteFileChecked(to, bytes);
}

FileWriteResult MoveFileChecked(const std::string& from, const std::string& to)
{
    const std::string target = writeTarget(to);
    // The file must be on disk before its new name is, or a power cut could leave that name empty.
    if (const Fd fd(::open(from.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)); fd) {
        if (const int error = syncFd(fd.get())) {
            return {error};
        }
    }
    if (::rename(from.c_str(), target.c_str()) == 0) {
        int error = syncFolder(folderOf(target));
        if (error == 0 && folderOf(target) != folderOf(from)) {
            error = syncFolder(folderOf(from));
        }
        return {error};
    }
    if (errno != EXDEV) {
        return {errno};
    }
    // Another file system: the copy must be complete on disk before the original goes.
    if (const FileWriteResult copied = CopyFileChecked(from, target); !copied) {
        return copied;
    }
    if (::unlink(from.c_str()) != 0) {
        return {errno};
    }
    return {syncFolder(folderOf(from))};
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes)
{
    return static_cast<bool>(WriteFileChecked(path, bytes));
}

bool CopyFileAtomically(const std::string& from, const std::string& to)
{
    return static_cast<bool>(CopyFileChecked(from, to));
}

bool MoveFileReplacing(const std::string& from, const std::string& to)
{
    return static_cast<bool>(MoveFileChecked(from, to));
}

namespace safefile_test
{
void SetStepObserver(void (*observer)(SaveStep))
{
    g_observer.store(observer);
}

void SetUnnamedTemporaryFiles(bool allowed)
{
    g_unnamedAllowed.store(allowed);
}
} // namespace safefile_test

} // namespace qar
