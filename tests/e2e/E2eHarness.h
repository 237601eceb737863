#pragma once

#include "TempDir.h"

#include <QProcess>
#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace qar::test
{

/// A private X server for one test process: Xvfb picks a free display number itself (-displayfd).
/// It dies with the test process even when the test is killed.
class XServer
{
public:
    XServer() = default;
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    /// Starts Xvfb and waits until it accepts clients; false (with a reason) when it did not come up.
    bool start(std::string& why);
    void stop();
    /// ":N".
    const std::string& display() const { return m_display; }

private:
    pid_t m_pid = -1;
    std::string m_display;
};

/// A child process that is killed when the test process ends, whatever way it ends.
void dieWithParent(QProcess& process);

/// Runs a program to its end; false when it failed or took longer than `timeout`. Its output goes to
/// `output` when given.
bool runToEnd(const QString& program, const QStringList& arguments, std::chrono::milliseconds timeout,
              QString* output = nullptr);

/// A program directory as the server's installation leaves it: the tool, optionally RXServer.exe
/// beside it, DB.dat naming a data source registered in a private odbc.ini, the settings files of the
/// demo and a generated SQLite database. The environment of this process points at it (program
/// directory, ODBC files, Windows directory), so the tool run in-process and every child sees it.
class ProgramDir
{
public:
    struct Options
    {
        bool withServer = true;  ///< RXServer.exe beside the tool (local start)
        bool registerDsn = true; ///< the data source in the machine's odbc.ini
        int groups = 2;          ///< generated rows; 0 groups: every table empty
        int units = 6;
        int depth = 2;
        int users = 12;
    };

    ProgramDir() = default;
    /// Prepares everything; false (with a reason) on the first step that failed.
    bool prepare(const Options& options, std::string& why);

    std::string program() const { return m_root.file("program"); }
    std::string file(const std::string& relative) const { return program() + "/" + relative; }
    std::string database() const { return file("UserData/qar.db"); }
    std::string windowsDir() const { return m_root.file("windows"); }
    std::string root() const { return m_root.path().string(); }
    static const char* dsnName() { return "QARE2E"; }

    /// Rows of an SQL query through the sqlite3 command (an independent reader), "|"-separated.
    QStringList query(const QString& sql) const;

private:
    TempDir m_root;
};

/// RXServer.exe started from the program directory, on a port the system picks; its output lines are
/// gathered for the test to look at.
class ServerProcess
{
public:
    explicit ServerProcess(const std::string& programDir) : m_programDir(programDir) {}
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    /// Starts it with -port:0 and the given switches; waits for its "listening" line and its window.
    bool start(const QStringList& switches, std::string& why);
    std::uint16_t port() const { return m_port; }
    qint64 pid() const { return m_process.processId(); }
    /// Everything it printed so far.
    QStringList lines();
    /// True when a line printed so far contains `text` (does not wait: the caller keeps events flowing).
    bool hasLine(const QString& text);
    /// Waits until a printed line contains `text`; true when one did within `timeout`.
    bool waitForLine(const QString& text, std::chrono::milliseconds timeout);
    void signal(int number);
    /// Kills it without a chance to clean up, and reaps it.
    void kill();

private:
    std::string m_programDir;
    QProcess m_process;
    QString m_buffer;
    QStringList m_lines;
    std::uint16_t m_port = 0;
};

/// The top-level window of process `pid` on the X display whose title begins with `titlePrefix`, when
/// it is mapped and viewable. Looks a few levels below the root (window managers reparent).
bool findViewableWindow(const std::string& display, qint64 pid, const std::string& titlePrefix);

/// Any process other than `except` whose executable name contains "rxserver.exe" (any case): the tool
/// counts such a process as its server, wherever it runs.
std::optional<int> otherServerProcess(qint64 except);

/// Live processes running the executable at `path` (started by someone else, e.g. the tool).
std::vector<int> processesOf(const std::string& path);
/// True once process `id` holds signal `number` back for itself (RXServer.exe takes its signals in its
/// loop; before that, SIGUSR1 would end it).
bool blocksSignal(int id, int number);
void signalProcesses(const std::vector<int>& ids, int number);
/// Ends them (SIGTERM, then SIGKILL after 3 s) and forgets them.
void endProcesses(std::vector<int>& ids);

/// Saves the whole screen as `name`.png in the test's artefact folder; returns the path or empty.
QString screenshot(const std::string& display, const QString& name);

} // namespace qar::test
