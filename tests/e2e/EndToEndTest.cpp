// The tool end to end on a private X server: a prepared program directory, a generated database behind
// a private odbc.ini, RXServer.exe on a port of its own. Scenarios that look inside the main window run
// the real application object in this process on the X11 platform (the tool's widgets are not X11
// windows of their own); the others start the built qaradmin and watch its window and its files.

#include "E2eHarness.h"
#include "app/DatabaseShellHost.h"
#include "app/StartUp.h"
#include "app/ui/CAdminApp.h"
#include "app/ui/CMainDlg.h"
#include "app/ui/Launcher.h"
#include "app/ui/MessageService.h"
#include "org/ui/CUnitEditDlg.h"
#include "org/ui/CUnitUserPage.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>

using namespace qar;
using namespace qar::ui;
using namespace std::chrono_literals;

/// A helper's QVERIFY only leaves the helper: the scenario stops here too.
#define E2E_STEP(...)                                                                                                  \
    do {                                                                                                               \
        __VA_ARGS__;                                                                                                   \
        if (QTest::currentTestFailed()) {                                                                              \
            return;                                                                                                    \
        }                                                                                                              \
    } while (false)

namespace
{

/// How long to wait for the tool, the server or the database to catch up: generous, since the machine
/// may be busy (sanitizer builds, other tests); a healthy run needs well under a second.
constexpr int kPatienceMs = 15000;

const QStringList kSideBarTexts = {QStringLiteral("Groups"),        QStringLiteral("Roles"),
                                   QStringLiteral("Depts & Users"), QStringLiteral("Applications"),
                                   QStringLiteral("Websites"),      QStringLiteral("Message Extend")};
const PageKind kSideBarPages[] = {PageKind::Groups,       PageKind::Roles,    PageKind::UnitsAndUsers,
                                  PageKind::Applications, PageKind::Websites, PageKind::MessageTypes};

template <typename T> T* child(QWidget& window, const char* name)
{
    return window.findChild<T*>(QString::fromLatin1(name));
}

/// The page shown in the page area, or nullptr.
std::optional<PageKind> visiblePage(CMainDlg& window)
{
    std::optional<PageKind> shown;
    for (PageKind kind : kPageCreationOrder) {
        if (window.page(kind)->isVisible()) {
            if (shown) {
                return PageKind::EnvironmentParameters; // two pages at once is never right; the caller fails
            }
            shown = kind;
        }
    }
    return shown;
}

CUnitUserPage& unitsPage(CMainDlg& window)
{
    return *static_cast<CUnitUserPage*>(window.page(PageKind::UnitsAndUsers));
}

/// Adds a unit below `parentUnit` through the page's Add button and the unit form, as the administrator
/// does.
void addUnitThroughThePage(CMainDlg& window, int parentUnit, const QString& name)
{
    CUnitUserPage& page = unitsPage(window);
    page.selectNode(page.model().index().unitNodes.at(parentUnit));
    QTimer::singleShot(0, [name] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* form = qobject_cast<CUnitEditDlg*>(modal)) {
            form->findChild<QLineEdit*>(QStringLiteral("departmentLineEdit"))->setText(name);
            form->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
        } else if (auto* other = qobject_cast<QDialog*>(modal)) {
            other->reject();
        }
    });
    child<QPushButton>(page, "addUnitButton")->click();
}

QStringList shownMessages()
{
    QStringList texts;
    for (const ShownMessage& message : MessageService::instance().shown()) {
        texts << message.text;
    }
    return texts;
}

} // namespace

class EndToEndTest : public QObject
{
    Q_OBJECT

public:
    explicit EndToEndTest(std::string display) : m_display(std::move(display)) {}

private slots:
    void init()
    {
        // The data source, the program directory and the database services are set up once per process
        // (as in the tool), so a second scenario would meet the first one's: ctest names one per run.
        if (m_scenarios++ > 0) {
            QSKIP("one scenario per process: name it on the command line");
        }
        MessageService::instance().setHeadless(true);
        MessageService::instance().reset();
        m_dir = std::make_unique<test::ProgramDir>();
    }

    void cleanup()
    {
        test::endProcesses(m_restarted);
        m_server.reset();
        m_dir.reset();
        MessageService::instance().reset();
    }

    // Beside a running server: every side-bar entry opens its page, Start Service is off while the
    // server runs, and the server hears the tool come up.
    void startupSystemManager()
    {
        E2E_STEP(prepare({}));
        E2E_STEP(startServer({QStringLiteral("-reply:0")}));

        bool checked = false;
        runTool("qaradmin", [&](CMainDlg& window) {
            QVERIFY(window.windowTitle().startsWith(QStringLiteral("QAR-Orrin")));
            auto* bar = child<QListWidget>(window, "sideBarList");
            QStringList texts;
            for (int row = 0; row < bar->count(); ++row) {
                texts << bar->item(row)->text();
            }
            QCOMPARE(texts, kSideBarTexts);
            QCOMPARE(bar->currentRow(), 0);
            QCOMPARE(visiblePage(window), PageKind::Groups);
            // The pages loaded the generated rows.
            QTRY_COMPARE_WITH_TIMEOUT(unitsPage(window).model().index().unitNodes.size(), std::size_t{6}, kPatienceMs);
            QVERIFY(child<QPushButton>(window, "startServiceButton")->isVisible());
            QVERIFY(!child<QPushButton>(window, "startServiceButton")->isEnabled());
            QTRY_VERIFY_WITH_TIMEOUT(m_server->hasLine(QStringLiteral("546 refresh 0x00000000 none")), kPatienceMs);
            QVERIFY(!screenshot("e2e-system-manager").isEmpty());

            for (int row = bar->count() - 1; row >= 0; --row) {
                bar->setCurrentRow(row);
                QCOMPARE(visiblePage(window), kSideBarPages[row]);
                QVERIFY(!child<QLabel>(window, "noticeLabel")->isVisible());
            }
            checked = true;
        });
        QVERIFY(checked);
        QCOMPARE(shownMessages(), QStringList());
        QVERIFY(m_server->hasLine(QStringLiteral("client connected")));
    }

    // Started by the desktop client as manager of group 1: only the units-and-users entry opens a
    // page, and it holds group 1's units only; Start Service is hidden without a server beside.
    void startupGroupManager()
    {
        test::ProgramDir::Options options;
        options.withServer = false;
        E2E_STEP(prepare(options));
        const QStringList groupOneUnits =
            m_dir->query(QStringLiteral("SELECT UNIT_ID FROM UnitTable WHERE GROUP_ID = 1 ORDER BY UNIT_ID"));
        QVERIFY(!groupOneUnits.isEmpty());
        QVERIFY(groupOneUnits.size() < 6);

        bool checked = false;
        runTool("qaradmin -SetIP:127.0.0.1-Group:1-GroupManager", [&](CMainDlg& window) {
            QVERIFY(!window.startOptions().systemManager);
            QCOMPARE(window.startOptions().currentGroup, 1);
            auto* bar = child<QListWidget>(window, "sideBarList");
            auto* notice = child<QLabel>(window, "noticeLabel");
            QCOMPARE(bar->currentRow(), 2);
            QCOMPARE(visiblePage(window), PageKind::UnitsAndUsers);
            QVERIFY(!child<QPushButton>(window, "startServiceButton")->isVisible());
            QTRY_VERIFY_WITH_TIMEOUT(!unitsPage(window).model().index().unitNodes.empty(), kPatienceMs);
            QStringList shownUnits;
            for (const auto& [id, node] : unitsPage(window).model().index().unitNodes) {
                shownUnits << QString::number(id);
            }
            shownUnits.sort();
            QCOMPARE(shownUnits, groupOneUnits);
            QVERIFY(!screenshot("e2e-group-manager").isEmpty());

            for (int row = 0; row < bar->count(); ++row) {
                bar->setCurrentRow(row);
                if (row == 2) {
                    QCOMPARE(visiblePage(window), PageKind::UnitsAndUsers);
                } else {
                    QCOMPARE(visiblePage(window), std::nullopt);
                    QVERIFY(notice->isVisible());
                    QCOMPARE(notice->text(), QStringLiteral("You are not an administror, forbidden to view or "
                                                            "change  \"%1\"?")
                                                 .arg(kSideBarTexts[row]));
                }
            }
            checked = true;
        });
        QVERIFY(checked);
        QCOMPARE(shownMessages(), QStringList());
        // The built program, started the same way, shows its window too.
        QVERIFY(timeToMainWindow({QStringLiteral("-SetIP:127.0.0.1-Group:1-GroupManager")}, nullptr).has_value());
    }

    // The built program started with -first and the four hand-off files: it names group 1, creates the
    // root unit, keeps the corporation in EnvInfo.dat, copies the image and hands the units and users
    // files to the import tool, then closes by itself.
    void firstRunNamesGroupAndCreatesRootUnit()
    {
        test::ProgramDir::Options options;
        options.groups = 1;
        options.units = 0;
        options.users = 0;
        E2E_STEP(prepare(options));
        QCOMPARE(m_dir->query(QStringLiteral("SELECT COUNT(*) FROM UnitTable")), QStringList{QStringLiteral("0")});
        const std::string windows = m_dir->windowsDir();
        const std::string image("BM\x3a\0\0\0\0\0\0\0\x36\0\0\0", 14);
        test::writeFile(windows + "/Data0.d_t", image);
        test::writeFile(windows + "/Data1.d_t", "units sheet\r\n");
        test::writeFile(windows + "/Data2.d_t", "users sheet\r\n");
        test::writeFile(windows + "/Data3.d_t",
                        "[Info]\r\nm_sCorp=Harbour Works Ltd\r\nm_sHttp=http://harbour.example\r\n");
        // The import tool stand-in records how it was called.
        const std::string intake = m_dir->file("SheetIntake.exe");
        test::writeFile(intake, "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$(dirname \"$0\")/intake-args.txt\"\n");
        QFile::setPermissions(QString::fromStdString(intake), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        QProcess tool;
        test::dieWithParent(tool);
        tool.setProcessChannelMode(QProcess::MergedChannels);
        tool.setWorkingDirectory(QString::fromStdString(m_dir->program()));
        tool.start(QString::fromStdString(m_dir->file("qaradmin")), {QStringLiteral("-first")});
        const bool ended = tool.waitForFinished(60000);
        if (!ended) {
            screenshot("e2e-first-run-stuck");
            tool.kill();
            tool.waitForFinished(5000);
        }
        QVERIFY2(ended, "the tool did not close after handing over to the import tool");
        QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tool.exitCode(), 0);

        QCOMPARE(m_dir->query(QStringLiteral("SELECT GROUP_NAME, GROUP_URL FROM GroupTable WHERE GROUP_ID = 1")),
                 QStringList{QStringLiteral("Harbour Works Ltd|http://harbour.example")});
        QCOMPARE(m_dir->query(QStringLiteral("SELECT UNIT_ID, UNIT_NAME, SUPER_ID, TREE_CLASS, GROUP_ID, UNIT_FLAG, "
                                             "UNIT_STATUS, CAN_LOG, OL_TIME FROM UnitTable")),
                 QStringList{QStringLiteral("101|Harbour Works Ltd|0|1|1|0|1|0|0")});
        QCOMPARE(m_dir->query(QStringLiteral("SELECT COUNT(*) FROM ChangeTable")), QStringList{QStringLiteral("0")});
        const std::string envInfo = test::readFile(m_dir->file("UserData/config/EnvInfo.dat"));
        QVERIFY2(envInfo.find("m_sCorporationName=Harbour Works Ltd") != std::string::npos, envInfo.c_str());
        QVERIFY2(envInfo.find("m_sCorporationHomepage=http://harbour.example") != std::string::npos, envInfo.c_str());
        QCOMPARE(test::readFile(m_dir->file("AppConf.bmp")), image);

        // The import tool is started detached: give it a moment to write.
        const QString argsFile = QString::fromStdString(m_dir->file("intake-args.txt"));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(argsFile) && QFile(argsFile).size() > 0, kPatienceMs);
        const QString args = QString::fromStdString(test::readFile(argsFile.toStdString())).trimmed();
        const QString expected = QStringLiteral("-bysys-h\\d+-unit%1/Data1.d_t-user%1/Data2.d_t")
                                     .arg(QRegularExpression::escape(QString::fromStdString(windows)));
        QVERIFY2(QRegularExpression(QStringLiteral("^") + expected + QStringLiteral("$")).match(args).hasMatch(),
                 qPrintable(args));
    }

    // A unit added on the units-and-users page reaches the running server: the change row it polls
    // from the same database, and the refresh notification naming units after the server's reply.
    void changeReachesTheServer()
    {
        E2E_STEP(prepare({}));
        E2E_STEP(startServer({QStringLiteral("-reply:0"), QStringLiteral("-poll:200")}));

        bool checked = false;
        runTool("qaradmin", [&](CMainDlg& window) {
            QTRY_VERIFY_WITH_TIMEOUT(m_server->hasLine(QStringLiteral("546 refresh 0x00000000 none")), kPatienceMs);
            QTRY_VERIFY_WITH_TIMEOUT(!unitsPage(window).model().index().unitNodes.empty(), kPatienceMs);
            addUnitThroughThePage(window, 101, QStringLiteral("Quay Logistics"));

            const QStringList added = m_dir->query(
                QStringLiteral("SELECT UNIT_ID, SUPER_ID FROM UnitTable WHERE UNIT_NAME = 'Quay Logistics'"));
            QCOMPARE(added.size(), 1);
            const QString id = added.first().section(QLatin1Char('|'), 0, 0);
            QCOMPARE(added.first().section(QLatin1Char('|'), 1, 1), QStringLiteral("101"));
            QVERIFY(window.changeFlags().units);
            QVERIFY(!window.changeFlags().users);

            // The server polls the change table through the data source named in DB.dat.
            QTRY_VERIFY_WITH_TIMEOUT(m_server->hasLine(QStringLiteral("Key_Value=%1 Change_Act=0").arg(id)),
                                     kPatienceMs);
            QVERIFY(m_server->hasLine(QStringLiteral("Table_Name=UnitTable")));
            QVERIFY(!m_server->hasLine(QStringLiteral("546 refresh 0x00000001")));

            // Its reply asks for the notification; the tool sends the flags and clears them.
            m_server->signal(SIGUSR1);
            QTRY_VERIFY_WITH_TIMEOUT(m_server->hasLine(QStringLiteral("546 refresh 0x00000001 units")), kPatienceMs);
            QTRY_VERIFY_WITH_TIMEOUT(!window.changeFlags().units, kPatienceMs);
            checked = true;
        });
        QVERIFY(checked);
        QCOMPARE(shownMessages(), QStringList());
    }

    // The server dies under the running tool: Start Service comes back on, and the tool goes on
    // working on the database (without change rows, which only a running server reads).
    void serverKilledWhileToolRuns()
    {
        E2E_STEP(prepare({}));
        E2E_STEP(startServer({QStringLiteral("-reply:0")}));
        if (const auto other = test::otherServerProcess(m_server->pid())) {
            QSKIP(qPrintable(QStringLiteral("another server process (%1) runs on this machine; the tool would count "
                                            "it as its own")
                                 .arg(*other)));
        }

        bool checked = false;
        runTool("qaradmin", [&](CMainDlg& window) {
            auto* startService = child<QPushButton>(window, "startServiceButton");
            QTRY_VERIFY_WITH_TIMEOUT(m_server->hasLine(QStringLiteral("546 refresh 0x00000000 none")), kPatienceMs);
            QVERIFY(!startService->isEnabled());
            QTRY_VERIFY_WITH_TIMEOUT(!unitsPage(window).model().index().unitNodes.empty(), kPatienceMs);

            m_server->kill();
            // The lost connection is the next update of the buttons.
            QTRY_VERIFY_WITH_TIMEOUT(startService->isEnabled(), kPatienceMs);
            QVERIFY(!window.IsServerRunning());

            addUnitThroughThePage(window, 101, QStringLiteral("After Hours"));
            const QStringList added =
                m_dir->query(QStringLiteral("SELECT UNIT_ID FROM UnitTable WHERE UNIT_NAME = 'After Hours'"));
            QCOMPARE(added.size(), 1);
            QCOMPARE(m_dir->query(QStringLiteral("SELECT COUNT(*) FROM ChangeTable")),
                     QStringList{QStringLiteral("0")});
            QVERIFY(window.changeFlags().units);
            QVERIFY(startService->isEnabled());

            // Start Service brings a server up from the program directory; the tool finds it, writes
            // change rows again and, once its client is back, answers the server's reply.
            startService->click();
            QVERIFY(!window.changeFlags().units);
            QTRY_VERIFY_WITH_TIMEOUT(!test::processesOf(m_dir->file("RXServer.exe")).empty(), kPatienceMs);
            m_restarted = test::processesOf(m_dir->file("RXServer.exe"));
            QTRY_VERIFY_WITH_TIMEOUT(std::all_of(m_restarted.begin(), m_restarted.end(),
                                                 [](int id) { return test::blocksSignal(id, SIGUSR1); }),
                                     kPatienceMs);
            QTRY_VERIFY_WITH_TIMEOUT(!startService->isEnabled(), kPatienceMs);
            addUnitThroughThePage(window, 101, QStringLiteral("Night Shift"));
            QCOMPARE(m_dir->query(QStringLiteral("SELECT COUNT(*) FROM ChangeTable WHERE Key_Value = (SELECT UNIT_ID "
                                                 "FROM UnitTable WHERE UNIT_NAME = 'Night Shift')")),
                     QStringList{QStringLiteral("1")});
            QVERIFY(window.changeFlags().units);
            // The client reconnects with a pause that grows to a few seconds: ask for replies until
            // the notification has gone out.
            QTRY_VERIFY_WITH_TIMEOUT((test::signalProcesses(m_restarted, SIGUSR1), !window.changeFlags().units),
                                     kPatienceMs);
            checked = true;
        });
        test::endProcesses(m_restarted);
        QVERIFY(checked);
        QCOMPARE(shownMessages(), QStringList());
    }

    // The built program on an empty database beside the server's executable: time from the process
    // start to its main window on screen, five times; the median is reported.
    void startupTime()
    {
        test::ProgramDir::Options options;
        options.groups = 0;
        options.units = 0;
        options.users = 0;
        E2E_STEP(prepare(options));

        std::vector<double> times;
        for (int run = 0; run < 5; ++run) {
            const std::optional<double> ms = timeToMainWindow({}, run == 0 ? "e2e-qaradmin-process" : nullptr);
            QVERIFY(ms.has_value());
            times.push_back(*ms);
        }
        std::sort(times.begin(), times.end());
        QString all;
        for (double t : times) {
            all += QString::number(t, 'f', 0) + QStringLiteral(" ");
        }
        const QString report = QStringLiteral("qaradmin start to main window on an empty database: median %1 ms "
                                              "(runs, sorted: %2ms)")
                                   .arg(times[2], 0, 'f', 0)
                                   .arg(all.trimmed());
        qInfo().noquote() << report;
        if (const char* folder = std::getenv("QAR_E2E_ARTIFACTS")) {
            test::writeFile(std::string(folder) + "/e2e-startup-time.txt", report.toStdString() + "\n");
        }
    }

private:
    /// Starts the built program from the program directory and waits for its main window to be mapped
    /// on the X server; the time from the start, or nothing when the window did not come (a failure is
    /// recorded). The program is ended either way.
    std::optional<double> timeToMainWindow(const QStringList& arguments, const char* screenshotName)
    {
        QProcess tool;
        test::dieWithParent(tool);
        tool.setProcessChannelMode(QProcess::MergedChannels);
        tool.setWorkingDirectory(QString::fromStdString(m_dir->program()));
        QElapsedTimer clock;
        clock.start();
        tool.start(QString::fromStdString(m_dir->file("qaradmin")), arguments);
        if (!tool.waitForStarted(10000)) {
            QTest::qFail("qaradmin did not start", __FILE__, __LINE__);
            return std::nullopt;
        }
        bool shown = false;
        while (!shown && clock.elapsed() < 30000 && tool.state() == QProcess::Running) {
            shown = test::findViewableWindow(m_display, tool.processId(), "QAR-Orrin");
            if (!shown) {
                QThread::msleep(5);
            }
        }
        const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        if (shown && screenshotName != nullptr) {
            QThread::msleep(500); // let the pages paint before the picture
            screenshot(screenshotName);
        }
        const bool ended = tool.state() != QProcess::Running;
        tool.terminate();
        if (!tool.waitForFinished(5000)) {
            tool.kill();
            tool.waitForFinished(5000);
        }
        if (!shown) {
            const QString why = QStringLiteral("no main window of qaradmin %1 (%2): %3")
                                    .arg(arguments.join(QLatin1Char(' ')),
                                         ended ? QStringLiteral("it ended") : QStringLiteral("timed out"),
                                         QString::fromUtf8(tool.readAll()));
            QTest::qFail(qPrintable(why), __FILE__, __LINE__);
            return std::nullopt;
        }
        return ms;
    }

    void prepare(const test::ProgramDir::Options& options)
    {
        std::string why;
        QVERIFY2(m_dir->prepare(options, why), why.c_str());
    }

    void startServer(const QStringList& switches)
    {
        m_server = std::make_unique<test::ServerProcess>(m_dir->program());
        std::string why;
        QVERIFY2(m_server->start(switches, why), why.c_str());
    }

    QString screenshot(const char* name) { return test::screenshot(m_display, QString::fromLatin1(name)); }

    /// Runs the application object as main() does, on this process's X11 connection, with the
    /// machine's start-up environment, database services and desktop launcher. `whileShown` runs once
    /// the main window is on screen and on top; the window is closed after it, which ends the run.
    void runTool(const std::string& commandLine, const std::function<void(CMainDlg&)>& whileShown)
    {
        SystemStartUpEnvironment environment;
        DesktopLauncher launcher;
        CAdminApp app(
            environment, [] { return std::make_unique<DatabaseShellHost>(true); }, launcher);

        QElapsedTimer clock;
        clock.start();
        bool found = false;
        bool exposed = false;
        bool timedOut = false;
        QTimer poll;
        poll.setInterval(20);
        connect(&poll, &QTimer::timeout, [&] {
            auto* window = qobject_cast<CMainDlg*>(QApplication::activeModalWidget());
            if (window == nullptr || !window->isVisible()) {
                if (clock.elapsed() > 30000) {
                    // Whatever holds the run up (a form waiting for input) is closed, so the test ends.
                    timedOut = true;
                    poll.stop();
                    for (QWidget* widget : QApplication::topLevelWidgets()) {
                        if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible()) {
                            dialog->done(QDialog::Rejected);
                        }
                    }
                }
                return;
            }
            poll.stop();
            found = true;
            exposed = QTest::qWaitForWindowExposed(window);
            if (exposed) {
                whileShown(*window);
            }
            window->close();
        });
        poll.start();
        QCOMPARE(app.run(commandLine), 0);
        QVERIFY2(!timedOut, qPrintable(QStringLiteral("the main window did not come up; messages: ") +
                                       shownMessages().join(QStringLiteral(" / "))));
        QVERIFY2(found, qPrintable(QStringLiteral("the main window was not shown; messages: ") +
                                   shownMessages().join(QStringLiteral(" / "))));
        QVERIFY2(exposed, "the main window was shown but never exposed on the X server");
    }

    std::string m_display;
    int m_scenarios = 0;
    std::vector<int> m_restarted; ///< servers the tool started itself
    std::unique_ptr<test::ProgramDir> m_dir;
    std::unique_ptr<test::ServerProcess> m_server;
};

int main(int argc, char** argv)
{
    // The X server comes first: the application connects to it as it is constructed.
    test::XServer xserver;
    std::string why;
    if (!xserver.start(why)) {
        std::fprintf(stderr, "cannot start Xvfb: %s\n", why.c_str());
        return 1;
    }
    ::setenv("DISPLAY", xserver.display().c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    ::setenv("QAR_LANG", "en", 1);
    int result = 0;
    {
        QApplication application(argc, argv);
        initResources();
        EndToEndTest test(xserver.display());
        result = QTest::qExec(&test, argc, argv);
    }
    xserver.stop();
    return result;
}

#include "EndToEndTest.moc"
