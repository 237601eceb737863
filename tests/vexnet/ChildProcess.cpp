#include "ChildProcess.h"

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace qar::test
{

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const std::map<std::string, std::string>& env)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe");
    }
    std::map<std::string, std::string> merged;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        const auto equals = entry.find('=');
        merged[entry.substr(0, equals)] = equals == std::string::npos ? "" : entry.substr(equals + 1);
    }
    for (const auto& [name, value] : env) {
        merged[name] = value;
    }
    std::vector<std::string> envText;
    for (const auto& [name, value] : merged) {
        envText.push_back(name + "=" + value);
    }
    std::vector<char*> envp;
    for (auto& text : envText) {
        envp.push_back(text.data());
    }
    envp.push_back(nullptr);
    std::vector<std::string> argText{program};
    argText.insert(argText.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& text : argText) {
        argv.push_back(text.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    // The child must not inherit the test's blocked signals, or SIGTERM would never reach it.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    const int rc = posix_spawn(&m_pid, program.c_str(), &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(fds[1]);
    if (rc != 0) {
        ::close(fds[0]);
        throw std::runtime_error("cannot start " + program);
    }
    m_output = fds[0];
    m_reader = std::thread([this] {
        std::string partial;
        char buffer[4096];
        for (;;) {
            const ssize_t got = ::read(m_output, buffer, sizeof buffer);
            if (got <= 0) {
                break;
            }
            partial.append(buffer, static_cast<std::size_t>(got));
            std::size_t newline;
            while ((newline = partial.find('\n')) != std::string::npos) {
                std::lock_guard lock(m_mutex);
                m_lines.push_back(partial.substr(0, newline));
                partial.erase(0, newline + 1);
                m_changed.notify_all();
            }
        }
    });
}

ChildProcess::~ChildProcess()
{
    stop(SIGKILL);
    if (m_reader.joinable()) {
        m_reader.join();
    }
    ::close(m_output);
}

std::string ChildProcess::waitForLine(const std::string& text, std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_mutex);
    std::string found;
    m_changed.wait_for(lock, timeout, [&] {
        for (const auto& line : m_lines) {
            if (line.find(text) != std::string::npos) {
                found = line;
                return true;
            }
        }
        return false;
    });
    return found;
}

int ChildProcess::countLines(const std::string& text)
{
    std::lock_guard lock(m_mutex);
    return countLocked(text);
}

int ChildProcess::countLocked(const std::string& text) const
{
    int count = 0;
    for (const auto& line : m_lines) {
        count += line.find(text) != std::string::npos ? 1 : 0;
    }
    return count;
}

bool ChildProcess::waitForCount(const std::string& text, int count, std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return countLocked(text) >= count; });
}

int ChildProcess::stop(int signal)
{
    if (!m_reaped && m_pid > 0) {
        ::kill(m_pid, signal);
        ::waitpid(m_pid, &m_status, 0);
        m_reaped = true;
    }
    return m_status;
}

} // namespace qar::test
