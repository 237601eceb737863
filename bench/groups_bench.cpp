// Groups: the groups page of the main window showing 1,000 groups of a generated SQLite database ("Refresh":
// the groups read again, the list filled, sorted and painted), against the sqlite3 command printing the
// same rows; and a group data file of 10,000 properties loaded, opened in "Set Property" (painted) and
// saved with OK, against pugixml reading and writing the same file. On the platform given by
// QT_QPA_PLATFORM (offscreen by default).

#include "DataGenerator.h"
#include "Sqlite3Command.h"
#include "TempDir.h"
#include "app/ShellHost.h"
#include "app/ui/CAdminApp.h"
#include "app/ui/CMainDlg.h"
#include "app/ui/Launcher.h"
#include "app/ui/MessageService.h"
#include "db/CXDatabase.h"
#include "groups/GroupProperties.h"
#include "groups/ui/CGroupPage.h"
#include "groups/ui/CGroupPropDlg.h"
#include "platform/Paths.h"

#include <QApplication>
#include <QTreeView>
#include <QTreeWidget>

#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

using namespace qar;
using namespace qar::ui;

namespace
{

constexpr int kGroups = 1000;
constexpr int kProperties = 10000;

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

/// The run's program directory: its database file, PropDef.dat and the data file of group 1.
test::TempDir& workDir()
{
    static test::TempDir dir;
    static const bool programDirSet = [] { return setenv("QAR_PROGRAM_DIR", dir.path().c_str(), 1) == 0; }();
    (void)programDirSet;
    return dir;
}

const std::string& groupsDatabase()
{
    static const std::string file = [] {
        const std::string path = workDir().file("groups.db");
        CXDatabase db;
        db.Open("DRIVER=" + GetSystemDir() + "/libsqlite3odbc.so;Database=" + path);
        createSchema(db, std::string(QAR_BENCH_SQL_DIR) + "/schema-sqlite.sql");
        DataGenOptions options;
        options.groups = kGroups;
        options.units = kGroups;
        options.depth = 1;
        options.users = 0;
        generateData(db, options);
        return path;
    }();
    return file;
}

// "Refresh" on the groups page of a shown main window: the groups table read again, the list filled and
// sorted by the text of the number, and the list painted.
void BM_GroupsPageRefreshShown(benchmark::State& state)
{
    FileHost host("ODBC;DRIVER=" + GetSystemDir() + "/libsqlite3odbc.so;Database=" + groupsDatabase());
    NoLauncher launcher;
    StartOptions options;
    options.systemManager = true;
    CMainDlg window(options, host, launcher);
    if (!window.initialise()) {
        state.SkipWithError("the database did not open");
        return;
    }
    window.resize(900, 600);
    window.show();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    auto* page = static_cast<CGroupPage*>(window.page(PageKind::Groups));
    for (auto _ : state) {
        page->refresh();
        page->list()->viewport()->repaint();
    }
    state.counters["groups"] = page->list()->topLevelItemCount();
}
BENCHMARK(BM_GroupsPageRefreshShown)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The reference: the sqlite3 command prints the same rows to /dev/null (its own CPU as child_cpu_ms).
void BM_Sqlite3CommandGroupRows(benchmark::State& state)
{
    bench::RunSqlite3Fetch(state, groupsDatabase(), "SELECT * FROM GroupTable;");
}
BENCHMARK(BM_Sqlite3CommandGroupRows)->Unit(benchmark::kMillisecond)->MinTime(2.0);

/// PropDef.dat with kProperties items in categories of 100, and the data file of group 1 with a value
/// for each.
void writePropertyFiles()
{
    static const bool written = [] {
        std::string defs = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n<PRM_CONFIG>\r\n";
        CGroupData data;
        data.setGroup(1);
        for (int i = 0; i < kProperties; ++i) {
            if (i % 100 == 0) {
                defs += (i == 0 ? "" : "</INFO>\r\n") + std::string("<INFO CATALOG=\"Category ") +
                        std::to_string(i / 100) + "\">\r\n";
            }
            const std::string key = "KEY-" + std::to_string(i);
            defs += "<ITEM VAR=\"" + key + "\" TYPE=\"" + (i % 10 == 0 ? "D" : "E") + "\">Property " +
                    std::to_string(i) + "</ITEM>\r\n";
            data.set(key, i % 10 == 0 ? "2024-2-29" : "value of property " + std::to_string(i));
        }
        defs += "</INFO>\r\n</PRM_CONFIG>\r\n";
        test::writeFile(workDir().file("UserData/setting/PropDef.dat"), defs);
        std::filesystem::create_directories(workDir().file("UserData/data/UGrps_Data"));
        return data.save() == GroupDataSave::Written;
    }();
    (void)written;
}

// "Prop Setup" on group 1: the data file loaded, Set Property built from PropDef.dat and painted, OK
// storing every value and saving the file.
void BM_SetPropertyOpenAndSave(benchmark::State& state)
{
    writePropertyFiles();
    for (auto _ : state) {
        CGroupData data;
        data.load(1);
        CGroupPropDlg form(&data, nullptr, [&data] { return data.save() == GroupDataSave::Written; });
        form.show();
        form.list()->viewport()->repaint();
        form.accept();
        if (form.result() != QDialog::Accepted) {
            state.SkipWithError("OK did not save");
            return;
        }
    }
    state.counters["properties"] = kProperties;
}
BENCHMARK(BM_SetPropertyOpenAndSave)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The reference: pugixml parses the same data file and writes it back.
void BM_PugixmlLoadAndSaveDataFile(benchmark::State& state)
{
    writePropertyFiles();
    const std::string path = CGroupData::FilePath(1);
    const std::string copy = workDir().file("pugixml-copy.xml");
    for (auto _ : state) {
        pugi::xml_document doc;
        if (!doc.load_file(path.c_str()) || !doc.save_file(copy.c_str())) {
            state.SkipWithError("pugixml failed");
            return;
        }
    }
}
BENCHMARK(BM_PugixmlLoadAndSaveDataFile)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // The offscreen platform says on every form shown that it cannot pass size hints on: not a figure.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type != QtWarningMsg || !message.contains(QLatin1String("propagateSizeHints"))) {
            std::fprintf(stderr, "%s\n", qPrintable(message));
        }
    });
    QApplication app(argc, argv);
    initResources();
    MessageService::instance().setHeadless(true);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
