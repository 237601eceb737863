// The tool end to end on a private X server: a prepared program directory, a generated database behind
// a private odbc.ini, RXServer.exe on a port of its own. Scenarios that look inside the main window run
// the real application object in this process on the X11 platform (the tool's widgets are not X11
// windows of their own); the others start the built qaradmin and watch its window and its files.

#include "ChildProcess.h"
#include "GuiTestSupport.h"
#include "OdbcTestDb.h"
#include "OrgDbTest.h"
#include "app/DatabaseShellHost.h"
#include "app/StartUp.h"
#include "app/ui/CAdminApp.h"
#include "app/ui/CMainDlg.h"
#include "app/ui/Launcher.h"
#include "app/ui/MessageService.h"
#include "db/OdbcError.h"
#include "groups/ui/CGroupEditDlg.h"
#include "groups/ui/CGroupPage.h"
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
#include <QRegularExpression>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

using namespace qar;
using namespace qar::ui;
using namespace std::chrono_literals;
using test::child;
using test::click;
using test::setField;
using test::whenModal;

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

/// Texts to type into a form's fields, by the fields' names.
using Fields = std::vector<std::pair<const char*, QString>>;

/// Once the event loop shows the modal form of type T, types `fields` into it, runs `more` on it and
/// presses OK (call before the click that opens the form).
template <class Form> void fillAndAccept(const Fields& fields, std::function<void(Form&)> more = {})
{
    whenModal<Form>([fields, more](Form& form) {
        for (const auto& [name, text] : fields) {
            setField(form, name, text);
        }
        if (more) {
            more(form);
        }
        click(form, "okButton");
    });
}

/// Presses `button` of the units-and-users page with `node` selected, and fills the form it opens.
template <class Form>
void formThroughThePage(CMainDlg& window, OrgTree::NodeId node, const char* button, const Fields& fields,
                        std::function<void(Form&)> more = {})
{
    unitsPage(window).selectNode(node);
    fillAndAccept<Form>(fields, std::move(more));
    click(unitsPage(window), button);
}

OrgTree::NodeId unitNode(CMainDlg& window, int id)
{
    return unitsPage(window).model().index().unitNodes.at(id);
}

void addUnit(CMainDlg& window, int parentUnit, const QString& name)
{
    formThroughThePage<CUnitEditDlg>(window, unitNode(window, parentUnit), "addUnitButton",
                                     {{"departmentLineEdit", name}});
}

OrgTree::NodeId userNode(CMainDlg& window, int id)
{
    return test::findUserNode(unitsPage(window).model().tree(), id);
}

/// The line the server prints for a change row it read.
std::string changeRow(const char* table, const char* field, const std::string& key, int act)
{
    return std::string("Table_Name=") + table + " Field_Name=" + field + " Key_Value=" + key +
           " Change_Act=" + std::to_string(act);
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

/// Whether process `pid` has a viewable top-level window on the X server titled as the tool's main window.
bool mainWindowShown(qint64 pid)
{
    return test::runToEnd(
        "xdotool", {"search", "--all", "--onlyvisible", "--pid", std::to_string(pid), "--name", "^QAR-Orrin"}, 5s);
}

} // namespace

class EndToEndTest : public QObject
{
    Q_OBJECT

public:
    explicit EndToEndTest(std::string display) : m_display(std::move(display))
    {
        // Every variable this process sets is set here, before the test runner starts its watchdog
        // thread: adding a variable later can move the environment while that thread reads it (a crash
        // seen in CI); changing one already there cannot. The driver manager reads the first two once, at
        // the first ODBC call. Until a server of the scenario listens, the network client is pointed
        // where nobody answers, so it never reaches a server another program runs on the usual port.
        ::setenv("ODBCSYSINI", m_root.file("odbc").c_str(), 1);
        ::setenv("ODBCINI", m_root.file("odbc/user-odbc.ini").c_str(), 1);
        ::setenv("QAR_PROGRAM_DIR", file("").c_str(), 1);
        ::setenv("QAR_WINDOWS_DIR", m_root.file("windows").c_str(), 1);
        ::setenv("QAR_VEXNET_PORT", "1", 1);
    }

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
        if (m_restarted != 0) {
            ::kill(m_restarted, SIGKILL); // not a child of the test: nothing else ends it
        }
        m_server.reset();
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
        QVERIFY(showsItsMainWindow({"-SetIP:127.0.0.1-Group:1-GroupManager"}));
    }

    // The built program started with -first and the four hand-off files: it names group 1, creates the
    // root unit (active, no log-in, no online time), hands the units and users files to the import tool
    // and closes by itself. (The corporation file and the image are the first-run test's.)
    void firstRunNamesGroupAndCreatesRootUnit()
    {
        E2E_STEP(prepare({}, 1, 0, 0));
        const std::string windows = m_root.file("windows");
        test::writeFile(windows + "/Data0.d_t", std::string("BM\x3a\0\0\0\0\0\0\0\x36\0\0\0", 14));
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
        // The import tool is started detached: give it a moment to write.
        const std::string argsFile = file("intake-args.txt");
        QTRY_VERIFY_WITH_TIMEOUT(std::filesystem::exists(argsFile) && std::filesystem::file_size(argsFile) > 0,
                                 kPatienceMs);
        const std::string args = test::readFile(argsFile);
        QVERIFY2(args.starts_with("-bysys-h") &&
                     args.ends_with("-unit" + windows + "/Data1.d_t-user" + windows + "/Data2.d_t\n"),
                 args.c_str());
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
            QVERIFY2(output.find("5 rows read: 3 to add, 0 to update, 0 unchanged, 0 skipped, 2 refused.") !=
                         std::string::npos,
                     output.c_str());
            QCOMPARE(query("SELECT UNIT_ID FROM UnitTable WHERE UNIT_ID > 300 ORDER BY UNIT_ID"),
                     QStringLiteral("301\n303"));
            QCOMPARE(query("SELECT USER_ID, UNIT_ID, GROUP_ID FROM BaseTable WHERE USER_ID > 30000"),
                     QStringLiteral("30001|303|1"));
            QTRY_VERIFY_WITH_TIMEOUT(hasServerLine(changeRow("UnitTable", "UNIT_ID", "303", 0)), kPatienceMs);
            QTRY_VERIFY_WITH_TIMEOUT(hasServerLine(changeRow("BaseTable", "USER_ID", "30001", 0)), kPatienceMs);
            QVERIFY(hasServerLine("546 refresh 0x00000003 units users"));

            QVERIFY(unitsPage(window).model().index().unitNodes.count(303) == 0);
            QVERIFY(SendTreeRefresh(static_cast<std::uint32_t>(window.winId())));
            QTRY_VERIFY_WITH_TIMEOUT(unitsPage(window).model().index().unitNodes.count(303) == 1, kPatienceMs);
        });
    }

    // Started as system manager beside a running server, on SQLite and on the tests' MariaDB server: the
    // window opens on the groups page with the generated units loaded, Start Service off, and the server
    // hears the tool come up. A unit, users and groups changed through the pages: the server reads each
    // change row through the data source named in DB.dat, and only its reply makes the tool send the
    // refresh notification naming what changed. A password changed alone writes no change row but is
    // still notified; a deleted group's units and users stay. (What each form writes, row by row, and
    // what each side-bar entry shows are the core and GUI suites'.)
    void changesReachTheServer() { changesScenario(); }
    void changesReachTheServerOnMariaDb()
    {
        m_mariaDb = test::mariaDbFromEnv();
        if (!m_mariaDb) {
            if (test::mariaDbRequired()) {
                QFAIL("QAR_REQUIRE_MARIADB=1 but QAR_TEST_MARIADB_* name no server (scripts/mariadb start)");
            }
            QSKIP("no MariaDB server configured (QAR_TEST_MARIADB_*)");
        }
        try {
            changesScenario();
            dropMariaDbDatabase();
        } catch (const OdbcError& e) {
            QFAIL(e.what());
        }
    }

    // The server dies under the running tool: Start Service comes back on, and the tool goes on
    // working on the database (without change rows, which only a running server reads).
    void serverKilledWhileToolRuns()
    {
        if (FindServerProcess() != 0) {
            QSKIP("a server process runs on this machine; the tool would count it as its own");
        }
        E2E_STEP(prepare({"-reply:0"}));
        runTool("qaradmin", [&](CMainDlg& window) {
            auto* startService = child<QPushButton>(window, "startServiceButton");
            QVERIFY(!startService->isEnabled());
            m_server->process().stop(SIGKILL);
            // The lost connection is the next update of the buttons.
            QTRY_VERIFY_WITH_TIMEOUT(startService->isEnabled(), kPatienceMs);
            QVERIFY(!window.IsServerRunning());

            addUnit(window, 101, QStringLiteral("After Hours"));
            QCOMPARE(query("SELECT COUNT(*) FROM UnitTable WHERE UNIT_NAME = 'After Hours'"), QStringLiteral("1"));
            QCOMPARE(query("SELECT COUNT(*) FROM ChangeTable"), QStringLiteral("0"));
            QVERIFY(window.changeFlags().units);

            // Start Service brings a server up from the program directory; the tool finds it, writes
            // change rows again and, once its client is back, answers the server's reply.
            startService->click();
            QVERIFY(!window.changeFlags().units);
            // The server this test started is gone: the only one left is the tool's.
            QTRY_VERIFY_WITH_TIMEOUT((m_restarted = FindServerProcess()) != 0, kPatienceMs);
            QCOMPARE(std::filesystem::read_symlink("/proc/" + std::to_string(m_restarted) + "/exe"),
                     std::filesystem::weakly_canonical(file("RXServer.exe")));
            QTRY_VERIFY_WITH_TIMEOUT(blocksSignal(m_restarted, SIGUSR1), kPatienceMs);
            QTRY_VERIFY_WITH_TIMEOUT(!startService->isEnabled(), kPatienceMs);
            addUnit(window, 101, QStringLiteral("Night Shift"));
            QCOMPARE(query("SELECT COUNT(*) FROM ChangeTable WHERE Key_Value = (SELECT UNIT_ID FROM UnitTable WHERE "
                           "UNIT_NAME = 'Night Shift')"),
                     QStringLiteral("1"));
            QVERIFY(window.changeFlags().units);
            // The client reconnects with a pause that grows to a few seconds: ask for replies until
            // the notification has gone out.
            QTRY_VERIFY_WITH_TIMEOUT((::kill(m_restarted, SIGUSR1), !window.changeFlags().units), kPatienceMs);
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
            QVERIFY(shown(unitNode(window, 102)).contains(name.shown));

            QStringList formTexts;
            formThroughThePage<CUnitEditDlg>(window, unitNode(window, 102), "editButton", {}, [&](CUnitEditDlg& form) {
                formTexts << child<QLineEdit>(form, "departmentLineEdit")->text()
                          << child<QLineEdit>(form, "aliasLineEdit")->text();
                child<QCheckBox>(form, "validedCheckBox")->setChecked(false);
            });
            QCOMPARE(formTexts, (QStringList{name.shown, alias.shown}));
            QCOMPARE(query(unit), before.chopped(1) + QLatin1Char('0'));
        });
        // The generator wrote the names in the code page the tool runs with.
        QCOMPARE(query("SELECT hex(GROUP_NAME) FROM GroupTable WHERE GROUP_ID = 1").toStdString(), head.hex);
    }

private:
    void changesScenario()
    {
        E2E_STEP(prepare({"-reply:0", "-poll:200"}));
        // Stored passwords are MD5 digests: the parameter EnvParam.dat names says so.
        odbc("INSERT INTO [ParamTable] ([Param_Name], [Param_Value]) VALUES ('PWD_METHOD', 'MD5')");
        test::writeFile(file("UserData/setting/SvrFlag.dat"), "[SvrFlag]\r\nSP=1\r\n"); // the group file buttons
        const std::string groupTwo = "SELECT (SELECT COUNT(*) FROM [UnitTable] WHERE [GROUP_ID] = 2), "
                                     "(SELECT COUNT(*) FROM [BaseTable] WHERE [GROUP_ID] = 2)";
        const test::Rows groupTwoHolds = odbc(groupTwo);
        QVERIFY(groupTwoHolds != test::rows({{"0", "0"}}));
        const auto user = [](int id, int act) { return changeRow("BaseTable", "USER_ID", std::to_string(id), act); };
        const std::string users = "546 refresh 0x00000002 users";

        runTool("qaradmin", [&](CMainDlg& window) {
            // The status line names the engine and its version as numbers, without a driver's padding.
            const QRegularExpression source(
                QStringLiteral("^Data source QARE2E \\(%1 [1-9]\\d*\\.(0|[1-9]\\d*)\\.(0|[1-9]\\d*)\\b")
                    .arg(!m_mariaDb ? QStringLiteral("SQLite") : QStringLiteral("MariaDB")));
            QVERIFY(source.match(child<QLabel>(window, "dataSourceStatusLabel")->text()).hasMatch());
            QCOMPARE(child<QLabel>(window, "serverStatusLabel")->text(), QStringLiteral("Server: running"));
            QCOMPARE(visiblePage(window), PageKind::Groups);
            QCOMPARE(unitsPage(window).model().index().unitNodes.size(), std::size_t{6}); // the generated rows
            QVERIFY(!child<QPushButton>(window, "startServiceButton")->isEnabled());
            QVERIFY(hasServerLine("client connected"));
            QVERIFY(screenshot("e2e-system-manager"));

            addUnit(window, 101, QStringLiteral("Quay Logistics"));
            const test::Rows unit =
                odbc("SELECT [UNIT_ID], [SUPER_ID] FROM [UnitTable] WHERE [UNIT_NAME] = 'Quay Logistics'");
            QVERIFY(unit.size() == 1 && unit[0][1] == "101");
            const std::string unitId = unit[0][0].value_or("");
            E2E_STEP(
                serverHears(window, {changeRow("UnitTable", "UNIT_ID", unitId, 0)}, "546 refresh 0x00000001 units"));

            // User 10013, one above the generated users: added, given a new id, a new password, deleted.
            const auto password = [](const char* text) {
                return Fields{{"passwordLineEdit", QString::fromLatin1(text)},
                              {"passwordAgainLineEdit", QString::fromLatin1(text)}};
            };
            Fields added = password("pw;1%");
            added.emplace_back("nameLineEdit", QStringLiteral("Quinn O'Hara"));
            formThroughThePage<CUserEditDlg>(window, unitNode(window, 101), "addUserButton", added);
            QCOMPARE(odbc("SELECT [NAME], [PASSWORD], [UNIT_ID] FROM [BaseTable] WHERE [USER_ID] = 10013"),
                     (test::Rows{{"Quinn O'Hara", Md5Hex("pw;1%"), "101"}}));
            E2E_STEP(serverHears(window, {user(10013, 0)}, users));
            formThroughThePage<CUserEditDlg>(window, userNode(window, 10013), "editButton",
                                             {{"userIdLineEdit", QStringLiteral("10113")}});
            E2E_STEP(serverHears(window, {user(10013, 1), user(10113, 0)}, users));
            formThroughThePage<CUserEditDlg>(window, userNode(window, 10113), "editButton", password("new;pw"));
            E2E_STEP(serverHears(window, {}, users));
            unitsPage(window).selectNode(userNode(window, 10113));
            click(unitsPage(window), "deleteButton"); // the question is answered OK
            MessageService::instance().reset();
            E2E_STEP(serverHears(window, {user(10113, 1)}, users));
            QCOMPARE(userNode(window, 10113), OrgTree::kNone);

            // Group 3 added and renumbered 7; group 2 deleted. (The group's files are the groups suites'.)
            auto& groups = *static_cast<CGroupPage*>(window.page(PageKind::Groups));
            fillAndAccept<CGroupEditDlg>(
                {{"nameLineEdit", QStringLiteral("Harbour")}, {"homePageLineEdit", QStringLiteral("http://harbour")}});
            click(groups, "addButton");
            groups.selectGroup(3);
            fillAndAccept<CGroupEditDlg>({{"numberMathEdit", QStringLiteral("7")}});
            click(groups, "editButton");
            groups.selectGroup(2);
            click(groups, "deleteButton"); // the question is answered OK
            MessageService::instance().reset();
            QCOMPARE(odbc("SELECT [GROUP_ID] FROM [GroupTable] ORDER BY [GROUP_ID]"), test::rows({{"1"}, {"7"}}));
            E2E_STEP(
                serverHears(window, {changeRow("GroupTable", "GROUP_ID", "2", 1)}, "546 refresh 0x00000020 groups"));

            QCOMPARE(odbc("SELECT [Table_Name], [Field_Name], [Key_Value], [Change_Act] FROM [ChangeTable] "
                          "ORDER BY [REC_ID]"),
                     (test::Rows{{"UnitTable", "UNIT_ID", unitId, "0"},
                                 {"BaseTable", "USER_ID", "10013", "0"},
                                 {"BaseTable", "USER_ID", "10013", "1"},
                                 {"BaseTable", "USER_ID", "10113", "0"},
                                 {"BaseTable", "USER_ID", "10113", "1"},
                                 {"GroupTable", "GROUP_ID", "3", "0"},
                                 {"GroupTable", "GROUP_ID", "3", "1"}, // a new number: the old one goes,
                                 {"GroupTable", "GROUP_ID", "7", "0"}, // the new one comes
                                 {"GroupTable", "GROUP_ID", "2", "1"}}));
        });
        QCOMPARE(odbc(groupTwo), groupTwoHolds);
    }

    /// The server reads the change rows `changes` names; the tool waits for its reply, then sends
    /// `notice` once and clears its change flags.
    void serverHears(CMainDlg& window, const std::vector<std::string>& changes, const std::string& notice)
    {
        test::ChildProcess& server = m_server->process();
        const std::size_t sent = server.lines(notice).size();
        for (const std::string& change : changes) {
            QTRY_VERIFY_WITH_TIMEOUT(hasServerLine(change), kPatienceMs);
        }
        const auto flagged = [&window] {
            const ChangeFlags flags = window.changeFlags();
            return flags.units || flags.users || flags.groups;
        };
        QVERIFY(flagged());
        QCOMPARE(server.lines(notice).size(), sent);
        ::kill(server.pid(), SIGUSR1);
        QTRY_COMPARE_WITH_TIMEOUT(server.lines(notice).size(), sent + 1, kPatienceMs);
        QTRY_VERIFY_WITH_TIMEOUT(!flagged(), kPatienceMs);
    }

    /// Rows of `sql` on the tool's data source, through a connection of the test's own ('[' and ']' become
    /// the identifier quote); none for a statement that is no query.
    test::Rows odbc(const std::string& sql)
    {
        CXDatabase database;
        database.Open("DSN=QARE2E;UID=" + (m_mariaDb ? m_mariaDb->user : "") +
                      ";PWD=" + (m_mariaDb ? m_mariaDb->password : ""));
        if (sql.starts_with("SELECT")) {
            return test::query(database, database.quoteBrackets(sql));
        }
        database.ExecuteSQL(database.quoteBrackets(sql));
        return {};
    }
    /// Drops the database of a MariaDB scenario, if any.
    void dropMariaDbDatabase()
    {
        CXDatabase admin;
        admin.Open(m_mariaDb->adminConnect());
        admin.ExecuteSQL("DROP DATABASE IF EXISTS " + m_mariaDbName);
    }

    std::string file(const std::string& relative) const { return m_root.file("program/" + relative); }

    /// A program directory as the server's installation leaves it: the tool, optionally RXServer.exe
    /// beside it, DB.dat naming a data source registered in a private odbc.ini, the settings files of
    /// the demo and a generated database (SQLite, or MariaDB for a MariaDB scenario; `groups` 0: every
    /// table empty). The environment of this process points at it, so the tool run in-process and every
    /// child sees it. A server runs with the `server` switches unless there are none.
    void prepare(const std::vector<std::string>& server, int groups = 2, int units = 6, int users = 12,
                 bool withServer = true)
    {
        for (const char* name : {"QAR_SOURCE_DIR", "QAR_E2E_QARADMIN", "QAR_E2E_DATAGEN", "QAR_E2E_ARTIFACTS"}) {
            QVERIFY2(std::getenv(name) != nullptr, name);
        }
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
        // The data source as the server's installation registers it, machine-wide (the system odbc.ini).
        std::string login = "UID=\r\nPWD=\r\nFile=UserData\\qar.db";
        std::string dataSource = "Microsoft Access Driver (*.mdb)\n\n[QARE2E]\nDBQ=" + database +
                                 "\nDatabase=" + database + "\nDriver=" + driver +
                                 "\nJournalMode=WAL\nSyncPragma=NORMAL\nTimeout=10000\nDriverId=hex:19,00,00,00\n"
                                 "FIL=MS Access;\nSafeTransactions=hex:00,00,00,00\nUID=\nPWD=\n";
        std::vector<std::string> target{"--sqlite", database};
        if (m_mariaDb) {
            // A remote site's MySQL data source on the tests' MariaDB server, in a database of its own.
            login = "UID=" + m_mariaDb->user + "\r\nPWD=" + m_mariaDb->password;
            dataSource = "MySQL ODBC 3.51 Driver\n\n[QARE2E]\nDriver=" + test::mariaDbDriverPath() +
                         "\nSERVER=" + m_mariaDb->host + "\nPORT=" + std::to_string(m_mariaDb->port) +
                         "\nDATABASE=" + m_mariaDbName + "\nCHARSET=utf8mb4\n";
            dropMariaDbDatabase();
            CXDatabase admin;
            admin.Open(m_mariaDb->adminConnect());
            admin.ExecuteSQL("CREATE DATABASE " + m_mariaDbName + " CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin");
            target = {"--dsn", "QARE2E", "--uid", m_mariaDb->user, "--pwd", m_mariaDb->password};
        }
        test::writeFile(file("UserData/config/DB.dat"),
                        "[ODBC]\r\nDSN=QARE2E\r\n" + login + "\r\n[CONFIG]\r\nUTB=BaseTable\r\n");
        test::writeFile(m_root.file("odbc/odbc.ini"), "[ODBC Data Sources]\nQARE2E=" + dataSource);
        test::writeFile(m_root.file("odbc/user-odbc.ini"), "");
        test::writeFile(m_root.file("odbc/odbcinst.ini"), "");
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

    /// Starts the built program from the program directory; true once its main window is mapped on the X
    /// server (a failure is recorded otherwise).
    bool showsItsMainWindow(const std::vector<std::string>& arguments)
    {
        QElapsedTimer clock;
        clock.start();
        test::ChildProcess tool(file("qaradmin"), arguments, {}, file(""));
        while (!mainWindowShown(tool.pid())) {
            if (clock.elapsed() > 30000 || tool.wait(0ms)) {
                const std::string why = std::string("no main window of qaradmin (") +
                                        (tool.wait(0ms) ? "it ended" : "timed out") + "): " + tool.output();
                QTest::qFail(why.c_str(), __FILE__, __LINE__);
                return false;
            }
            QThread::msleep(50);
        }
        return true;
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
    std::optional<test::MariaDbServer> m_mariaDb; ///< the scenario runs on this MariaDB server,
    const std::string m_mariaDbName = "qar_e2e_" + std::to_string(::getpid()); ///< in this database
    int m_scenarios = 0;
    test::TempDir m_root;
    int m_restarted = 0; ///< the server the tool started itself
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
