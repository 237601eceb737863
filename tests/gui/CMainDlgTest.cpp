#include "app/ui/CMainDlg.h"

#include "GuiTestSupport.h"
#include "TempDir.h"
#include "app/ui/CAdminApp.h"
#include "app/ui/CAdminPage.h"
#include "app/ui/MessageService.h"
#include "app/ui/ShellEvent.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace qar;
using namespace qar::ui;

namespace
{

const QStringList kSideBarTexts = {QStringLiteral("Groups"),        QStringLiteral("Roles"),
                                   QStringLiteral("Depts & Users"), QStringLiteral("Applications"),
                                   QStringLiteral("Websites"),      QStringLiteral("Message Extend")};

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
        m_dir = std::make_unique<test::TempDir>();
        m_programDir = std::make_unique<test::ScopedEnv>("QAR_PROGRAM_DIR", m_dir->path().c_str());
        m_windowsDir = std::make_unique<test::ScopedEnv>("QAR_WINDOWS_DIR", m_dir->file("windows").c_str());
        m_messages = std::make_unique<test::HeadlessMessages>();
        m_host.openResult = true;
        m_host.probe.running = false;
        m_host.calls.clear();
        m_launcher.launched.clear();
    }

    void cleanup()
    {
        m_messages.reset();
        m_windowsDir.reset();
        m_programDir.reset();
        m_dir.reset();
    }

    void sideBarListsEveryEntryInOrderWithImages()
    {
        CMainDlg dlg(options(false), m_host, m_launcher);
        QVERIFY(dlg.initialise());
        auto* bar = dlg.findChild<QListWidget*>(QStringLiteral("sideBarList"));
        QCOMPARE(bar->count(), kSideBarTexts.size());
        for (int i = 0; i < bar->count(); ++i) {
            QCOMPARE(bar->item(i)->text(), kSideBarTexts[i]);
            QVERIFY(!bar->item(i)->icon().isNull());
        }
        for (PageKind kind : kPageCreationOrder) {
            QCOMPARE(dlg.page(kind)->mainDlg(), &dlg);
        }
    }

    void systemManagerSeesEveryPageAndNeverTheNotice_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("page");
        QTest::newRow("Groups") << 0 << QStringLiteral("groupsPage");
        QTest::newRow("Roles") << 1 << QStringLiteral("rolesPage");
        QTest::newRow("Depts & Users") << 2 << QStringLiteral("unitsUsersPage");
        QTest::newRow("Applications") << 3 << QStringLiteral("applicationsPage");
        QTest::newRow("Websites") << 4 << QStringLiteral("websitesPage");
        QTest::newRow("Message Extend") << 5 << QStringLiteral("messageTypesPage");
    }

    void systemManagerSeesEveryPageAndNeverTheNotice()
    {
        QFETCH(int, row);
        QFETCH(QString, page);
        CMainDlg dlg(options(true), m_host, m_launcher);
        QVERIFY(dlg.initialise());
        dlg.show();
        QCOMPARE(visiblePages(dlg), QStringList{QStringLiteral("groupsPage")});
        dlg.findChild<QListWidget*>(QStringLiteral("sideBarList"))->setCurrentRow(row);
        QCOMPARE(visiblePages(dlg), QStringList{page});
        QVERIFY(!dlg.findChild<QLabel*>(QStringLiteral("noticeLabel"))->isVisible());
    }

    void groupManagerSeesOnlyUnitsAndUsers()
    {
        CMainDlg dlg(options(false), m_host, m_launcher);
        QVERIFY(dlg.initialise());
        dlg.show();
        auto* bar = dlg.findChild<QListWidget*>(QStringLiteral("sideBarList"));
        auto* notice = dlg.findChild<QLabel*>(QStringLiteral("noticeLabel"));
        QCOMPARE(bar->currentRow(), 2);
        QCOMPARE(visiblePages(dlg), QStringList{QStringLiteral("unitsUsersPage")});

        bar->setCurrentRow(0);
        QVERIFY(visiblePages(dlg).isEmpty());
        QVERIFY(notice->isVisible());
        QCOMPARE(notice->text(),
                 QStringLiteral("You are not an administror, forbidden to view or change  \"Groups\"?"));

        bar->setCurrentRow(2);
        QCOMPARE(visiblePages(dlg), QStringList{QStringLiteral("unitsUsersPage")});
    }

    void environmentPageNeverShows()
    {
        for (bool systemManager : {true, false}) {
            CMainDlg dlg(options(systemManager), m_host, m_launcher);
            QVERIFY(dlg.initialise());
            dlg.show();
            auto* bar = dlg.findChild<QListWidget*>(QStringLiteral("sideBarList"));
            for (int row = 0; row < bar->count(); ++row) {
                bar->setCurrentRow(row);
                QVERIFY(!dlg.page(PageKind::EnvironmentParameters)->isVisible());
            }
        }
    }

    void layoutFollowsTheWindowSize()
    {
        CMainDlg dlg(options(true), m_host, m_launcher);
        QVERIFY(dlg.initialise());
        dlg.show();
        dlg.resize(900, 600);
        QCOMPARE(dlg.findChild<QListWidget*>(QStringLiteral("sideBarList"))->geometry(), QRect(8, 5, 90, 559));
        QCOMPARE(dlg.page(PageKind::Groups)->geometry(), QRect(103, 5, 789, 559));
        auto* help = dlg.findChild<QPushButton*>(QStringLiteral("helpButton"));
        auto* config = dlg.findChild<QPushButton*>(QStringLiteral("configurationButton"));
        auto* start = dlg.findChild<QPushButton*>(QStringLiteral("startServiceButton"));
        QCOMPARE(config->geometry().topLeft(), QPoint(8, 572));
        QCOMPARE(start->x(), 8 + 3 * (help->width() + 5));
        QCOMPARE(help->x(), 8 + 5 * (help->width() + 5));
        QCOMPARE(start->size(), help->size());
        QVERIFY(!help->isVisible());
    }

    void enterAndEscapeLeaveTheWindowOpen()
    {
        CMainDlg dlg(options(true), m_host, m_launcher);
        QVERIFY(dlg.initialise());
        dlg.show();
        QTest::keyClick(&dlg, Qt::Key_Escape);
        QTest::keyClick(&dlg, Qt::Key_Return);
        QTest::keyClick(&dlg, Qt::Key_Enter);
        QVERIFY(dlg.isVisible());
        dlg.close();
        QVERIFY(!dlg.isVisible());
    }

    void unreachableDatabaseReportsAndClosesBeforeTheTimer()
    {
        m_host.openResult = false;
        CMainDlg dlg(options(true), m_host, m_launcher);
        QTimer::singleShot(5000, &dlg, &QWidget::close); // safety net: the test must not hang
        QCOMPARE(dlg.run(), static_cast<int>(QDialog::Rejected));
        QCOMPARE(MessageService::instance().lastText(), QStringLiteral("Unable to open DB!"));
        QCOMPARE(MessageService::instance().shown().front().caption, QStringLiteral("QAR Server Data Configuration"));
        QVERIFY(!dlg.findChild<QTimer*>(QStringLiteral("refreshTimer"))->isActive());
        QCOMPARE(dlg.findChild<QTimer*>(QStringLiteral("refreshTimer"))->interval(), 120000);
        QVERIFY(!m_host.calls.contains(QStringLiteral("refreshConnection")));
    }

    void openDatabaseStartsTheRefreshTimerAndClosesOnDestruction()
    {
        {
            CMainDlg dlg(options(true), m_host, m_launcher);
            QVERIFY(dlg.initialise());
            auto* timer = dlg.findChild<QTimer*>(QStringLiteral("refreshTimer"));
            QVERIFY(timer->isActive());
            QCOMPARE(timer->interval(), CMainDlg::kRefreshPeriodMs);
            QVERIFY(QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection));
        }
        QCOMPARE(m_host.calls, (QStringList{QStringLiteral("ensureDataSource"), QStringLiteral("openDatabase"),
                                            QStringLiteral("refreshConnection"), QStringLiteral("closeDatabase")}));
    }

    void serverButtonsFollowTheInstallation()
    {
        struct Case
        {
            const char* name;
            bool serverConf;
            bool serverExe;
            bool running;
            bool firstRun;
            bool configEnabled;
            bool startVisible;
            bool startEnabled;
        };
        const Case cases[] = {
            {"remote start", false, false, false, false, false, false, true},
            {"beside a stopped server", true, true, false, false, true, true, true},
            {"beside a running server", true, true, true, false, true, true, false},
            {"first run", true, true, false, true, true, true, false},
        };
        for (const Case& c : cases) {
            init();
            if (c.serverConf) {
                test::writeFile(m_dir->file("UserData/config/Server.Conf"), "[Server]\n");
            }
            if (c.serverExe) {
                test::writeFile(m_dir->file("RXServer.exe"), "");
            }
            m_host.probe.running = c.running;
            CMainDlg dlg(options(true, c.firstRun), m_host, m_launcher);
            QVERIFY(dlg.initialise());
            dlg.show();
            auto* config = dlg.findChild<QPushButton*>(QStringLiteral("configurationButton"));
            auto* option = dlg.findChild<QPushButton*>(QStringLiteral("optionButton"));
            auto* start = dlg.findChild<QPushButton*>(QStringLiteral("startServiceButton"));
            QVERIFY2(config->isEnabled() == c.configEnabled, c.name);
            QVERIFY2(option->isEnabled() == c.configEnabled, c.name);
            QVERIFY2(start->isVisible() == c.startVisible, c.name);
            QVERIFY2(start->isEnabled() == c.startEnabled, c.name);
            cleanup();
        }
    }

    void optionRunsTheServerSettings()
    {
        test::writeFile(m_dir->file("UserData/config/Server.Conf"), "");
        test::writeFile(m_dir->file("RXServer.exe"), "");
        CMainDlg dlg(options(true), m_host, m_launcher);
        QVERIFY(dlg.initialise());
        QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("optionButton")), Qt::LeftButton);
        QCOMPARE(m_launcher.launched.size(), std::size_t{1});
        const LaunchRequest& r = m_launcher.launched.front();
        QCOMPARE(QString::fromStdString(r.path), QString::fromStdString(m_dir->file("RXServer.exe")));
        QCOMPARE(r.arguments, std::vector<std::string>{"-setting"});
        QCOMPARE(QString::fromStdString(r.workingDirectory), QString::fromStdString(m_dir->path().string()));
    }

    void firstRunHandsOverToTheImportToolOnlyForASystemManager()
    {
        test::writeFile(m_dir->file("windows/Data1.d_t"), "units");
        test::writeFile(m_dir->file("windows/Data2.d_t"), "users");
        for (bool systemManager : {true, false}) {
            m_launcher.launched.clear();
            CMainDlg dlg(options(systemManager, true), m_host, m_launcher);
            QVERIFY(dlg.initialise());
            dlg.show();
            const WId handle = dlg.winId();
            QCoreApplication::processEvents(); // the queued post-initialisation step, then a queued close
            QCoreApplication::processEvents();
            QCOMPARE(visiblePages(dlg).isEmpty(), systemManager);
            if (!systemManager) {
                QCOMPARE(visiblePages(dlg), QStringList{QStringLiteral("unitsUsersPage")});
                QVERIFY(m_launcher.launched.empty());
                continue;
            }
            QVERIFY(!dlg.isVisible());
            QCOMPARE(m_launcher.launched.size(), std::size_t{1});
            const LaunchRequest& r = m_launcher.launched.front();
            QVERIFY(QString::fromStdString(r.path).endsWith(QStringLiteral("/SheetIntake.exe")));
            const std::string expected = "-bysys-h" + std::to_string(handle) + "-unit" +
                                         m_dir->file("windows/Data1.d_t") + "-user" + m_dir->file("windows/Data2.d_t");
            QCOMPARE(QString::fromStdString(r.arguments.at(0)), QString::fromStdString(expected));
        }
    }

    void networkEventsNotifyTheServerOnTheGuiThread_data()
    {
        QTest::addColumn<int>("message");
        QTest::addColumn<qlonglong>("wParam");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("notifications");
        const QByteArray none;
        QTest::newRow("connected") << 3026 << 0LL << none << 1 << 1;
        QTest::newRow("busy changes nothing") << 3026 << 0LL << none << -1 << 0;
        QTest::newRow("drained only records the state") << 3026 << 1LL << none << 1 << 0;
        QTest::newRow("ready reply") << 3025 << 0LL
                                     << QByteArray::fromHex("22010001000000"
                                                            "02")
                                     << 1 << 1;
        QTest::newRow("failed reply") << 3025 << 0LL
                                      << QByteArray::fromHex("22010101000000"
                                                             "02")
                                      << -1 << 0;
        QTest::newRow("other kind") << 3025 << 0LL
                                    << QByteArray::fromHex("22010001000000"
                                                           "03")
                                    << -1 << 0;
    }

    void networkEventsNotifyTheServerOnTheGuiThread()
    {
        QFETCH(int, message);
        QFETCH(qlonglong, wParam);
        QFETCH(QByteArray, reply);
        QFETCH(int, state);
        QFETCH(int, notifications);
        CMainDlg dlg(options(true), m_host, m_launcher);
        QVERIFY(dlg.initialise());
        QCoreApplication::processEvents();
        test::RecordingLink& link = *m_host.link;
        link.state = -1;
        link.incoming.push_back(VexPayload(reply.begin(), reply.end()));
        // 3026 carries the state (1, or 3 for busy); 3025 the id of the message to take.
        const long long lParam = message == 3025 ? 0 : (state == -1 ? 3 : state);
        QCoreApplication::postEvent(&dlg, new ShellEvent(message, wParam, lParam));
        QVERIFY(link.sent.empty()); // nothing happens before the event loop delivers it
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QCOMPARE(link.state, state);
        QCOMPARE(static_cast<int>(link.sent.size()), notifications);
        if (notifications > 0) {
            // Code 546, then the change flags (none changed on these pages).
            QCOMPARE(link.sent.front(), (VexPayload{0x22, 0x02, 0, 0, 0, 0}));
        }
    }

    void aboutIsOfferedInTheWindowsMenu()
    {
        CMainDlg dlg(options(true), m_host, m_launcher);
        QVERIFY(dlg.initialise());
        auto* about = dlg.findChild<QAction*>(QStringLiteral("aboutAction"));
        QVERIFY(about != nullptr);
        QCOMPARE(about->text(), QStringLiteral("&About..."));
        QVERIFY(dlg.actions().contains(about));
        QString title;
        QTimer::singleShot(0, [&title] {
            QWidget* box = QApplication::activeModalWidget();
            QVERIFY(box != nullptr);
            title = box->windowTitle();
            box->close();
        });
        about->trigger();
        QCOMPARE(title, QStringLiteral("About QAR Data Management"));
    }

    void groupUserLimitComesFromTheHost()
    {
        CMainDlg dlg(options(true), m_host, m_launcher);
        QCOMPARE(dlg.GetGroupUserLimit(4), 40);
    }

private:
    test::FakeShellHost m_host;
    test::RecordingLauncher m_launcher;
    std::unique_ptr<test::TempDir> m_dir;
    std::unique_ptr<test::ScopedEnv> m_programDir;
    std::unique_ptr<test::ScopedEnv> m_windowsDir;
    std::unique_ptr<test::HeadlessMessages> m_messages;
};

QTEST_MAIN(CMainDlgTest)
#include "CMainDlgTest.moc"
