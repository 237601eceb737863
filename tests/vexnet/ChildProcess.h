#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace qar::test
{

/// A program run for one test, its standard output collected line by line. Killed on destruction.
class ChildProcess
{
public:
    ChildProcess(const std::string& program, const std::vector<std::string>& args,
                 const std::map<std::string, std::string>& env = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return m_pid; }
    /// The first line (from the start) containing `text`; empty when none came within `timeout`.
    std::string waitForLine(const std::string& text, std::chrono::milliseconds timeout = std::chrono::seconds(10));
    /// How many lines so far contain `text`.
    int countLines(const std::string& text);
    /// Waits until `count` lines contain `text`; false after `timeout`.
    bool waitForCount(const std::string& text, int count, std::chrono::milliseconds timeout = std::chrono::seconds(10));
    /// Sends `signal` and reaps the process; its exit status as waitpid gives it.
    int stop(int signal);

private:
    int countLocked(const std::string& text) const;

    pid_t m_pid = -1;
    int m_output = -1;
    std::thread m_reader;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::string> m_lines;
    bool m_reaped = false;
    int m_status = 0;
};

} // namespace qar::test
