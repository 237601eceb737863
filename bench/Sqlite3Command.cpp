#include "Sqlite3Command.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace qar::bench
{

void RunSqlite3Fetch(benchmark::State& state, const std::string& file, const std::string& sql)
{
    double childCpu = 0;
    for (auto _ : state) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        const char* argv[] = {"sqlite3", "-batch", file.c_str(), sql.c_str(), nullptr};
        pid_t pid = 0;
        const int spawned = posix_spawnp(&pid, "sqlite3", &actions, nullptr, const_cast<char**>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) {
            state.SkipWithError("sqlite3 command not found");
            return;
        }
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("sqlite3 failed");
            return;
        }
        childCpu += static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                    static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    }
    state.counters["child_cpu_ms"] = childCpu / static_cast<double>(state.iterations());
}

} // namespace qar::bench
