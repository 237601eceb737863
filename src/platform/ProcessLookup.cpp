#include "platform/ProcessLookup.h"

#include <algorithm>
#include <cctype>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace qar
{

namespace
{

// The /proc files read here are short; the first 4 KiB hold all that is looked at.
std::optional<std::string> readHead(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    std::string text(4096, '\0');
    const ssize_t length = ::read(fd, text.data(), text.size());
    ::close(fd);
    if (length < 0) {
        return std::nullopt;
    }
    text.resize(static_cast<std::size_t>(length));
    return text;
}

std::optional<std::string> readLink(const std::string& path)
{
    std::string target(4096, '\0');
    const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
    if (length <= 0) {
        return std::nullopt;
    }
    target.resize(static_cast<std::size_t>(length));
    return target;
}

std::string baseName(std::string_view path)
{
    const auto slash = path.find_last_of('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

// The state letter follows the command name, which is in parentheses and may itself hold ')'.
bool isZombie(const std::string& stat)
{
    const auto close = stat.rfind(')');
    return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'Z';
}

bool isPid(const char* name)
{
    if (*name == '\0') {
        return false;
    }
    for (; *name != '\0'; ++name) {
        if (!std::isdigit(static_cast<unsigned char>(*name))) {
            return false;
        }
    }
    return true;
}

} // namespace

std::string executableNameFrom(const std::optional<std::string>& exeLink, const std::optional<std::string>& cmdline,
                               const std::optional<std::string>& comm)
{
    if (exeLink && !exeLink->empty()) {
        std::string_view target = *exeLink;
        constexpr std::string_view kDeleted = " (deleted)";
        if (target.size() > kDeleted.size() && target.ends_with(kDeleted)) {
            target.remove_suffix(kDeleted.size());
        }
        return baseName(target);
    }
    if (cmdline && !cmdline->empty()) {
        const std::string argv0 = cmdline->substr(0, cmdline->find('\0'));
        if (!argv0.empty()) {
            return baseName(argv0);
        }
    }
    if (comm) {
        std::string name = comm->substr(0, comm->find('\n'));
        // The kernel keeps at most 15 characters of the name.
        return name.substr(0, 15);
    }
    return {};
}

std::string processExecutableName(int pid)
{
    const std::string dir = "/proc/" + std::to_string(pid);
    const std::optional<std::string> stat = readHead(dir + "/stat");
    if (!stat || isZombie(*stat)) {
        return {};
    }
    // Each source is read only when the one before gave nothing: the scan runs before every change row.
    const std::optional<std::string> exe = readLink(dir + "/exe");
    if (exe) {
        return executableNameFrom(exe, std::nullopt, std::nullopt);
    }
    const std::optional<std::string> cmdline = readHead(dir + "/cmdline");
    if (cmdline && !cmdline->empty() && cmdline->front() != '\0') {
        return executableNameFrom(std::nullopt, cmdline, std::nullopt);
    }
    return executableNameFrom(std::nullopt, std::nullopt, readHead(dir + "/comm"));
}

int findProcessByName(std::string_view lowerName)
{
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr) {
        return 0;
    }
    int found = 0;
    while (const dirent* entry = ::readdir(proc)) {
        if (!isPid(entry->d_name)) {
            continue;
        }
        const int pid = std::atoi(entry->d_name);
        if (pid == 0) {
            continue;
        }
        std::string name = processExecutableName(pid);
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (name.find(lowerName) != std::string::npos) {
            found = pid;
            break;
        }
    }
    ::closedir(proc);
    return found;
}

int FindServerProcess()
{
    return findProcessByName(kServerProcessName);
}

} // namespace qar
