#pragma once

#include "TempDir.h"

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace qar::test
{

using namespace std::chrono_literals;

/// A program run for a test (found on PATH unless given with a path), its standard output read line by
/// line whenever the test asks for it. It is killed when the object goes, and also when the test process
/// dies, however it dies: a test killed by ctest's timeout leaves no server or X server behind.
class ChildProcess
{
public:
    ChildProcess(const std::string& program, const std::vector<std::string>& args,
                 const std::map<std::string, std::string>& env = {}, const std::string& dir = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return m_pid; }
    /// The lines printed so far that contain `text`, once there are `atLeast` of them; fewer when
    /// `timeout` passed or the output ended first.
    std::vector<std::string> lines(const std::string& text = {}, std::size_t atLeast = 0,
                                   std::chrono::milliseconds timeout = 10s);
    /// Everything printed so far.
    std::string output();
    /// Waits up to `timeout` for the program to end by itself: its waitpid status, or nothing.
    std::optional<int> wait(std::chrono::milliseconds timeout);
    /// Sends `signal` (unless it ended already) and reaps the process; its waitpid status.
    int stop(int signal);

private:
    /// Reads what the program printed, waiting up to `waitMs` for it; false when nothing came.
    bool readSome(int waitMs);

    pid_t m_pid = -1;
    int m_output = -1;
    std::string m_partial;
    std::vector<std::string> m_lines;
    bool m_ended = false; ///< the output pipe closed
    std::optional<int> m_status;
};

/// Runs a program to its end: true when it exited with 0 within `timeout`; its output in `output`.
bool runToEnd(const std::string& program, const std::vector<std::string>& args, std::chrono::milliseconds timeout,
              std::string* output = nullptr);

/// RXServer.exe started for one test in an empty program directory, on a port of its choosing (or
/// the one given), without a window unless asked.
class RxServerProcess
{
public:
    explicit RxServerProcess(std::uint16_t port = 0, std::vector<std::string> args = {"-nowindow"},
                             std::map<std::string, std::string> env = {});

    std::uint16_t port() const { return m_port; }
    ChildProcess& process() { return *m_child; }
    /// The lines containing `text`, once there is one (or more, as `ChildProcess::lines`).
    std::vector<std::string> lines(const std::string& text, std::size_t atLeast = 1)
    {
        return m_child->lines(text, atLeast);
    }

private:
    TempDir m_dir;
    std::unique_ptr<ChildProcess> m_child;
    std::uint16_t m_port = 0;
};

/// A private X server on a display number it picks itself; `display` (":N") stays empty when it did
/// not come up.
class Xvfb
{
public:
    Xvfb();
    std::string display;

private:
    ChildProcess m_process;
};

} // namespace qar::test
