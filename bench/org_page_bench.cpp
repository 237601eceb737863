// Units-and-users page on a generated database: the time from creating the main window until the page
// shows the groups, the units and the first group's users, and until every user is read (a large users
// table is read in chunks while the tree is in use), with the peak resident memory, on the platform
// given by QT_QPA_PLATFORM (offscreen by default); then the
// find bar typed into, one keystroke at a time, each until the match is selected and the tree painted; then
// the page shown again from the side bar, with nothing changed and after another connection wrote.
//
//   qar_datagen --sqlite FILE --schema --sql-dir sql --groups 5 --units 5000 --depth 8 --users 100000
//   qar_datagen --sqlite FILE --schema --sql-dir sql --groups 20 --units 50000 --depth 8 --users 1000000
//   QAR_SYSTEM_DIR=<drivers> org_page_bench FILE [runs]
#include "app/ShellHost.h"
#include "app/ui/CAdminApp.h"
#include "app/ui/CMainDlg.h"
#include "app/ui/Launcher.h"
#include "app/ui/MessageService.h"
#include "db/ChunkedTableRead.h"
#include "db/OdbcStatement.h"
#include "org/ui/CUnitUserPage.h"
#include "org/ui/OrgTreeModel.h"
#include "platform/Paths.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QTreeView>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <sys/resource.h>

using namespace qar;
using namespace qar::ui;

namespace
{

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct StoppedServer : IServerState
{
    bool IsServerRunning() const override { return false; }
};

struct NoServer : IServerProbe
{
    bool findServerWindow() override { return false; }
    bool findServerProcess() override { return false; }
};

class NoLink : public IVexLink
{
public:
    bool sendPayload(VexPayload) override { return true; }
    std::optional<VexPayload> takeMessage(std::uint32_t) override { return std::nullopt; }
    void Shutdown() override {}
    int GetState() const override { return 0; }
    void SetState(int) override {}
};

class NoLauncher : public Launcher
{
public:
    bool launch(const LaunchRequest&) override { return false; }
};

/// The main window's services on the database file.
class FileHost : public ShellHost
{
public:
    explicit FileHost(const std::string& connect) : databaseSession(connect) {}
    CDatabaseSession databaseSession;
    StoppedServer server;
    CChangeLog log{databaseSession.tableChangeTmp(), server};
    NoServer probe;

    void ensureDataSource() override {}
    bool openDatabase() override { return databaseSession.OpenDatabase(); }
    void refreshConnection() override {}
    void closeDatabase() override { databaseSession.CloseAll(); }
    int groupUserLimit(int) override { return 0; }
    CDatabaseSession& session() override { return databaseSession; }
    CChangeLog& changeLog() override { return log; }
    IServerProbe& serverProbe() override { return probe; }
    std::unique_ptr<IVexLink> makeNetworkClient(const StartOptions&, VexEventSink) override
    {
        return std::make_unique<NoLink>();
    }
};

/// Lets the page read the rest of the users, as the window does between the administrator's actions.
void waitForUsers(const CUnitUserPage* page)
{
    while (page->readingUsers()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

double peakRssMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

/// The users table read in chunks as the page reads it, nothing done with the rows: what the driver and the
/// reader's thread take, the floor under "all users read".
std::size_t readUsersAlone(const std::string& connect, CXTableUser& users)
{
    ChunkedReadPlan plan;
    plan.connect = connect;
    plan.table = users.GetDefaultSQL();
    plan.columns = users.ExchangedColumns();
    ChunkedTableRead read(std::move(plan));
    std::size_t rows = 0;
    while (!read.done()) {
        if (auto chunk = read.take(100)) {
            rows += chunk->rows.rowCount();
        }
    }
    return rows;
}

/// The side bar's groups entry, then its units-and-users entry: the time until the units page is painted.
double showUnitsAgain(CMainDlg& dlg, const CUnitUserPage* page, QTreeView* view)
{
    auto* bar = dlg.findChild<QListWidget*>(QStringLiteral("sideBarList"));
    bar->setCurrentRow(0);
    QCoreApplication::processEvents();
    const Clock::time_point start = Clock::now();
    bar->setCurrentRow(2);
    view->repaint();
    QCoreApplication::processEvents();
    waitForUsers(page);
    return msSince(start);
}

/// Another connection changes the first unit's name: a character appended (`undo` false) or taken off again,
/// so that an even number of calls leaves the database as it was. A write of the same value would not do:
/// SQLite commits nothing for it.
void writeFromAnotherConnection(const std::string& connect, const std::string& unitTable, bool undo)
{
    CXDatabase other;
    other.Open(connect);
    const std::string name = undo ? "SUBSTR([UNIT_NAME], 1, LENGTH([UNIT_NAME]) - 1)" : "[UNIT_NAME] || '~'";
    OdbcStatement(other).execute(other.quoteBrackets("UPDATE " + unitTable + " SET [UNIT_NAME] = " + name +
                                                     " WHERE [UNIT_ID] = (SELECT MIN([UNIT_ID]) FROM " + unitTable +
                                                     ")"));
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    if (argc < 2) {
        std::fprintf(stderr, "usage: org_page_bench DATABASE-FILE [runs]\n");
        return 2;
    }
    const std::string file = argv[1];
    const int runs = argc > 2 ? std::atoi(argv[2]) : 3;
    QApplication app(argc, argv);
    initResources();
    MessageService::instance().setHeadless(true);
    const std::string connect = "ODBC;DRIVER=" + GetSystemDir() + "/libsqlite3odbc.so;Database=" + file;

    for (int run = 0; run < runs; ++run) {
        FileHost host(connect);
        NoLauncher launcher;
        const Clock::time_point start = Clock::now();
        CMainDlg dlg(StartOptions{}, host, launcher);
        const bool opened = dlg.initialise();
        const double initialised = msSince(start);
        if (!opened) {
            std::fprintf(stderr, "cannot open %s: %s\n", file.c_str(), host.databaseSession.lastError().c_str());
            return 1;
        }
        dlg.show();
        auto* page = static_cast<CUnitUserPage*>(dlg.page(PageKind::UnitsAndUsers));
        page->raise();
        page->show();
        QCoreApplication::sendPostedEvents(); // the initialisation's tree build
        auto* view = page->findChild<QTreeView*>(QStringLiteral("orgTreeView"));
        view->expand(page->treeModel().index(0, 0));
        view->repaint();
        const double shown = msSince(start);
        waitForUsers(page);
        view->repaint();
        const double allRead = msSince(start);
        std::printf("run %d: groups, units and the first group's users shown after %.0f ms, all %ld users read "
                    "after %.0f ms; peak RSS %.0f MB\n",
                    run + 1, shown, host.databaseSession.tableUser().GetRecordCount(), allRead, peakRssMb());
        const Clock::time_point readerStart = Clock::now();
        const std::size_t readerRows = readUsersAlone(connect, host.databaseSession.tableUser());
        std::printf("       the reader alone (its own thread and connection, chunks dropped): %zu rows in %.0f ms\n",
                    readerRows, msSince(readerStart));

        // Where a "Refresh" spends its time: the core's read of the tables and build, then the whole page's
        // Refresh, then the build alone; each is its own run, so a part can come out slower than the whole
        // when the machine is busy.
        const Clock::time_point coreStart = Clock::now();
        page->model().refresh();
        waitForUsers(page);
        const double core = msSince(coreStart);
        const Clock::time_point refreshStart = Clock::now();
        page->refresh();
        view->repaint();
        waitForUsers(page);
        view->repaint();
        const double refreshed = msSince(refreshStart);

        const Clock::time_point buildStart = Clock::now();
        page->model().buildTree();
        const double built = msSince(buildStart);
        std::printf("       %zu nodes, database opened after %.0f ms; Refresh %.0f ms, tables read and tree built "
                    "%.0f ms, tree built %.0f ms (each measured on its own)\n",
                    page->model().tree().size(), initialised, refreshed, core, built);

        // Opening the bar makes the find index; the keystrokes use it.
        page->refresh();
        waitForUsers(page);
        const Clock::time_point openStart = Clock::now();
        page->openFindBar();
        const double barOpened = msSince(openStart);
        auto* find = page->findChild<QLineEdit*>(QStringLiteral("findLineEdit"));
        double slowest = 0;
        double all = 0;
        int keys = 0;
        for (const char* word : {"schmidt", "\xE5\xBC\xA0\xE4\xBC\x9F", "10050"}) {
            find->clear();
            const QString typed = QString::fromUtf8(word);
            for (qsizetype n = 1; n <= typed.size(); ++n) {
                const Clock::time_point keyStart = Clock::now();
                find->setText(typed.left(n));
                view->repaint();
                QCoreApplication::processEvents();
                const double ms = msSince(keyStart);
                slowest = std::max(slowest, ms);
                all += ms;
                ++keys;
            }
        }
        std::printf(
            "       find bar: opened (index made) in %.1f ms; %d keystrokes, %.1f ms on average, slowest %.1f ms\n",
            barOpened, keys, all / keys, slowest);

        // The page shown again: once to take its first reading (its first build used the rows read as the
        // database opened), then with nothing changed, then each time after another connection wrote.
        showUnitsAgain(dlg, page, view);
        double unchanged = 0;
        double changed = 0;
        constexpr int kShows = 4;
        for (int i = 0; i < kShows; ++i) {
            unchanged += showUnitsAgain(dlg, page, view);
            writeFromAnotherConnection(connect, host.databaseSession.tableUnit().GetDefaultSQL(), i % 2 == 1);
            changed += showUnitsAgain(dlg, page, view);
        }
        std::printf("       page shown again: nothing changed %.1f ms, after another connection wrote %.0f ms "
                    "(average of %d); peak RSS %.0f MB\n",
                    unchanged / kShows, changed / kShows, kShows, peakRssMb());
    }
    return 0;
}
