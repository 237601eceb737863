#include "E2eHarness.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QThread>

#include <xcb/xcb.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qar::test
{

namespace
{

std::string env(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

bool copyExecutable(const std::string& from, const std::string& to, std::string& why)
{
    std::error_code error;
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, error);
    if (error) {
        why = "cannot copy " + from + " to " + to + ": " + error.message();
        return false;
    }
    return true;
}

std::string sqliteDriver()
{
    for (const char* candidate :
         {"/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so", "/usr/lib/aarch64-linux-gnu/odbc/libsqlite3odbc.so",
          "/usr/lib/odbc/libsqlite3odbc.so"}) {
        if (std::filesystem::exists(candidate)) {
            return candidate;
        }
    }
    return {};
}

} // namespace

// ---------------------------------------------------------------------------------------------------

XServer::~XServer()
{
    stop();
}

bool XServer::start(std::string& why)
{
    int fds[2];
    if (::pipe(fds) != 0) {
        why = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    const pid_t parent = ::getpid();
    m_pid = ::fork();
    if (m_pid < 0) {
        why = std::string("fork: ") + std::strerror(errno);
        return false;
    }
    if (m_pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) {
            ::_exit(1);
        }
        ::close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        // Xvfb's own chatter would only clutter the test output.
        if (const int devNull = ::open("/dev/null", O_WRONLY); devNull >= 0) {
            ::dup2(devNull, 1);
            ::dup2(devNull, 2);
        }
        ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x800x24", "-nolisten", "tcp",
                 "-noreset", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    // Xvfb writes the display number once it is ready for clients.
    std::string number;
    char c = 0;
    while (::read(fds[0], &c, 1) == 1 && c != '\n') {
        number += c;
    }
    ::close(fds[0]);
    if (number.empty()) {
        why = "Xvfb did not report a display";
        stop();
        return false;
    }
    m_display = ":" + number;
    return true;
}

void XServer::stop()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        for (int i = 0; i < 50; ++i) {
            if (::waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
                m_pid = -1;
                return;
            }
            ::usleep(20000);
        }
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
}

// ---------------------------------------------------------------------------------------------------

void dieWithParent(QProcess& process)
{
    const pid_t parent = ::getpid();
    process.setChildProcessModifier([parent] {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) {
            ::_exit(1);
        }
    });
}

bool runToEnd(const QString& program, const QStringList& arguments, std::chrono::milliseconds timeout, QString* output)
{
    QProcess process;
    dieWithParent(process);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const bool finished = process.waitForFinished(static_cast<int>(timeout.count()));
    if (!finished) {
        process.kill();
        process.waitForFinished(2000);
    }
    if (output != nullptr) {
        *output = QString::fromUtf8(process.readAll());
    }
    return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// ---------------------------------------------------------------------------------------------------

bool ProgramDir::prepare(const Options& options, std::string& why)
{
    const std::string source = env("QAR_SOURCE_DIR");
    const std::string tool = env("QAR_E2E_QARADMIN");
    const std::string server = env("QAR_E2E_RXSERVER");
    const std::string datagen = env("QAR_E2E_DATAGEN");
    if (source.empty() || tool.empty() || server.empty() || datagen.empty()) {
        why = "QAR_SOURCE_DIR, QAR_E2E_QARADMIN, QAR_E2E_RXSERVER and QAR_E2E_DATAGEN must be set";
        return false;
    }
    const std::string driver = sqliteDriver();
    if (driver.empty()) {
        why = "the SQLite ODBC driver is not installed";
        return false;
    }
    for (const char* dir :
         {"program/UserData/config/xmldata", "program/UserData/config/icodata", "program/UserData/config/XMLs",
          "program/UserData/setting", "program/UserData/data/UGrps_Data", "odbc", "windows"}) {
        std::filesystem::create_directories(m_root.file(dir));
    }
    if (!copyExecutable(tool, file("qaradmin"), why) ||
        (options.withServer && !copyExecutable(server, file("RXServer.exe"), why))) {
        return false;
    }
    const std::string demo = source + "/demo/";
    for (const auto& [from, to] :
         std::initializer_list<std::pair<const char*, const char*>>{{"Power.dat", "Power.dat"},
                                                                    {"Help_Power.txt", "Help_Power.txt"},
                                                                    {"DBConf.htm", "DBConf.htm"},
                                                                    {"EnvInfo.dat", "UserData/config/EnvInfo.dat"},
                                                                    {"EnvParam.dat", "UserData/setting/EnvParam.dat"},
                                                                    {"DBField.dat", "UserData/setting/DBField.dat"},
                                                                    {"PropDef.dat", "UserData/setting/PropDef.dat"}}) {
        std::error_code error;
        std::filesystem::copy_file(demo + from, file(to), error);
        if (error) {
            why = "cannot copy " + demo + from + ": " + error.message();
            return false;
        }
    }
    writeFile(file("UserData/config/DB.dat"),
              std::string("[ODBC]\r\nDSN=") + dsnName() + "\r\nUID=\r\nPWD=\r\nFile=UserData\\qar.db\r\n");

    // The data source as the server's installation registers it, machine-wide (the system odbc.ini).
    std::string ini = "[ODBC Data Sources]\n";
    if (options.registerDsn) {
        ini += std::string(dsnName()) + "=Microsoft Access Driver (*.mdb)\n\n[" + dsnName() + "]\nDBQ=" + database() +
               "\nDatabase=" + database() + "\nDriver=" + driver +
               "\nJournalMode=WAL\nSyncPragma=NORMAL\nTimeout=10000\nDriverId=hex:19,00,00,00\nFIL=MS Access;\n"
               "SafeTransactions=hex:00,00,00,00\nUID=\nPWD=\n";
    }
    writeFile(m_root.file("odbc/odbc.ini"), ini);
    writeFile(m_root.file("odbc/user-odbc.ini"), "");
    writeFile(m_root.file("odbc/odbcinst.ini"), "");
    ::setenv("ODBCSYSINI", m_root.file("odbc").c_str(), 1);
    ::setenv("ODBCINI", m_root.file("odbc/user-odbc.ini").c_str(), 1);
    ::setenv("QAR_PROGRAM_DIR", program().c_str(), 1);
    ::setenv("QAR_WINDOWS_DIR", windowsDir().c_str(), 1);
    // Until a server of this test listens, the network client is pointed where nobody answers, so it
    // never reaches a server another program runs on the usual port.
    ::setenv("QAR_VEXNET_PORT", "1", 1);

    QString output;
    const QStringList arguments = {QStringLiteral("--sqlite"),
                                   QString::fromStdString(database()),
                                   QStringLiteral("--schema"),
                                   QStringLiteral("--sql-dir"),
                                   QString::fromStdString(source + "/sql"),
                                   QStringLiteral("--groups"),
                                   QString::number(std::max(options.groups, 1)),
                                   QStringLiteral("--units"),
                                   QString::number(options.units),
                                   QStringLiteral("--depth"),
                                   QString::number(options.depth),
                                   QStringLiteral("--users"),
                                   QString::number(options.users),
                                   QStringLiteral("--seed"),
                                   QStringLiteral("7")};
    if (!runToEnd(QString::fromStdString(datagen), arguments, std::chrono::seconds(60), &output)) {
        why = "qar_datagen failed: " + output.toStdString();
        return false;
    }
    if (options.groups == 0) {
        // The generator always writes a group and the roles; an empty database has the tables only.
        QString ignored;
        if (!runToEnd(QStringLiteral("sqlite3"),
                      {QString::fromStdString(database()),
                       QStringLiteral("DELETE FROM BaseTable; DELETE FROM UnitTable; DELETE FROM GroupTable; "
                                      "DELETE FROM DutyClassTable; DELETE FROM AppTable; DELETE FROM MsgtypeTable; "
                                      "DELETE FROM ParamTable; DELETE FROM ChangeTable;")},
                      std::chrono::seconds(20), &ignored)) {
            why = "cannot empty the database: " + ignored.toStdString();
            return false;
        }
    }
    return true;
}

QStringList ProgramDir::query(const QString& sql) const
{
    QProcess process;
    dieWithParent(process);
    process.start(QStringLiteral("sqlite3"), {QString::fromStdString(database()), sql});
    process.waitForFinished(10000);
    const QString text = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

// ---------------------------------------------------------------------------------------------------

ServerProcess::~ServerProcess()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(3000)) {
            kill();
        }
    }
}

bool ServerProcess::start(const QStringList& switches, std::string& why)
{
    dieWithParent(m_process);
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.setWorkingDirectory(QString::fromStdString(m_programDir));
    m_process.start(QString::fromStdString(m_programDir + "/RXServer.exe"),
                    QStringList{QStringLiteral("-port:0")} + switches);
    if (!m_process.waitForStarted(5000)) {
        why = "RXServer.exe did not start: " + m_process.errorString().toStdString();
        return false;
    }
    if (!waitForLine(QStringLiteral("listening "), std::chrono::seconds(10))) {
        why = "RXServer.exe did not listen: " + lines().join(QLatin1Char('\n')).toStdString();
        return false;
    }
    static const QRegularExpression listening(QStringLiteral("^listening .*:(\\d+)$"));
    for (const QString& line : lines()) {
        if (const auto match = listening.match(line); match.hasMatch()) {
            m_port = static_cast<std::uint16_t>(match.captured(1).toUInt());
        }
    }
    // The tool tells the server runs by its window; it is there once the server says so.
    if (m_port == 0 || !waitForLine(QStringLiteral("window "), std::chrono::seconds(10))) {
        why = "RXServer.exe did not come up: " + lines().join(QLatin1Char('\n')).toStdString();
        return false;
    }
    ::setenv("QAR_VEXNET_PORT", std::to_string(m_port).c_str(), 1);
    return true;
}

QStringList ServerProcess::lines()
{
    m_buffer += QString::fromUtf8(m_process.readAll());
    qsizetype end = 0;
    while ((end = m_buffer.indexOf(QLatin1Char('\n'))) >= 0) {
        m_lines << m_buffer.left(end);
        m_buffer.remove(0, end + 1);
    }
    return m_lines;
}

bool ServerProcess::hasLine(const QString& text)
{
    const QStringList all = lines();
    return std::any_of(all.begin(), all.end(), [&text](const QString& line) { return line.contains(text); });
}

bool ServerProcess::waitForLine(const QString& text, std::chrono::milliseconds timeout)
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        for (const QString& line : lines()) {
            if (line.contains(text)) {
                return true;
            }
        }
        if (clock.elapsed() >= timeout.count()) {
            return false;
        }
        m_process.waitForReadyRead(50);
    }
}

void ServerProcess::signal(int number)
{
    if (const qint64 id = m_process.processId(); id > 0) {
        ::kill(static_cast<pid_t>(id), number);
    }
}

void ServerProcess::kill()
{
    lines();
    m_process.kill();
    m_process.waitForFinished(5000);
}

// ---------------------------------------------------------------------------------------------------

namespace
{

xcb_atom_t atom(xcb_connection_t* connection, const char* name)
{
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t result = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return result;
}

std::string stringProperty(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property)
{
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024), nullptr);
    std::string value;
    if (reply != nullptr && reply->format == 8) {
        value.assign(static_cast<const char*>(xcb_get_property_value(reply)),
                     static_cast<std::size_t>(xcb_get_property_value_length(reply)));
    }
    std::free(reply);
    return value;
}

std::optional<std::uint32_t> cardinalProperty(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property)
{
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, property, XCB_ATOM_CARDINAL, 0, 1), nullptr);
    std::optional<std::uint32_t> value;
    if (reply != nullptr && reply->format == 32 && xcb_get_property_value_length(reply) >= 4) {
        value = *static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
    }
    std::free(reply);
    return value;
}

bool searchTree(xcb_connection_t* connection, xcb_window_t parent, int depth, qint64 pid, const std::string& prefix)
{
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(connection, xcb_query_tree(connection, parent), nullptr);
    if (tree == nullptr) {
        return false;
    }
    const xcb_window_t* children = xcb_query_tree_children(tree);
    const int count = xcb_query_tree_children_length(tree);
    const xcb_atom_t netWmName = atom(connection, "_NET_WM_NAME");
    const xcb_atom_t netWmPid = atom(connection, "_NET_WM_PID");
    bool found = false;
    for (int i = 0; i < count && !found; ++i) {
        const xcb_window_t child = children[i];
        std::string title = stringProperty(connection, child, netWmName);
        if (title.empty()) {
            title = stringProperty(connection, child, XCB_ATOM_WM_NAME);
        }
        if (title.starts_with(prefix) &&
            cardinalProperty(connection, child, netWmPid) == static_cast<std::uint32_t>(pid)) {
            xcb_get_window_attributes_reply_t* attributes =
                xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, child), nullptr);
            found = attributes != nullptr && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
            std::free(attributes);
        } else if (depth > 0) {
            found = searchTree(connection, child, depth - 1, pid, prefix);
        }
    }
    std::free(tree);
    return found;
}

} // namespace

bool findViewableWindow(const std::string& display, qint64 pid, const std::string& titlePrefix)
{
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(display.c_str(), &screenNumber);
    if (xcb_connection_has_error(connection) != 0) {
        xcb_disconnect(connection);
        return false;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber; ++i) {
        xcb_screen_next(&screens);
    }
    const bool found = searchTree(connection, screens.data->root, 2, pid, titlePrefix);
    xcb_disconnect(connection);
    return found;
}

std::optional<int> otherServerProcess(qint64 except)
{
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        const int id = std::atoi(name.c_str());
        if (id == except) {
            continue;
        }
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        std::getline(stat, line);
        if (const auto close = line.rfind(')');
            close != std::string::npos && line.size() > close + 2 && line[close + 2] == 'Z') {
            continue; // a zombie has no executable left
        }
        std::error_code error;
        std::string exe = std::filesystem::read_symlink(entry.path() / "exe", error).filename().string();
        if (error) {
            std::ifstream cmdline(entry.path() / "cmdline");
            std::getline(cmdline, exe, '\0');
            exe = std::filesystem::path(exe).filename().string();
        }
        for (char& c : exe) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        if (exe.find("rxserver.exe") != std::string::npos) {
            return id;
        }
    }
    return std::nullopt;
}

namespace
{

bool alive(int id)
{
    std::ifstream stat("/proc/" + std::to_string(id) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) {
        return false;
    }
    const auto close = line.rfind(')');
    return close == std::string::npos || line.size() <= close + 2 || line[close + 2] != 'Z';
}

} // namespace

std::vector<int> processesOf(const std::string& path)
{
    std::vector<int> ids;
    const std::filesystem::path wanted = std::filesystem::weakly_canonical(path);
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::error_code error;
        const std::filesystem::path exe = std::filesystem::read_symlink(entry.path() / "exe", error);
        const int id = std::atoi(name.c_str());
        if (!error && exe == wanted && alive(id)) {
            ids.push_back(id);
        }
    }
    return ids;
}

bool blocksSignal(int id, int number)
{
    std::ifstream status("/proc/" + std::to_string(id) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("SigBlk:")) {
            const unsigned long long mask = std::strtoull(line.c_str() + 7, nullptr, 16);
            return ((mask >> (number - 1)) & 1U) != 0;
        }
    }
    return false;
}

void signalProcesses(const std::vector<int>& ids, int number)
{
    for (int id : ids) {
        ::kill(id, number);
    }
}

void endProcesses(std::vector<int>& ids)
{
    signalProcesses(ids, SIGTERM);
    for (int i = 0; i < 150 && std::any_of(ids.begin(), ids.end(), alive); ++i) {
        ::usleep(20000);
    }
    for (int id : ids) {
        if (alive(id)) {
            ::kill(id, SIGKILL);
        }
    }
    ids.clear();
}

QString screenshot(const std::string& display, const QString& name)
{
    const QString folder = QString::fromStdString(env("QAR_E2E_ARTIFACTS"));
    if (folder.isEmpty()) {
        return {};
    }
    const QString path = QDir(folder).filePath(name + QStringLiteral(".png"));
    if (!runToEnd(QStringLiteral("import"),
                  {QStringLiteral("-display"), QString::fromStdString(display), QStringLiteral("-window"),
                   QStringLiteral("root"), path},
                  std::chrono::seconds(20))) {
        return {};
    }
    return path;
}

} // namespace qar::test
