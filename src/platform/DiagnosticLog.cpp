#include "platform/DiagnosticLog.h"

#include "platform/SafeFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace qar
{

namespace
{

std::string entryText(std::string_view what)
{
    char stamp[32] = {};
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    std::string entry = std::string(stamp) + " qaradmin[" + std::to_string(::getpid()) + "] ";
    // A diagnostic of several lines (one per driver record) stays one entry: the lines after the first
    // are indented.
    for (char c : what) {
        entry += c;
        if (c == '\n') {
            entry += "    ";
        }
    }
    while (!entry.empty() && (entry.back() == '\n' || entry.back() == ' ')) {
        entry.pop_back();
    }
    return entry + "\n";
}

void writeAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;
        }
        done += static_cast<std::size_t>(n);
    }
}

} // namespace

std::string DiagnosticLogPath()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state != nullptr && state[0] == '/') {
        return std::string(state) + "/qar/qaradmin.log";
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return std::string(home) + "/.local/state/qar/qaradmin.log";
    }
    return {};
}

void LogDiagnostic(std::string_view what) noexcept
{
    try {
        const std::string entry = entryText(what);
        writeAll(STDERR_FILENO, entry);
        const std::string path = DiagnosticLogPath();
        if (path.empty()) {
            return;
        }
        std::error_code ignored;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
        struct stat st
        {};
        if (::stat(path.c_str(), &st) == 0 &&
            static_cast<std::size_t>(st.st_size) + entry.size() > kDiagnosticLogLimit) {
            MoveFileReplacing(path, path + ".1");
        }
        // A log grows by appending; the entries may name hosts and users, so only the owner reads it.
        const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0) {
            return;
        }
        writeAll(fd, entry);
        ::close(fd);
    } catch (...) {
        // Nothing may fail because the log could not be written.
    }
}

} // namespace qar
