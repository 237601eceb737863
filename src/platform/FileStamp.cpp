#include "platform/FileStamp.h"

#include <cstdio>
#include <ctime>
#include <functional>
#include <string_view>
#include <sys/stat.h>

namespace qar
{

namespace
{

long long nanoseconds(const timespec& t)
{
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

// File times advance in ticks of the kernel's coarse clock, and by whole seconds or two on some file
// systems: a file changed within the last two seconds may change again without its times moving, so its
// content stands in for them.
constexpr long long kSettleNs = 2000000000LL;

std::string contentHash(const std::string& path)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        return "?";
    }
    std::string content;
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) {
        content.append(buffer, n);
    }
    std::fclose(f);
    return std::to_string(std::hash<std::string_view>{}(content));
}

} // namespace

std::string ReadFileStamp(const std::vector<std::string>& paths)
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::string stamp;
    for (const std::string& path : paths) {
        struct stat st
        {};
        if (stat(path.c_str(), &st) != 0) {
            stamp += "-;";
            continue;
        }
        // The change time cannot be set back by a program, as the modification time can: every write,
        // rename or attribute change moves it.
        stamp += std::to_string(st.st_dev) + ':' + std::to_string(st.st_ino) + ':' + std::to_string(st.st_size) + ':' +
                 std::to_string(nanoseconds(st.st_mtim)) + ':' + std::to_string(nanoseconds(st.st_ctim));
        if (nanoseconds(now) - nanoseconds(st.st_ctim) < kSettleNs) {
            stamp += '#' + contentHash(path);
        }
        stamp += ';';
    }
    return stamp;
}

} // namespace qar
