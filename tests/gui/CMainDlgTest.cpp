#include "app/ui/CMainDlg.h"

#include "CatalogGuiSupport.h"
#include "GuiTestSupport.h"
#include "app/StartUp.h"
#include "app/ui/CAdminApp.h"
#include "app/ui/CAdminPage.h"
#include "app/ui/CStatusLine.h"
#include "app/ui/MessageService.h"
#include "app/ui/ShellEvent.h"

#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>

using namespace qar;
using namespace qar::ui;
using test::child;

namespace
{

StartOptions options(bool systemManager, bool firstRun = false)
{
    StartOptions o;
    o.systemManager = systemManager;
    o.firstRun = firstRun;
    o.currentGroup = systemManager ? 0 : 3;
    return o;
}

/// The pages on screen, by object name.
QStringList visiblePages(const CMainDlg& dlg)
{
    QStringList names;
    for (PageKind kind : kPageCreationOrder) {
        if (dlg.page(kind)->isVisible()) {
            names << dlg.page(kind)->objectName();
        }
    }
    return names;
}

} // namespace

class CMainDlgTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initResources(); }

    void init()
    {
        m_box = std::make_unique<test::ProgramSandbox>();
        m_windowsDir = std::make_unique<test::ScopedEnv>("QAR_WINDOWS_DIR", m_box->dir.file("windows").c_str());
        m_host.openResult = true;
        m_host.probe.window = false;
        m_host.calls.clear();
        m_launcher.launched.clear();
        m_launcher.starts = true;
    }

    void cleanup()
    {
        m_windowsDir.reset();
        m_box.reset();
    }

    // The side bar lists its six entries in order; each row shows its page, or for a group manager the
    // notice instead of a forbidden page; the environment parameters page never shows.
    void sideBarByAdministrationMode_data()
    {
        QTest::addColumn<bool>("systemManager");
        QTest::addColumn<QStringList>("pages"); // per row; "" for the notice
        QTest::newRow("system manager")
            << true
            << QStringLiteral("groupsPage,rolesPage,unitsUsersPage,applicationsPage,websitesPage,messageTypesPage")
                   .split(QLatin1Char(','));
        QTest::newRow("group manager") << false << QStringLiteral(",,unitsUsersPage,,,").split(QLatin1Char(','));
    }

    void sideBarByAdministrationMode()
    {
        QFETCH(bool, systemManager);
        QFETCH(QStringList, pages);
        CMainDlg dlg(options(systemManager), m_host, m_launcher);
        QVERIFY(dlg.initialise());
        dlg.show();
        auto* bar = child<QListWidget>(dlg, "sideBarList");
        auto* notice = child<QLabel>(dlg, "noticeLabel");
        QCOMPARE(test::listedRows(*bar, 1).join(QLatin1Char(',')),
                 QStringLiteral("Groups,Roles,Depts & Users,Applications,Websites,Message Extend"));
        QCOMPARE(bar->currentRow(), systemManager ? 0 : 2);
        QCOMPARE(visiblePages(dlg), QStringList{pages[bar->currentRow()]});
        for (int row = 0; row < bar->count(); ++row) {
            QVERIFY(!bar->item(row)->icon().isNull());
            bar->setCurrentRow(row);
            QCOMPARE(visiblePages(dlg), pages[row].isEmpty() ? QStringList{} : QStringList{pages[row]});
            QCOMPARE(notice->isVisible(), !systemManager); // behind the page a group manager may see
            if (pages[row].isEmpty()) {
                QCOMPARE(notice->text(), QStringLiteral("You are not an administror, forbidden to view or change  \"") +
                                             bar->item(row)->text() + QStringLiteral("\"?"));
            }
        }
        QCOMPARE(dlg.page(PageKind::Groups)->host(), static_cast<PageHost*>(&dlg));
    }

    void layoutFollowsTheWindowSizeAndKeysLeaveItOpen()
    {
        CMainDlg dlg(options(true), m_host, m_launcher);
        QVERIFY(dlg.initialise());
        dlg.show();
        dlg.resize(900, 600);
        // The status line takes the bottom; the side bar and the page beside it are laid out above it.
        auto* status = child<QStatusBar>(dlg, "statusLine");
        QVERIFY(status->height() > 10);
        QCOMPARE(status->geometry(), QRect(0, 600 - status->height(), 900, status->height()));
        const QRect bar = child<QListWidget>(dlg, "sideBarList")->geometry();
        const QRect page = dlg.page(PageKind::Groups)->geometry();
        QVERIFY(bar.right() < page.left() && bar.bottom() < status->y() && page.bottom() < status->y());
        // Made as small as it goes, every shown button is still whole, above the status line.
        dlg.resize(100, 100);
        QCOMPARE(dlg.size(), dlg.minimumSize());
        for (const char* name : {"configurationButton", "optionButton", "nameButton", "startServiceButton"}) {
            const QRect button = child<QPushButton>(dlg, name)->geometry();
            QVERIFY2(button.right() < dlg.width() && button.bottom() < status->y() && button.width() >= 100, name);
        }
        QTest::keyClick(&dlg, Qt::Key_Escape);
        QTest::keyClick(&dlg, Qt::Key_Return);
        QTest::keyClick(&dlg, Qt::Key_Enter);
        QVERIFY(dlg.isVisible());
    }

    void unreachableDatabaseReportsAndClosesBeforeTheTimer()
    {
        m_host.openResult = false;
        QVERIFY(!m_host.databaseSession.OpenDatabase()); // the driver manager's reason, for "Details"
        CMainDlg dlg(options(true), m_host, m_launcher);
        QTimer::singleShot(5000, &dlg, &QWidget::close); // safety net: the test must not hang
        QCOMPARE(dlg.run(), static_cast<int>(QDialog::Rejected));
        QCOMPARE(MessageService::instance().lastText(), QStringLiteral("Unable to open DB!"));
        QVERIFY(MessageService::instance().shown().front().details.contains(QStringLiteral("[IM002]")));
        QCOMPARE(MessageService::instance().shown().front().caption, QStringLiteral("QAR Server Data Configuration"));
        QVERIFY(!child<QTimer>(dlg, "refreshTimer")->isActive());
        QVERIFY(!m_host.calls.contains(QStringLiteral("refreshConnection")));
    }

    void openDatabaseStartsTheRefreshTimerAndClosesOnDestruction()
    {
        {
            CMainDlg dlg(options(true), m_host, m_launcher);
            QVERIFY(dlg.initialise());
            auto* timer = child<QTimer>(dlg, "refreshTimer");
            QVERIFY(timer->isActive());
            QCOMPARE(timer->interval(), 120000);
            QVERIFY(QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection));
        }
        QCOMPARE(m_host.calls, (QStringList{QStringLiteral("ensureDataSource"), QStringLiteral("openDatabase"),
                                            QStringLiteral("refreshConnection"), QStringLiteral("closeDatabase")}));
    }

    void serverButtonsFollowTheInstallation()
    {
        const struct
        {
            const char* name;
            bool installed, running, firstRun, configEnabled, startVisible, startEnabled;
            const char* server;
        } cases[] = {
            {"remote start", false, false, false, false, false, true, "Server: not on this machine"},
            {"beside a stopped server", true, false, false, true, true, true, "Server: stopped"},
            {"beside a running server", true, true, false, true, true, false, "Server: running"},
            {"first run", true, true, true, true, true, false, "Server: running"},
        };
        for (const auto& c : cases) {
            init();
            if (c.installed) {
                test::writeFile(m_box->dir.file("UserData/config/Server.Conf"), "[Server]\n");
                test::writeFile(m_box->dir.file("RXServer.exe"), "");
            }
            m_host.probe.window = c.running;
            CMainDlg dlg(options(true, c.firstRun), m_host, m_launcher);
            QVERIFY(dlg.initialise());
            dlg.show();
            auto* start = child<QPushButton>(dlg, "startServiceButton");
            QVERIFY2(child<QPushButton>(dlg, "configurationButton")->isEnabled() == c.configEnabled, c.name);
            QVERIFY2(child<QPushButton>(dlg, "optionButton")->isEnabled() == c.configEnabled, c.name);
            QVERIFY2(start->isVisible() == c.startVisible, c.name);
            QVERIFY2(start->isEnabled() == c.startEnabled, c.name);
            QCOMPARE(child<QLabel>(dlg, "serverStatusLabel")->text(), QString::fromLatin1(c.server));
            // The test host's data source does not exist: it is named, and said to be not connected.
            QCOMPARE(child<QLabel>(dlg, "dataSourceStatusLabel")->text(),
                     QStringLiteral("Data source QarNoSuchSource (not connected)"));
            cleanup();
        }
    }

    // The server's settings start it with "-setting" in the program folder. The desktop reports nothing
    // when a program cannot start: the window says so.
    void serverSettingsAndEditorThatCannotStartAreReported()
    {
        test::writeFile(m_box->dir.file("UserData/config/Server.Conf"), "[Server]\n");
        test::writeFile(m_box->dir.file("RXServer.exe"), "");
        CMainDlg dlg(options(true), m_host, m_launcher);
        QVERIFY(dlg.initialise());
        m_launcher.starts = false;
        const QString dir = QString::fromStdString(m_box->dir.path().string());
        child<QPushButton>(dlg, "configurationButton")->click();
        QVERIFY(MessageService::instance().lastText().startsWith(
            QStringLiteral("No text editor could be started to open ") + dir +
            QStringLiteral("/UserData/config/Server.Conf.")));
        QTest::mouseClick(child<QPushButton>(dlg, "optionButton"), Qt::LeftButton);
        QCOMPARE(MessageService::instance().lastText(), QStringLiteral("Unable to start %1/RXServer.exe.").arg(dir));
        QCOMPARE(MessageService::instance().shown().back().severity, Severity::Warning);
        QCOMPARE(m_launcher.launched.back().arguments, std::vector<std::string>{"-setting"});
        QCOMPARE(m_launcher.launched.back().workingDirectory, dir.toStdString());
    }

    void firstRunHandsOverToTheImportToolOnlyForASystemManager()
    {
        test::writeFile(m_box->dir.file("windows/Data1.d_t"), "units");
        test::writeFile(m_box->dir.file("windows/Data2.d_t"), "users");
        for (bool systemManager : {true, false}) {
            m_launcher.launched.clear();
            CMainDlg dlg(options(systemManager, true), m_host, m_launcher);
            QVERIFY(dlg.initialise());
            dlg.show();
            const WId handle = dlg.winId();
            QCoreApplication::processEvents(); // the queued post-initialisation step, then a queued close
            QCoreApplication::processEvents();
            QCOMPARE(dlg.isVisible(), !systemManager);
            QCOMPARE(m_launcher.launched.size(), std::size_t{systemManager ? 1U : 0U});
            if (systemManager) {
                const LaunchRequest& r = m_launcher.launched.front();
                QVERIFY(QString::fromStdString(r.path).endsWith(QStringLiteral("/SheetIntake.exe")));
                QVERIFY(r.arguments.at(0).starts_with("-bysys-h" + std::to_string(handle) + "-unit"));
            }
        }
    }

    // The library's events reach the window through its event queue, never directly: a connection that
    // comes up (3026, state 1) or a ready reply (3025, the id of the message to take) notifies the server.
    void networkEventsNotifyTheServerOnTheGuiThread()
    {
        for (const int message : {3026, 3025}) {
            CMainDlg dlg(options(true), m_host, m_launcher);
            QVERIFY(dlg.initialise());
            QCoreApplication::processEvents();
            test::RecordingLink& link = *m_host.link;
            link.state = -1;
            link.waiting[0] = VexPayload{0x22, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02};
            QCoreApplication::postEvent(&dlg, new ShellEvent(message, 0, message == 3025 ? 0 : 1));
            QVERIFY(link.sent.empty());
            QCoreApplication::processEvents();
            QCoreApplication::processEvents();
            QCOMPARE(link.state, 1);
            // Code 546, then the change flags (none changed on these pages).
            QCOMPARE(link.sent, (std::vector<VexPayload>{{0x22, 0x02, 0, 0, 0, 0}}));
        }
    }

    // On screen (not headless): a failure has the warning sign and a question the question mark, and a
    // short text does not make a box narrower than its caption.
    void messageBoxesShowTheirKindAndTheWholeCaption()
    {
        MessageService::instance().setHeadless(false);
        const struct
        {
            Severity severity;
            QMessageBox::Icon icon;
        } cases[] = {{Severity::Error, QMessageBox::Warning}, {Severity::Question, QMessageBox::Question}};
        for (const auto& c : cases) {
            QMessageBox::Icon icon = QMessageBox::NoIcon;
            int width = 0;
            int captionWidth = 0;
            QTimer::singleShot(0, [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                QVERIFY(box != nullptr);
                icon = box->icon();
                width = box->width();
                QFont bold = box->font();
                bold.setBold(true);
                captionWidth = QFontMetrics(bold).horizontalAdvance(box->windowTitle());
                box->button(QMessageBox::Ok)->click();
            });
            MessageService::instance().show(nullptr, c.severity, QStringLiteral("No."), Buttons::OkCancel);
            QCOMPARE(icon, c.icon);
            QVERIFY2(width > captionWidth + 100, qPrintable(QString::number(width)));
        }
        MessageService::instance().setHeadless(true);
    }

    // Long work shows nothing until its first report (a question before it gets no busy cursor), then
    // the busy cursor, and once it has run long enough its progress in the status line.
    void longWorkShowsTheBusyCursorAndThenItsProgress()
    {
        CMainDlg dlg(options(true), m_host, m_launcher);
        QVERIFY(dlg.initialise());
        dlg.show();
        auto* bar = child<QProgressBar>(dlg, "workProgressBar");
        {
            LongWork work(dlg.statusLine(), QStringLiteral("Loading"), 0);
            QVERIFY(QApplication::overrideCursor() == nullptr);
            work.progress(250, 1000);
            QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
            QVERIFY(bar->isVisible());
            QCOMPARE(bar->value(), 250);
            QCOMPARE(child<QLabel>(dlg, "workStatusLabel")->text(), QStringLiteral("Loading"));
        }
        QVERIFY(QApplication::overrideCursor() == nullptr);
        QVERIFY(!bar->isVisible());
        LongWork quick(dlg.statusLine(), QStringLiteral("Loading"));
        quick.progress(1, 2);
        QVERIFY(!bar->isVisible()); // not a second yet
    }

    // The start-up decisions are the core's tests: the application puts up the decided message and makes no
    // window. On the machine itself (the server beside the program) without the data source in the ODBC
    // files, the ODBC message; on a fresh installation started from the desktop menu, the file to create.
    void startWithoutDatabaseSettingsSaysWhatIsMissing()
    {
        test::TempDir machine;
        test::writeFile(machine.file("prog/RXServer.exe"), "");
        test::writeFile(machine.file("prog/UserData/config/DB.dat"), "[ODBC]\nDSN=QarNotRegistered\n");
        QCOMPARE(runApplicationOn(machine), QStringLiteral("Unable to connect to DB, please check ODBC settings!"));
        QVERIFY(!QFileInfo::exists(QString::fromStdString(machine.file("prog/UserData/config/icodata"))));

        test::TempDir fresh;
        const QString message = runApplicationOn(fresh);
        QVERIFY2(message.contains(QStringLiteral("missing:\n") +
                                  QString::fromStdString(fresh.file("prog/UserData/config/DB.dat")) +
                                  QLatin1Char('\n')),
                 qPrintable(message));
        QVERIFY(message.contains(QStringLiteral("man qaradmin")));
    }

private:
    /// Runs the application on the program directory dir/prog with empty ODBC files; returns the one
    /// message it showed, after checking that no main window was made.
    static QString runApplicationOn(const test::TempDir& dir)
    {
        test::writeFile(dir.file("odbc/odbc.ini"), "");
        test::ScopedEnv programDir("QAR_PROGRAM_DIR", dir.file("prog").c_str());
        test::ScopedEnv systemIni("ODBCSYSINI", dir.file("odbc").c_str());
        test::ScopedEnv userIni("ODBCINI", dir.file("odbc/user.ini").c_str());
        test::HeadlessMessages messages;
        SystemStartUpEnvironment env;
        test::RecordingLauncher launcher;
        bool made = false;
        CAdminApp app(
            env,
            [&made]() -> std::unique_ptr<ShellHost> {
                made = true;
                return std::make_unique<test::FakeShellHost>();
            },
            launcher);
        const bool ended = app.run("-first") == 0 && !made && MessageService::instance().shown().size() == 1;
        return ended ? MessageService::instance().lastText() : QStringLiteral("(a window ran)");
    }

    test::FakeShellHost m_host;
    test::RecordingLauncher m_launcher;
    std::unique_ptr<test::ProgramSandbox> m_box;
    std::unique_ptr<test::ScopedEnv> m_windowsDir;
};

QTEST_MAIN(CMainDlgTest)
#include "CMainDlgTest.moc"
