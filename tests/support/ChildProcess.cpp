#include "ChildProcess.h"

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace qar::test
{

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const std::map<std::string, std::string>& env, const std::string& dir)
{
    std::vector<std::string> envText;
    for (char** e = environ; *e != nullptr; ++e) {
        if (const std::string entry = *e; !env.contains(entry.substr(0, entry.find('=')))) {
            envText.push_back(entry);
        }
    }
    for (const auto& [name, value] : env) {
        envText.push_back(name + "=" + value);
    }
    std::vector<std::string> argText{program};
    argText.insert(argText.end(), args.begin(), args.end());
    const auto pointers = [](std::vector<std::string>& texts) {
        std::vector<char*> result;
        for (auto& text : texts) {
            result.push_back(text.data());
        }
        result.push_back(nullptr);
        return result;
    };
    std::vector<char*> envp = pointers(envText);
    std::vector<char*> argv = pointers(argText);

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe");
    }
    const pid_t parent = ::getpid();
    m_pid = ::fork();
    if (m_pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        // The test's blocked signals are not the child's: SIGTERM must reach it.
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        if (::getppid() != parent || ::dup2(fds[1], STDOUT_FILENO) < 0 || (!dir.empty() && ::chdir(dir.c_str()) != 0)) {
            ::_exit(126);
        }
        ::execvpe(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    if (m_pid < 0) {
        ::close(fds[0]);
        throw std::runtime_error("cannot start " + program);
    }
    m_output = fds[0];
}

ChildProcess::~ChildProcess()
{
    stop(SIGKILL);
    ::close(m_output);
}

bool ChildProcess::readSome(int waitMs)
{
    pollfd wanted{m_output, POLLIN, 0};
    if (m_ended || ::poll(&wanted, 1, waitMs) <= 0) {
        return false;
    }
    char buffer[4096];
    const ssize_t got = ::read(m_output, buffer, sizeof buffer);
    if (got <= 0) {
        m_ended = true;
        return false;
    }
    m_partial.append(buffer, static_cast<std::size_t>(got));
    for (std::size_t newline; (newline = m_partial.find('\n')) != std::string::npos;) {
        m_lines.push_back(m_partial.substr(0, newline));
        m_partial.erase(0, newline + 1);
    }
    return true;
}

std::vector<std::string> ChildProcess::lines(const std::string& text, std::size_t atLeast,
                                             std::chrono::milliseconds timeout)
{
    const auto until = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        while (readSome(0)) {
        }
        std::vector<std::string> found;
        std::copy_if(m_lines.begin(), m_lines.end(), std::back_inserter(found),
                     [&text](const std::string& line) { return line.find(text) != std::string::npos; });
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        if (found.size() >= atLeast || m_ended || left.count() <= 0) {
            return found;
        }
        readSome(static_cast<int>(left.count()));
    }
}

std::string ChildProcess::output()
{
    std::string text;
    for (const std::string& line : lines()) {
        text += line + "\n";
    }
    return text;
}

std::optional<int> ChildProcess::wait(std::chrono::milliseconds timeout)
{
    const auto until = std::chrono::steady_clock::now() + timeout;
    for (int status = 0; !m_status;) {
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_status = status;
        } else if (std::chrono::steady_clock::now() >= until) {
            break;
        } else if (!readSome(5) && m_ended) { // reading on, so a talkative program never blocks on its pipe
            std::this_thread::sleep_for(5ms);
        }
    }
    return m_status;
}

int ChildProcess::stop(int signal)
{
    if (!m_status && m_pid > 0) {
        ::kill(m_pid, signal);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_status = status;
    }
    return m_status.value_or(0);
}

bool runToEnd(const std::string& program, const std::vector<std::string>& args, std::chrono::milliseconds timeout,
              std::string* output)
{
    ChildProcess child(program, args);
    const std::optional<int> status = child.wait(timeout);
    if (output != nullptr) {
        child.lines({}, SIZE_MAX, 1s); // until the output ends
        *output = child.output();
    }
    return status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0;
}

RxServerProcess::RxServerProcess(std::uint16_t port, std::vector<std::string> args,
                                 std::map<std::string, std::string> env)
{
    args.push_back("-port:" + std::to_string(port));
    env.try_emplace("QAR_PROGRAM_DIR", m_dir.path().string());
    m_child = std::make_unique<ChildProcess>(QAR_RXSERVER_PATH, args, env);
    const auto listening = m_child->lines("listening 127.0.0.1:", 1);
    if (listening.empty()) {
        throw std::runtime_error("RXServer.exe did not start listening");
    }
    m_port = static_cast<std::uint16_t>(std::stoi(listening[0].substr(listening[0].rfind(':') + 1)));
}

Xvfb::Xvfb() : m_process("Xvfb", {"-displayfd", "1", "-nolisten", "tcp", "-noreset", "-screen", "0", "1280x800x24"})
{
    if (const auto number = m_process.lines({}, 1); !number.empty()) {
        display = ":" + number[0];
    }
}

} // namespace qar::test
