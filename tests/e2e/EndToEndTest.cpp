// The tool end to end on a private X server: a prepared program directory, a generated database behind
// a private odbc.ini, RXServer.exe on a port of its own. Scenarios that look inside the main window run
// the real application object in this process on the X11 platform (the tool's widgets are not X11
// windows of their own); the others start the built qaradmin and watch its window and its files.

#include "ChildProcess.h"
#include "OdbcTestDb.h"
#include "app/DatabaseShellHost.h"
#include "app/StartUp.h"
#include "app/ui/CAdminApp.h"
#include "app/ui/CMainDlg.h"
#include "app/ui/CStatusLine.h"
#include "app/ui/Launcher.h"
#include "app/ui/MessageService.h"
#include "db/OdbcError.h"
#include "groups/ui/CGroupEditDlg.h"
#include "groups/ui/CGroupFilesDlg.h"
#include "groups/ui/CGroupPage.h"
#include "groups/ui/CGroupPropDlg.h"
#include "org/ui/CUnitEditDlg.h"
#include "org/ui/CUnitUserPage.h"
#include "org/ui/CUserEditDlg.h"
#include "org/ui/OrgTreeModel.h"
#include "platform/Md5.h"
#include "platform/Paths.h"
#include "platform/ProcessLookup.h"
#include "platform/TreeRefreshMessage.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include <xcb/xcb.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>

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

template <typename T> T* child(QWidget& window, const char* name)
{
    return window.findChild<T*>(QString::fromLatin1(name));
}

/// The page shown in the page area; nothing when none is, and never a right answer when two are.
std::optional<PageKind> visiblePage(CMainDlg& window)
{
    std::optional<PageKind> shown;
    for (PageKind kind : kPageCreationOrder) {
        if (window.page(kind)->isVisible()) {
            shown = shown ? PageKind::EnvironmentParameters : kind;
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

/// Presses `button` of the units-and-users page with `node` selected; `fill` types into the user form it
/// opens and presses OK.
void userFormThroughThePage(CMainDlg& window, OrgTree::NodeId node, const char* button,
                            const std::function<void(CUserEditDlg&)>& fill)
{
    CUnitUserPage& page = unitsPage(window);
    page.selectNode(node);
    QTimer::singleShot(0, [fill] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* form = qobject_cast<CUserEditDlg*>(modal)) {
            fill(*form);
            form->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
        } else if (auto* other = qobject_cast<QDialog*>(modal)) {
            other->reject();
        }
    });
    child<QPushButton>(page, button)->click();
}

void setText(CUserEditDlg& form, const char* field, const QString& value)
{
    form.findChild<QLineEdit*>(QString::fromLatin1(field))->setText(value);
}

/// The node of user `id`, kNone when the tree lists none.
OrgTree::NodeId userNode(CMainDlg& window, int id)
{
    const OrgTree& tree = unitsPage(window).model().tree();
    for (OrgTree::NodeId n = tree.firstChild(OrgTree::kRoot); n != OrgTree::kNone;
         n = tree.nextInSubtree(n, OrgTree::kRoot)) {
        if (tree.kind(n) == NodeKind::User && tree.itemData(n) == id) {
            return n;
        }
    }
    return OrgTree::kNone;
}

/// Runs `step` on the modal form of type T once the event loop shows it (call before the click that
/// opens it); a form the step leaves open is cancelled, so a failing step cannot hold the run up.
template <class T> void onModal(std::function<void(T&)> step)
{
    QTimer::singleShot(0, [step] {
        auto* form = qobject_cast<T*>(QApplication::activeModalWidget());
        QVERIFY2(form != nullptr, "the expected form is not the active modal window");
        step(*form);
        if (form->isVisible()) {
            form->reject();
        }
    });
}

void click(QWidget& form, const char* button)
{
    child<QPushButton>(form, button)->click();
}

/// Live processes the tool counts as its server (by executable name); only those running `exe` when
/// given.
std::vector<int> serverProcesses(const std::string& exe = {})
{
    std::vector<int> ids;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const int id = std::atoi(entry.path().filename().c_str());
        std::string name = id > 0 ? processExecutableName(id) : std::string(); // empty for a zombie
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
        std::error_code error;
        if (name.find(kServerProcessName) != std::string::npos &&
            (exe.empty() || std::filesystem::read_symlink(entry.path() / "exe", error) == exe)) {
            ids.push_back(id);
        }
    }
    return ids;
}

/// True once process `id` holds signal `number` back for itself (RXServer.exe takes its signals in its
/// loop; before that, SIGUSR1 would end it).
bool blocksSignal(int id, int number)
{
    std::ifstream status("/proc/" + std::to_string(id) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("SigBlk:")) {
            return ((std::strtoull(line.c_str() + 7, nullptr, 16) >> (number - 1)) & 1U) != 0;
        }
    }
    return false;
}

bool alive(int id)
{
    return !processExecutableName(id).empty(); // a zombie has no executable
}

/// Ends them (SIGTERM, then SIGKILL after 3 s) and forgets them.
void endProcesses(std::vector<int>& ids)
{
    for (int signal : {SIGTERM, SIGKILL}) {
        for (int i = 0; i < 150 && std::any_of(ids.begin(), ids.end(), alive); ++i) {
            if (i == 0) {
                std::for_each(ids.begin(), ids.end(), [signal](int id) { ::kill(id, signal); });
            }
            QThread::msleep(20);
        }
    }
    ids.clear();
}

/// Whether process `pid` has a top-level window on the X server that is viewable and titled as the
/// tool's main window.
bool mainWindowShown(qint64 pid)
{
    xcb_connection_t* x = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    const auto property = [x](xcb_window_t window, const char* name) {
        xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
            x, xcb_intern_atom(x, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
        xcb_get_property_reply_t* reply = xcb_get_property_reply(
            x,
            xcb_get_property(x, 0, window, atom != nullptr ? atom->atom : xcb_atom_t{XCB_ATOM_NONE},
                             XCB_GET_PROPERTY_TYPE_ANY, 0, 256),
            nullptr);
        std::string value;
        if (reply != nullptr) {
            value.assign(static_cast<const char*>(xcb_get_property_value(reply)),
                         static_cast<std::size_t>(xcb_get_property_value_length(reply)));
        }
        std::free(atom);
        std::free(reply);
        return value;
    };
    xcb_query_tree_reply_t* tree =
        xcb_query_tree_reply(x, xcb_query_tree(x, xcb_setup_roots_iterator(xcb_get_setup(x)).data->root), nullptr);
    bool shown = false;
    for (int i = 0; tree != nullptr && i < xcb_query_tree_children_length(tree) && !shown; ++i) {
        const xcb_window_t window = xcb_query_tree_children(tree)[i];
        const auto id = static_cast<std::uint32_t>(pid);
        if (property(window, "_NET_WM_PID") == std::string(reinterpret_cast<const char*>(&id), sizeof id) &&
            property(window, "_NET_WM_NAME").starts_with("QAR-Orrin")) {
            xcb_get_window_attributes_reply_t* attributes =
                xcb_get_window_attributes_reply(x, xcb_get_window_attributes(x, window), nullptr);
            shown = attributes != nullptr && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
            std::free(attributes);
        }
    }
    std::free(tree);
    return shown;
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
    }

    void cleanup()
    {
        endProcesses(m_restarted);
        m_server.reset();
    }

    // Beside a running server: the window opens on the groups page with the generated units loaded, Start
    // Service is off while the server runs, and the server hears the tool come up. (What each side-bar
    // entry shows in each mode is the main-window test's.)
    void startupSystemManager()
    {
        E2E_STEP(prepare({"-reply:0"}));
        runTool("qaradmin", [&](CMainDlg& window) {
            QCOMPARE(child<QListWidget>(window, "sideBarList")->currentRow(), 0);
            QCOMPARE(visiblePage(window), PageKind::Groups);
            QCOMPARE(unitsPage(window).model().index().unitNodes.size(), std::size_t{6}); // the generated rows
            QVERIFY(child<QPushButton>(window, "startServiceButton")->isVisible());
            QVERIFY(!child<QPushButton>(window, "startServiceButton")->isEnabled());
            QVERIFY(screenshot("e2e-system-manager"));
        });
        QVERIFY(hasServerLine("client connected"));
    }

    // Started by the desktop client as manager of group 1: the window opens on the units-and-users page
    // holding group 1's units only; Start Service is hidden without a server beside.
    void startupGroupManager()
    {
        E2E_STEP(prepare({}, 2, 6, 12, false));
        const QStringList groupOneUnits =
            query("SELECT UNIT_ID FROM UnitTable WHERE GROUP_ID = 1 ORDER BY UNIT_ID").split(QLatin1Char('\n'));
        QVERIFY(!groupOneUnits.isEmpty() && groupOneUnits.size() < 6);

        runTool("qaradmin -SetIP:127.0.0.1-Group:1-GroupManager", [&](CMainDlg& window) {
            QVERIFY(!window.startOptions().systemManager);
            QCOMPARE(window.startOptions().currentGroup, 1);
            QCOMPARE(child<QListWidget>(window, "sideBarList")->currentRow(), 2);
            QCOMPARE(visiblePage(window), PageKind::UnitsAndUsers);
            QVERIFY(!child<QPushButton>(window, "startServiceButton")->isVisible());
            QStringList shownUnits;
            for (const auto& [id, node] : unitsPage(window).model().index().unitNodes) {
                shownUnits << QString::number(id);
            }
            shownUnits.sort();
            QCOMPARE(shownUnits, groupOneUnits);
            QVERIFY(screenshot("e2e-group-manager"));
        });
        // The built program, started the same way, shows its window too.
        QVERIFY(timeToMainWindow({"-SetIP:127.0.0.1-Group:1-GroupManager"}));
    }

    // The built program started with -first and the four hand-off files: it names group 1, creates the
    // root unit, keeps the corporation in EnvInfo.dat, copies the image and hands the units and users
    // files to the import tool, then closes by itself.
    void firstRunNamesGroupAndCreatesRootUnit()
    {
        E2E_STEP(prepare({}, 1, 0, 0));
        QCOMPARE(query("SELECT COUNT(*) FROM UnitTable"), QStringLiteral("0"));
        const std::string windows = m_root.file("windows");
        const std::string image("BM\x3a\0\0\0\0\0\0\0\x36\0\0\0", 14);
        test::writeFile(windows + "/Data0.d_t", image);
        test::writeFile(windows + "/Data1.d_t", "units sheet\r\n");
        test::writeFile(windows + "/Data2.d_t", "users sheet\r\n");
        test::writeFile(windows + "/Data3.d_t",
                        "[Info]\r\nm_sCorp=Harbour Works Ltd\r\nm_sHttp=http://harbour.example\r\n");
        // The import tool stand-in records how it was called.
        const std::string intake = file("SheetIntake.exe");
        test::writeFile(intake, "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$(dirname \"$0\")/intake-args.txt\"\n");
        std::filesystem::permissions(intake, std::filesystem::perms::owner_all);

        test::ChildProcess tool(file("qaradmin"), {"-first"}, {}, file(""));
        const std::optional<int> status = tool.wait(60s);
        QVERIFY2(status, "the tool did not close after handing over to the import tool");
        QVERIFY2(WIFEXITED(*status) && WEXITSTATUS(*status) == 0, tool.output().c_str());

        QCOMPARE(query("SELECT GROUP_NAME, GROUP_URL FROM GroupTable WHERE GROUP_ID = 1"),
                 QStringLiteral("Harbour Works Ltd|http://harbour.example"));
        QCOMPARE(query("SELECT UNIT_ID, UNIT_NAME, SUPER_ID, TREE_CLASS, GROUP_ID, UNIT_FLAG, UNIT_STATUS, CAN_LOG, "
                       "OL_TIME FROM UnitTable"),
                 QStringLiteral("101|Harbour Works Ltd|0|1|1|0|1|0|0"));
        QCOMPARE(query("SELECT COUNT(*) FROM ChangeTable"), QStringLiteral("0"));
        const std::string envInfo = test::readFile(file("UserData/config/EnvInfo.dat"));
        QVERIFY2(envInfo.find("m_sCorporationName=Harbour Works Ltd") != std::string::npos, envInfo.c_str());
        QVERIFY2(envInfo.find("m_sCorporationHomepage=http://harbour.example") != std::string::npos, envInfo.c_str());
        QCOMPARE(test::readFile(file("AppConf.bmp")), image);

        // The import tool is started detached: give it a moment to write.
        const std::string argsFile = file("intake-args.txt");
        QTRY_VERIFY_WITH_TIMEOUT(std::filesystem::exists(argsFile) && std::filesystem::file_size(argsFile) > 0,
                                 kPatienceMs);
        const QString args = QString::fromStdString(test::readFile(argsFile)).trimmed();
        const QString expected = QStringLiteral("^-bysys-h\\d+-unit%1/Data1.d_t-user%1/Data2.d_t$")
                                     .arg(QRegularExpression::escape(QString::fromStdString(windows)));
        QVERIFY2(QRegularExpression(expected).match(args).hasMatch(), qPrintable(args));
    }

    // A unit added on the units-and-users page reaches the running server: the change row it polls
    // from the same database, and the refresh notification naming units after the server's reply.
    void changeReachesTheServer()
    {
        E2E_STEP(prepare({"-reply:0", "-poll:200"}));
        runTool("qaradmin", [&](CMainDlg& window) {
            addUnitThroughThePage(window, 101, QStringLiteral("Quay Logistics"));
            const QString added = query("SELECT UNIT_ID, SUPER_ID FROM UnitTable WHERE UNIT_NAME = 'Quay Logistics'");
            QCOMPARE(added.section(QLatin1Char('|'), 1), QStringLiteral("101"));
            QVERIFY(window.changeFlags().units);
            QVERIFY(!window.changeFlags().users);

            // The server polls the change table through the data source named in DB.dat.
            const std::string row = "Table_Name=UnitTable Field_Name=UNIT_ID Key_Value=" +
                                    added.section(QLatin1Char('|'), 0, 0).toStdString() + " Change_Act=0";
            QTRY_VERIFY_WITH_TIMEOUT(hasServerLine(row), kPatienceMs);
            QVERIFY(!hasServerLine("546 refresh 0x00000001"));

            // Its reply asks for the notification; the tool sends the flags and clears them.
            ::kill(m_server->process().pid(), SIGUSR1);
            QTRY_VERIFY_WITH_TIMEOUT(hasServerLine("546 refresh 0x00000001 units"), kPatienceMs);
            QTRY_VERIFY_WITH_TIMEOUT(!window.changeFlags().units, kPatienceMs);
        });
    }

    // qarctl imports units and users beside the running tool and server: the server reads a change row
    // per row and one refresh notification; the import tool's refresh message makes the tool rebuild its
    // tree. The users' unit comes earlier in the same import; a user of the refused unit is refused too.
    void importReachesTheServerAndTheTree()
    {
        E2E_STEP(prepare({"-reply:0", "-poll:200"}));
        const std::string units = test::writeFile(m_root.file("units.csv"),
                                                  "ID,Name,Parent,Group\n301,Quay,101,1\n302,,101,1\n303,Dock,301,1\n");
        const std::string users =
            test::writeFile(m_root.file("users.csv"), "ID,Name,Password,Unit\n30001,Ann,pw,303\n30002,Bob,pw,302\n");
        runTool("qaradmin", [&](CMainDlg& window) {
            std::string output;
            QVERIFY(!test::runToEnd(std::getenv("QAR_E2E_QARCTL"), {"import", units, users}, 60s, &output));
            QVERIFY2(output.find("5 rows read: 3 to add, 0 to update, 0 skipped, 2 refused.") != std::string::npos,
                     output.c_str());
            QCOMPARE(query("SELECT UNIT_ID FROM UnitTable WHERE UNIT_ID > 300 ORDER BY UNIT_ID"),
                     QStringLiteral("301\n303"));
            QCOMPARE(query("SELECT USER_ID, UNIT_ID, GROUP_ID FROM BaseTable WHERE USER_ID > 30000"),
                     QStringLiteral("30001|303|1"));
            QTRY_VERIFY_WITH_TIMEOUT(
                hasServerLine("Table_Name=UnitTable Field_Name=UNIT_ID Key_Value=303 Change_Act=0"), kPatienceMs);
            QTRY_VERIFY_WITH_TIMEOUT(
                hasServerLine("Table_Name=BaseTable Field_Name=USER_ID Key_Value=30001 Change_Act=0"), kPatienceMs);
            QVERIFY(hasServerLine("546 refresh 0x00000003 units users"));

            const auto& shown = unitsPage(window).model().index().unitNodes;
            QVERIFY(shown.count(303) == 0);
            QVERIFY(SendTreeRefresh(static_cast<std::uint32_t>(window.winId())));
            QTRY_VERIFY_WITH_TIMEOUT(unitsPage(window).model().index().unitNodes.count(303) == 1, kPatienceMs);
        });
    }

    // Users on the units-and-users page reach the running server: a user added, its id changed, only its
    // password changed (the row, no change row), then deleted; the rows, the change rows in their order
    // and a refresh notification naming users after each of the server's replies.
    void usersReachTheServer() { usersScenario(); }
    void usersReachTheServerOnMariaDb()
    {
        if (std::getenv("QAR_TEST_MARIADB_HOST") == nullptr) {
            if (test::mariaDbRequired()) {
                QFAIL("QAR_REQUIRE_MARIADB=1 but QAR_TEST_MARIADB_* name no server (scripts/mariadb start)");
            }
            QSKIP("no MariaDB server configured (QAR_TEST_MARIADB_*)");
        }
        m_mariaDbName = "qar_e2e_" + std::to_string(::getpid());
        try {
            usersScenario();
        } catch (const OdbcError& e) {
            QFAIL(e.what());
        }
    }

    // Groups through the page and the group editor beside the running server: a group added, renumbered,
    // given its property file and configuration files, and a group that still has units and users deleted.
    // The rows, the files, the change rows the server reads and its 546 notification naming the groups.
    void groupsReachTheServer() { groupsScenario(); }
    void groupsReachTheServerOnMariaDb()
    {
        if (std::getenv("QAR_TEST_MARIADB_HOST") == nullptr) {
            if (test::mariaDbRequired()) {
                QFAIL("QAR_REQUIRE_MARIADB=1 but QAR_TEST_MARIADB_* name no server (scripts/mariadb start)");
            }
            QSKIP("no MariaDB server configured (QAR_TEST_MARIADB_*)");
        }
        m_mariaDbName = "qar_e2e_" + std::to_string(::getpid());
        try {
            groupsScenario();
        } catch (const OdbcError& e) {
            QFAIL(e.what());
        }
    }

    // On the real window: the status line names the data source and the running server and says what a
    // change wrote; the find bar (opened with its button) finds the new unit by its name in another case,
    // opens its parent and selects it. Screenshot: e2e-find-bar.png.
    void findBarAndStatusLine()
    {
        E2E_STEP(prepare({"-reply:0"}));
        runTool("qaradmin", [&](CMainDlg& window) {
            child<QListWidget>(window, "sideBarList")->setCurrentRow(2);
            CUnitUserPage& page = unitsPage(window);
            QVERIFY(child<QLabel>(window, "dataSourceStatusLabel")
                        ->text()
                        .startsWith(QStringLiteral("Data source QARE2E (SQLite 3.")));
            QCOMPARE(child<QLabel>(window, "serverStatusLabel")->text(), QStringLiteral("Server: running"));

            addUnitThroughThePage(window, 102, QStringLiteral("Harbour Office"));
            const QString id = query("SELECT UNIT_ID FROM UnitTable WHERE UNIT_NAME = 'Harbour Office'");
            QCOMPARE(window.statusLine()->change(), QStringLiteral("Unit %1 added").arg(id));

            page.selectNode(page.model().index().groupNodes.begin()->second);
            auto* tree = child<QTreeView>(page, "orgTreeView");
            tree->collapseAll();
            QTest::mouseClick(child<QToolButton>(page, "findToolButton"), Qt::LeftButton);
            auto* text = child<QLineEdit>(page, "findLineEdit");
            QTRY_VERIFY_WITH_TIMEOUT(text->isVisible(), kPatienceMs);
            QTest::keyClicks(text, QStringLiteral("HARBOUR"));
            const OrgTree::NodeId unit = page.model().index().unitNodes.at(id.toInt());
            QCOMPARE(page.selectedNode(), unit);
            const QModelIndex shown = page.treeModel().indexOf(unit);
            QVERIFY(tree->isExpanded(shown.parent()));
            QVERIFY(tree->viewport()->rect().contains(tree->visualRect(shown)));
            QCOMPARE(child<QLabel>(page, "matchLabel")->text(), QStringLiteral("1 of 1"));
            QTest::qWait(300); // painted before the picture
            QVERIFY(screenshot("e2e-find-bar"));
        });
    }

    // The server dies under the running tool: Start Service comes back on, and the tool goes on
    // working on the database (without change rows, which only a running server reads).
    void serverKilledWhileToolRuns()
    {
        E2E_STEP(prepare({"-reply:0"}));
        if (serverProcesses().size() > 1) {
            QSKIP("another server process runs on this machine; the tool would count it as its own");
        }
        runTool("qaradmin", [&](CMainDlg& window) {
            auto* startService = child<QPushButton>(window, "startServiceButton");
            QVERIFY(!startService->isEnabled());
            m_server->process().stop(SIGKILL);
            // The lost connection is the next update of the buttons.
            QTRY_VERIFY_WITH_TIMEOUT(startService->isEnabled(), kPatienceMs);
            QVERIFY(!window.IsServerRunning());

            addUnitThroughThePage(window, 101, QStringLiteral("After Hours"));
            QCOMPARE(query("SELECT COUNT(*) FROM UnitTable WHERE UNIT_NAME = 'After Hours'"), QStringLiteral("1"));
            QCOMPARE(query("SELECT COUNT(*) FROM ChangeTable"), QStringLiteral("0"));
            QVERIFY(window.changeFlags().units);
            QVERIFY(startService->isEnabled());

            // Start Service brings a server up from the program directory; the tool finds it, writes
            // change rows again and, once its client is back, answers the server's reply.
            startService->click();
            QVERIFY(!window.changeFlags().units);
            const std::string exe = std::filesystem::weakly_canonical(file("RXServer.exe"));
            QTRY_VERIFY_WITH_TIMEOUT(!(m_restarted = serverProcesses(exe)).empty(), kPatienceMs);
            QTRY_VERIFY_WITH_TIMEOUT(
                std::all_of(m_restarted.begin(), m_restarted.end(), [](int id) { return blocksSignal(id, SIGUSR1); }),
                kPatienceMs);
            QTRY_VERIFY_WITH_TIMEOUT(!startService->isEnabled(), kPatienceMs);
            addUnitThroughThePage(window, 101, QStringLiteral("Night Shift"));
            QCOMPARE(query("SELECT COUNT(*) FROM ChangeTable WHERE Key_Value = (SELECT UNIT_ID FROM UnitTable WHERE "
                           "UNIT_NAME = 'Night Shift')"),
                     QStringLiteral("1"));
            QVERIFY(window.changeFlags().units);
            // The client reconnects with a pause that grows to a few seconds: ask for replies until
            // the notification has gone out.
            const auto askForReply = [this] {
                std::for_each(m_restarted.begin(), m_restarted.end(), [](int id) { ::kill(id, SIGUSR1); });
            };
            QTRY_VERIFY_WITH_TIMEOUT((askForReply(), !window.changeFlags().units), kPatienceMs);
        });
    }

    // One database under the locale of the test's entry (LC_ALL): its names are stored in the code page
    // of the locale's character set, the tree shows them, and OK in the unit form after changing only
    // "Valided" leaves every byte of the unit's texts as it was. The language shown is the locale's.
    void chineseNamesSurviveTheUnitEditor()
    {
        const std::string locale = std::getenv("LC_ALL") != nullptr ? std::getenv("LC_ALL") : "";
        const bool gbk = locale == "zh_CN.GBK";
        // Texts as shown, and their bytes in the code page of the locale.
        const struct
        {
            QString shown;
            std::string hex;
        } head{QStringLiteral("总公司"), gbk ? "D7DCB9ABCBBE" : "E680BBE585ACE58FB8"},
            name{QStringLiteral("研发中心"), gbk ? "D1D0B7A2D6D0D0C4" : "E7A094E58F91E4B8ADE5BF83"},
            alias{QStringLiteral("公关部"), gbk ? "B9ABB9D8B2BF" : "E585ACE585B3E983A8"};

        E2E_STEP(prepare({}));
        // Bytes as text, not as a blob, which the driver would hand over as hexadecimal digits.
        QVERIFY(test::runToEnd("sqlite3",
                               {file("UserData/qar.db"), "UPDATE UnitTable SET UNIT_NAME = CAST(X'" + name.hex +
                                                             "' AS TEXT), CAN_LOG = 1, UNIT_ALIAS = CAST(X'" +
                                                             alias.hex + "' AS TEXT) WHERE UNIT_ID = 102"},
                               10s));
        const std::string unit = "SELECT hex(UNIT_NAME), hex(UNIT_ALIAS), LOG_PWD, SUPER_ID, TREE_CLASS, CAN_LOG, "
                                 "OL_TIME, GROUP_ID, UNIT_FLAG, UNIT_STATUS FROM UnitTable WHERE UNIT_ID = 102";
        const QString before = query(unit);
        QVERIFY2(before.startsWith(QString::fromStdString(name.hex + "|" + alias.hex)) && before.endsWith(u"|1"),
                 qPrintable(before));

        runTool("qaradmin", [&](CMainDlg& window) {
            QCOMPARE(child<QListWidget>(window, "sideBarList")->item(0)->text(),
                     locale.starts_with("zh") ? QStringLiteral("群组") : QStringLiteral("Groups"));
            CUnitUserPage& page = unitsPage(window);
            const auto shown = [&page](OrgTree::NodeId node) {
                return page.treeModel().data(page.treeModel().indexOf(node)).toString();
            };
            QVERIFY(shown(page.model().index().groupNodes.at(1)).contains(head.shown));
            QVERIFY(shown(page.model().index().unitNodes.at(102)).contains(name.shown));

            QStringList formTexts;
            page.selectNode(page.model().index().unitNodes.at(102));
            QTimer::singleShot(0, [&formTexts] {
                if (auto* form = qobject_cast<CUnitEditDlg*>(QApplication::activeModalWidget())) {
                    formTexts << form->findChild<QLineEdit*>(QStringLiteral("departmentLineEdit"))->text()
                              << form->findChild<QLineEdit*>(QStringLiteral("aliasLineEdit"))->text();
                    form->findChild<QCheckBox*>(QStringLiteral("validedCheckBox"))->setChecked(false);
                    form->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
                }
            });
            child<QPushButton>(page, "editButton")->click();
            QCOMPARE(formTexts, (QStringList{name.shown, alias.shown}));
            QCOMPARE(query(unit), before.chopped(1) + QLatin1Char('0'));
        });
        // The generator wrote the names in the code page the tool runs with.
        QCOMPARE(query("SELECT hex(GROUP_NAME) FROM GroupTable WHERE GROUP_ID = 1").toStdString(), head.hex);
    }

    // The built program on an empty database beside the server's executable: time from the process
    // start to its main window on screen, five times; the median is reported.
    void startupTime()
    {
        E2E_STEP(prepare({}, 0, 0, 0));
        std::vector<double> times;
        for (int run = 0; run < 5; ++run) {
            const std::optional<double> ms = timeToMainWindow({}, run == 0 ? "e2e-qaradmin-process" : nullptr);
            QVERIFY(ms);
            times.push_back(*ms);
        }
        std::sort(times.begin(), times.end());
        std::string report = "qaradmin start to main window on an empty database: median " +
                             std::to_string(std::lround(times[2])) + " ms (runs, sorted:";
        for (double t : times) {
            report += " " + std::to_string(std::lround(t));
        }
        qInfo("%s ms)", report.c_str());
        test::writeFile(std::getenv("QAR_E2E_ARTIFACTS") + std::string("/e2e-startup-time.txt"), report + " ms)\n");
    }

private:
    void groupsScenario()
    {
        E2E_STEP(prepare({"-reply:0", "-poll:200"}));
        test::writeFile(file("UserData/setting/SvrFlag.dat"), "[SvrFlag]\r\nSP=1\r\n");
        const std::string unitsAndUsers = "SELECT (SELECT COUNT(*) FROM [UnitTable] WHERE [GROUP_ID] = 2), "
                                          "(SELECT COUNT(*) FROM [BaseTable] WHERE [GROUP_ID] = 2)";
        const test::Rows before = odbcQuery(unitsAndUsers);
        QVERIFY(before != test::rows({{"0", "0"}}));

        runTool("qaradmin", [&](CMainDlg& window) {
            auto& page = *static_cast<CGroupPage*>(window.page(PageKind::Groups));
            QCOMPARE(visiblePage(window), PageKind::Groups);
            onModal<CGroupEditDlg>([](CGroupEditDlg& form) {
                child<QLineEdit>(form, "nameLineEdit")->setText(QStringLiteral("Harbour"));
                child<QLineEdit>(form, "homePageLineEdit")->setText(QStringLiteral("http://harbour"));
                click(form, "okButton");
            });
            click(page, "addButton");
            QCOMPARE(odbcQuery("SELECT [GROUP_ID], [GROUP_NAME], [GROUP_URL], [GROUP_FTP_IP], [GROUP_COUNT], "
                               "[GROUP_POWER] FROM [GroupTable] WHERE [GROUP_NAME] = 'Harbour'"),
                     test::rows({{"3", "Harbour", "http://harbour", "0", "0", "1046542"}}));

            page.selectGroup(3);
            onModal<CGroupEditDlg>([](CGroupEditDlg& form) {
                child<QLineEdit>(form, "numberMathEdit")->setText(QStringLiteral("7"));
                click(form, "okButton");
            });
            click(page, "editButton");
            page.selectGroup(7);
            onModal<CGroupEditDlg>([](CGroupEditDlg& form) {
                onModal<CGroupPropDlg>([](CGroupPropDlg& properties) {
                    click(properties, "defaultButton");
                    click(properties, "okButton");
                });
                click(form, "propSetupButton");
                onModal<CGroupFilesDlg>([](CGroupFilesDlg& files) {
                    click(files, "defaultButton");
                    child<QRadioButton>(files, "multiRolePublicRadioButton")->setChecked(true);
                    click(files, "okButton");
                });
                click(form, "fileSetupButton");
                form.reject(); // the side forms have done their work; the group itself is unchanged
            });
            click(page, "editButton");

            MessageService::instance().setNextAnswer(Answer::Cancel);
            page.selectGroup(2);
            click(page, "deleteButton");
            QCOMPARE(odbcQuery("SELECT COUNT(*) FROM [GroupTable] WHERE [GROUP_ID] = 2"), test::rows({{"1"}}));
            click(page, "deleteButton");                            // answered OK
            QCOMPARE(MessageService::instance().shown().size(), 2); // the two questions, nothing else
            MessageService::instance().reset();
            QCOMPARE(odbcQuery("SELECT [GROUP_ID] FROM [GroupTable] ORDER BY [GROUP_ID]"), test::rows({{"1"}, {"7"}}));
            QVERIFY(window.changeFlags().groups);

            QCOMPARE(odbcQuery("SELECT [REC_ID], [Table_Name], [Field_Name], [Key_Value], [Change_Act] FROM "
                               "[ChangeTable] ORDER BY [REC_ID]"),
                     test::rows({{"0", "GroupTable", "GROUP_ID", "3", "0"},
                                 {"1", "GroupTable", "GROUP_ID", "7", "2"},
                                 {"2", "[XML-FILE]", "[UGRPX-DATA]", "7", "2"},
                                 {"3", "[XML-FILE]", "[UGRPX-XMLS]", "7", "2"},
                                 {"4", "GroupTable", "GROUP_ID", "2", "1"}}));
            QTRY_VERIFY_WITH_TIMEOUT(hasServerLine("REC_ID=4 Table_Name=GroupTable Field_Name=GROUP_ID Key_Value=2 "
                                                   "Change_Act=1"),
                                     kPatienceMs);
            ::kill(m_server->process().pid(), SIGUSR1);
            QTRY_VERIFY_WITH_TIMEOUT(hasServerLine("546 refresh 0x00000020 groups"), kPatienceMs);
            QTRY_VERIFY_WITH_TIMEOUT(!window.changeFlags().groups, kPatienceMs);
        });
        QCOMPARE(odbcQuery(unitsAndUsers), before);
        const std::string data = test::readFile(file("UserData/data/UGrps_Data/Groupx_7.xml"));
        QVERIFY2(
            data.starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\r\n<QAR_GROUPX>\r\r\n") &&
                data.ends_with("</QAR_GROUPX>\r\r\n") &&
                data.find("\r\r\n<DAT VAR=\"CORP\">Harbour</DAT>\r\r\n") != std::string::npos &&
                data.find("<DAT VAR=\"EURL\">http://harbour</DAT>") != std::string::npos,
            data.c_str());
        const std::string decl = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";
        QCOMPARE(test::readFile(file("UserData/config/XMLs/7_QARs.xml")), decl + "<QAR_SERV></QAR_SERV>\r\n");
        QCOMPARE(test::readFile(file("UserData/config/XMLs/7_AppUrls.xml")), decl + "<QAR_APPS></QAR_APPS>\r\n");
        QVERIFY(!std::filesystem::exists(file("UserData/config/XMLs/7_MUser.xml")));
        if (!m_mariaDbName.empty()) {
            CXDatabase admin;
            admin.Open(mariaDbAdminConnect());
            admin.ExecuteSQL("DROP DATABASE IF EXISTS " + m_mariaDbName);
        }
    }

    void usersScenario()
    {
        E2E_STEP(prepare({"-reply:0", "-poll:200"}));
        // Stored passwords are MD5 digests: the parameter EnvParam.dat names says so.
        odbcExec("INSERT INTO [ParamTable] ([Param_Name], [Param_Value]) VALUES ('PWD_METHOD', 'MD5')");
        const int added = 10013; // one above the twelve generated users
        const int renamed = 10113;
        const auto changeLine = [](int key, int act) {
            return "Table_Name=BaseTable Field_Name=USER_ID Key_Value=" + std::to_string(key) +
                   " Change_Act=" + std::to_string(act);
        };
        // The server's reply asks for the notification; the tool answers it from its event loop.
        const auto notified = [this](std::size_t times) {
            ::kill(m_server->process().pid(), SIGUSR1);
            QTRY_VERIFY_WITH_TIMEOUT(m_server->process().lines("546 refresh 0x00000002 users", 0, 0s).size() == times,
                                     kPatienceMs);
        };
        runTool("qaradmin", [&](CMainDlg& window) {
            // The status line names the engine and its version as numbers, without a driver's padding.
            const QRegularExpression shown(
                QStringLiteral("^Data source QARE2E \\(%1 [1-9]\\d*\\.(0|[1-9]\\d*)\\.(0|[1-9]\\d*)\\b")
                    .arg(m_mariaDbName.empty() ? QStringLiteral("SQLite") : QStringLiteral("MariaDB")));
            QVERIFY(shown.match(child<QLabel>(window, "dataSourceStatusLabel")->text()).hasMatch());
            userFormThroughThePage(window, unitsPage(window).model().index().unitNodes.at(101), "addUserButton",
                                   [](CUserEditDlg& form) {
                                       setText(form, "nameLineEdit", QStringLiteral("Quinn O'Hara"));
                                       setText(form, "passwordLineEdit", QStringLiteral("pw;1%"));
                                       setText(form, "passwordAgainLineEdit", QStringLiteral("pw;1%"));
                                   });
            QCOMPARE(
                odbcQuery("SELECT [NAME], [PASSWORD], [UNIT_ID], [MACHINE_ID] FROM [BaseTable] WHERE [USER_ID] = " +
                          std::to_string(added)),
                (test::Rows{{"Quinn O'Hara", Md5Hex("pw;1%"), "101", "0"}}));
            QVERIFY(window.changeFlags().users);
            QTRY_VERIFY_WITH_TIMEOUT(hasServerLine(changeLine(added, 0)), kPatienceMs);
            E2E_STEP(notified(1));
            QTRY_VERIFY_WITH_TIMEOUT(!window.changeFlags().users, kPatienceMs);

            userFormThroughThePage(window, userNode(window, added), "editButton", [renamed](CUserEditDlg& form) {
                setText(form, "userIdLineEdit", QString::number(renamed));
            });
            QCOMPARE(odbcQuery("SELECT [USER_ID] FROM [BaseTable] WHERE [NAME] = 'Quinn O''Hara'"),
                     test::rows({{"10113"}}));
            QCOMPARE(odbcQuery("SELECT [Key_Value], [Change_Act] FROM [ChangeTable] ORDER BY [REC_ID]"),
                     test::rows({{"10013", "0"}, {"10013", "1"}, {"10113", "0"}}));
            QTRY_VERIFY_WITH_TIMEOUT(hasServerLine(changeLine(added, 1)) && hasServerLine(changeLine(renamed, 0)),
                                     kPatienceMs);
            E2E_STEP(notified(2));
            QTRY_VERIFY_WITH_TIMEOUT(!window.changeFlags().users, kPatienceMs);

            userFormThroughThePage(window, userNode(window, renamed), "editButton", [](CUserEditDlg& form) {
                setText(form, "passwordLineEdit", QStringLiteral("a2345678901234567890123456789012"));
                setText(form, "passwordAgainLineEdit", QStringLiteral("a2345678901234567890123456789012"));
            });
            // 32 characters are taken as a digest already: stored as typed, and no change row follows.
            QCOMPARE(odbcQuery("SELECT [PASSWORD] FROM [BaseTable] WHERE [USER_ID] = 10113"),
                     test::rows({{"a2345678901234567890123456789012"}}));
            QCOMPARE(odbcQuery("SELECT COUNT(*) FROM [ChangeTable]"), test::rows({{"3"}}));
            QVERIFY(window.changeFlags().users);
            E2E_STEP(notified(3));
            QTRY_VERIFY_WITH_TIMEOUT(!window.changeFlags().users, kPatienceMs);

            unitsPage(window).selectNode(userNode(window, renamed));
            child<QPushButton>(unitsPage(window), "deleteButton")->click(); // headless: the question is answered OK
            QCOMPARE(MessageService::instance().lastText(),
                     QStringLiteral(
                         "Are you sure to delete the item?\n\nUser:Quinn O'Hara [ID:10113]  [Status]1 In service"));
            MessageService::instance().reset();
            QCOMPARE(odbcQuery("SELECT COUNT(*) FROM [BaseTable] WHERE [USER_ID] = 10113"), test::rows({{"0"}}));
            QTRY_VERIFY_WITH_TIMEOUT(hasServerLine(changeLine(renamed, 1)), kPatienceMs);
            E2E_STEP(notified(4));
            QCOMPARE(userNode(window, renamed), OrgTree::kNone);
            QCOMPARE(odbcQuery("SELECT [Table_Name], [Field_Name], [Key_Value], [Change_Act] FROM [ChangeTable] "
                               "ORDER BY [REC_ID]"),
                     test::rows({{"BaseTable", "USER_ID", "10013", "0"},
                                 {"BaseTable", "USER_ID", "10013", "1"},
                                 {"BaseTable", "USER_ID", "10113", "0"},
                                 {"BaseTable", "USER_ID", "10113", "1"}}));
        });
        if (!m_mariaDbName.empty()) {
            CXDatabase admin;
            admin.Open(mariaDbAdminConnect());
            admin.ExecuteSQL("DROP DATABASE IF EXISTS " + m_mariaDbName);
        }
    }

    /// The MariaDB server of the tests, without a database.
    static std::string mariaDbAdminConnect()
    {
        return "DRIVER=" + test::mariaDbDriverPath() + ";SERVER=" + std::getenv("QAR_TEST_MARIADB_HOST") +
               ";PORT=" + std::getenv("QAR_TEST_MARIADB_PORT") + ";UID=" + std::getenv("QAR_TEST_MARIADB_USER") +
               ";PWD=" + std::getenv("QAR_TEST_MARIADB_PASSWORD");
    }

    /// The tool's data source, through a connection of the test's own.
    std::string toolConnect() const
    {
        return m_mariaDbName.empty() ? "DSN=QARE2E;UID=;PWD="
                                     : "DSN=QARE2E;UID=" + std::string(std::getenv("QAR_TEST_MARIADB_USER")) +
                                           ";PWD=" + std::getenv("QAR_TEST_MARIADB_PASSWORD");
    }
    test::Rows odbcQuery(const std::string& sql)
    {
        CXDatabase database;
        database.Open(toolConnect());
        return test::query(database, database.quoteBrackets(sql));
    }
    void odbcExec(const std::string& sql)
    {
        CXDatabase database;
        database.Open(toolConnect());
        database.ExecuteSQL(database.quoteBrackets(sql));
    }

    std::string file(const std::string& relative) const { return m_root.file("program/" + relative); }

    /// A program directory as the server's installation leaves it: the tool, optionally RXServer.exe
    /// beside it, DB.dat naming a data source registered in a private odbc.ini, the settings files of
    /// the demo and a generated SQLite database (`groups` 0: every table empty). The environment of this
    /// process points at it, so the tool run in-process and every child sees it. A server runs with the
    /// `server` switches unless there are none.
    void prepare(const std::vector<std::string>& server, int groups = 2, int units = 6, int users = 12,
                 bool withServer = true)
    {
        for (const char* name : {"QAR_SOURCE_DIR", "QAR_E2E_QARADMIN", "QAR_E2E_DATAGEN", "QAR_E2E_ARTIFACTS"}) {
            QVERIFY2(std::getenv(name) != nullptr, name);
        }
        // The driver manager reads these once, at the first ODBC call, which looking for the driver is.
        ::setenv("ODBCSYSINI", m_root.file("odbc").c_str(), 1);
        ::setenv("ODBCINI", m_root.file("odbc/user-odbc.ini").c_str(), 1);
        const std::string driver = GetSystemDir() + "/libsqlite3odbc.so";
        QVERIFY2(std::filesystem::exists(driver), "the SQLite ODBC driver is not installed");
        const std::string source = std::getenv("QAR_SOURCE_DIR");
        const std::string database = file("UserData/qar.db");
        for (const char* dir : {"config/xmldata", "config/icodata", "config/XMLs", "setting", "data/UGrps_Data"}) {
            std::filesystem::create_directories(file("UserData/") + dir);
        }
        std::filesystem::create_directories(m_root.file("odbc"));
        std::filesystem::create_directories(m_root.file("windows"));
        std::filesystem::copy_file(std::getenv("QAR_E2E_QARADMIN"), file("qaradmin"));
        if (withServer) {
            std::filesystem::copy_file(QAR_RXSERVER_PATH, file("RXServer.exe"));
        }
        for (const char* name :
             {"Power.dat", "Help_Power.txt", "DBConf.htm", "UserData/config/EnvInfo.dat",
              "UserData/setting/EnvParam.dat", "UserData/setting/DBField.dat", "UserData/setting/PropDef.dat"}) {
            std::filesystem::copy_file(source + "/demo/" + std::filesystem::path(name).filename().string(), file(name));
        }
        test::writeFile(
            file("UserData/config/DB.dat"),
            "[ODBC]\r\nDSN=QARE2E\r\nUID=\r\nPWD=\r\nFile=UserData\\qar.db\r\n[CONFIG]\r\nUTB=BaseTable\r\n");
        // The data source as the server's installation registers it, machine-wide (the system odbc.ini).
        test::writeFile(m_root.file("odbc/odbc.ini"),
                        "[ODBC Data Sources]\nQARE2E=Microsoft Access Driver (*.mdb)\n\n[QARE2E]\nDBQ=" + database +
                            "\nDatabase=" + database + "\nDriver=" + driver +
                            "\nJournalMode=WAL\n"
                            "SyncPragma=NORMAL\nTimeout=10000\nDriverId=hex:19,00,00,00\nFIL=MS Access;\n"
                            "SafeTransactions=hex:00,00,00,00\nUID=\nPWD=\n");
        test::writeFile(m_root.file("odbc/user-odbc.ini"), "");
        test::writeFile(m_root.file("odbc/odbcinst.ini"), "");
        std::vector<std::string> target{"--sqlite", database};
        if (!m_mariaDbName.empty()) {
            // A remote site's MySQL data source on the tests' MariaDB server, in a database of its own.
            const std::string user = std::getenv("QAR_TEST_MARIADB_USER");
            const std::string password = std::getenv("QAR_TEST_MARIADB_PASSWORD");
            test::writeFile(file("UserData/config/DB.dat"), "[ODBC]\r\nDSN=QARE2E\r\nUID=" + user + "\r\nPWD=" +
                                                                password + "\r\n[CONFIG]\r\nUTB=BaseTable\r\n");
            test::writeFile(m_root.file("odbc/odbc.ini"),
                            "[ODBC Data Sources]\nQARE2E=MySQL ODBC 3.51 Driver\n\n[QARE2E]\nDriver=" +
                                test::mariaDbDriverPath() + "\nSERVER=" + std::getenv("QAR_TEST_MARIADB_HOST") +
                                "\nPORT=" + std::getenv("QAR_TEST_MARIADB_PORT") + "\nDATABASE=" + m_mariaDbName +
                                "\nCHARSET=utf8mb4\n");
            CXDatabase admin;
            admin.Open(mariaDbAdminConnect());
            admin.ExecuteSQL("DROP DATABASE IF EXISTS " + m_mariaDbName);
            admin.ExecuteSQL("CREATE DATABASE " + m_mariaDbName + " CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin");
            target = {"--dsn", "QARE2E", "--uid", user, "--pwd", password};
        }
        ::setenv("QAR_PROGRAM_DIR", file("").c_str(), 1);
        ::setenv("QAR_WINDOWS_DIR", m_root.file("windows").c_str(), 1);
        // Until a server of this test listens, the network client is pointed where nobody answers, so it
        // never reaches a server another program runs on the usual port.
        ::setenv("QAR_VEXNET_PORT", "1", 1);

        std::string output;
        target.insert(target.end(), {"--schema", "--sql-dir", source + "/sql", "--groups",
                                     std::to_string(std::max(groups, 1)), "--units", std::to_string(units), "--depth",
                                     "2", "--users", std::to_string(users), "--seed", "7"});
        QVERIFY2(test::runToEnd(std::getenv("QAR_E2E_DATAGEN"), target, 60s, &output), output.c_str());
        // The generator always writes a group and the roles; an empty database has the tables only.
        QVERIFY(groups > 0 ||
                test::runToEnd("sqlite3",
                               {database, "DELETE FROM BaseTable; DELETE FROM UnitTable; DELETE FROM "
                                          "GroupTable; DELETE FROM DutyClassTable; DELETE FROM AppTable; "
                                          "DELETE FROM MsgtypeTable; DELETE FROM ParamTable; DELETE FROM ChangeTable;"},
                               20s));
        if (!server.empty()) {
            m_server = std::make_unique<test::RxServerProcess>(
                0, server, std::map<std::string, std::string>{{"QAR_PROGRAM_DIR", file("")}});
            // The tool tells the server runs by its window; it is there once the server says so.
            QVERIFY(!m_server->lines("window ").empty());
            ::setenv("QAR_VEXNET_PORT", std::to_string(m_server->port()).c_str(), 1);
        }
    }

    /// Rows of an SQL query through the sqlite3 command (an independent reader): a line each, "|" between
    /// columns.
    QString query(const std::string& sql)
    {
        std::string rows;
        test::runToEnd("sqlite3", {file("UserData/qar.db"), sql}, 10s, &rows);
        return QString::fromStdString(rows).trimmed();
    }

    bool hasServerLine(const std::string& text) { return !m_server->process().lines(text).empty(); }

    /// Saves the whole screen as `name`.png in the test's artefact folder.
    bool screenshot(const char* name)
    {
        const std::string path = std::getenv("QAR_E2E_ARTIFACTS") + std::string("/") + name + ".png";
        return test::runToEnd("import", {"-display", m_display, "-window", "root", path}, 20s);
    }

    /// Starts the built program from the program directory and waits for its main window to be mapped
    /// on the X server: the time from the start, or nothing (a failure is recorded).
    std::optional<double> timeToMainWindow(const std::vector<std::string>& arguments,
                                           const char* screenshotName = nullptr)
    {
        QElapsedTimer clock;
        clock.start();
        test::ChildProcess tool(file("qaradmin"), arguments, {}, file(""));
        bool shown = false;
        while (!shown && clock.elapsed() < 30000 && !tool.wait(0ms)) {
            shown = mainWindowShown(tool.pid());
            QThread::msleep(shown ? 0 : 5);
        }
        const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        if (!shown) {
            const std::string why = std::string("no main window of qaradmin (") +
                                    (tool.wait(0ms) ? "it ended" : "timed out") + "): " + tool.output();
            QTest::qFail(why.c_str(), __FILE__, __LINE__);
            return std::nullopt;
        }
        if (screenshotName != nullptr) {
            QThread::msleep(500); // let the pages paint before the picture
            screenshot(screenshotName);
        }
        return ms;
    }

    /// Runs the application object as main() does, on this process's X11 connection, with the
    /// machine's start-up environment, database services and desktop launcher. `whileShown` runs once
    /// the main window is on screen, its units loaded and, with a server, the tool's first notification
    /// printed; the window is closed after it, which ends the run. No message may have been shown.
    void runTool(const std::string& commandLine, const std::function<void(CMainDlg&)>& whileShown)
    {
        SystemStartUpEnvironment environment;
        DesktopLauncher launcher;
        CAdminApp app(
            environment, [] { return std::make_unique<DatabaseShellHost>(true); }, launcher);
        QElapsedTimer clock;
        clock.start();
        bool checked = false;
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            auto* window = qobject_cast<CMainDlg*>(QApplication::activeModalWidget());
            if (window != nullptr && window->isVisible()) {
                poll.stop();
                [&] {
                    QVERIFY(QTest::qWaitForWindowExposed(window));
                    QTRY_VERIFY_WITH_TIMEOUT(!unitsPage(*window).model().index().unitNodes.empty(), kPatienceMs);
                    QTRY_VERIFY_WITH_TIMEOUT(!m_server || hasServerLine("546 refresh 0x00000000 none"), kPatienceMs);
                    whileShown(*window);
                    checked = !QTest::currentTestFailed();
                }();
                window->close();
            } else if (clock.elapsed() > 30000) {
                // Whatever holds the run up (a form waiting for input) is closed, so the test ends.
                poll.stop();
                for (QWidget* widget : QApplication::topLevelWidgets()) {
                    if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible()) {
                        dialog->done(QDialog::Rejected);
                    }
                }
            }
        });
        poll.start(20);
        const int exitCode = app.run(commandLine);
        QStringList messages;
        for (const ShownMessage& message : MessageService::instance().shown()) {
            messages << message.text;
        }
        QVERIFY2(checked || QTest::currentTestFailed(),
                 qPrintable(QStringLiteral("the main window did not come up; messages: ") + messages.join(u'/')));
        QCOMPARE(messages, QStringList());
        QCOMPARE(exitCode, 0);
    }

    std::string m_display;
    std::string m_mariaDbName; ///< the scenario runs on MariaDB, in this database
    int m_scenarios = 0;
    test::TempDir m_root;
    std::vector<int> m_restarted; ///< servers the tool started itself
    std::unique_ptr<test::RxServerProcess> m_server;
};

int main(int argc, char** argv)
{
    // The X server comes first: the application connects to it as it is constructed.
    test::Xvfb xvfb;
    if (xvfb.display.empty()) {
        std::fprintf(stderr, "Xvfb did not start\n");
        return 1;
    }
    ::setenv("DISPLAY", xvfb.display.c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    // English unless the scenario's entry asks for the language of its locale (QAR_LANG empty).
    ::setenv("QAR_LANG", "en", 0);
    QApplication application(argc, argv);
    initResources();
    EndToEndTest test(xvfb.display);
    return QTest::qExec(&test, argc, argv);
}

#include "EndToEndTest.moc"
