// Users on a generated database of 5 groups, 5,000 units and 100,000 users:
// - the time from "Edit" on a user node until the user form is on screen (offscreen platform);
// - 1,000 users added through the page's logic, each with its change row (the server runs), on SQLite and,
//   when QAR_TEST_MARIADB_* name a server, on MariaDB; on that database and on one without users;
// - loading and saving a Userx.xml and an MUser.xml of 100,000 records.
//
//   QT_QPA_PLATFORM=offscreen build/release/bench/users_bench

#include "DataGenerator.h"
#include "TempDir.h"
#include "app/ui/CAdminApp.h"
#include "db/CXDatabase.h"
#include "db/CXTabelChangeTmp.h"
#include "db/CXTableGroup.h"
#include "db/CXTableUnit.h"
#include "db/CXTableUser.h"
#include "db/ChangeLog.h"
#include "org/UserEditing.h"
#include "org/ui/CUserEditDlg.h"
#include "platform/Paths.h"
#include "xml/DomainUserFile.h"
#include "xml/MultiUnitUsers.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <string>

namespace
{

using namespace qar;

struct RunningServer : IServerState
{
    bool IsServerRunning() const override { return true; }
};

/// A program directory without settings files (default table and column names), with role.xml and
/// Power.dat as an installation has them.
test::TempDir& workDir()
{
    static test::TempDir dir;
    static const bool prepared = [] {
        setenv("QAR_PROGRAM_DIR", dir.path().c_str(), 1);
        std::string roles = "<QAR_ROLE>";
        for (int id = 0; id < 6; ++id) {
            roles += "<R ID=\"" + std::to_string(id) + "\" N=\"Role " + std::to_string(id) + "\" SMS=\"20\" P=\"0\"/>";
        }
        test::writeFile(dir.file("UserData/config/xmldata/role.xml"), roles + "</QAR_ROLE>");
        test::writeFile(dir.file("Power.dat"), "[Names]\r\nnum=21\r\nDef_Name=-\r\nName_0=Files\r\n");
        return true;
    }();
    (void)prepared;
    return dir;
}

enum class Engine
{
    Sqlite,
    MariaDb,
};

/// A connection string for a database of the engine, made and filled once per run: `users` generated users
/// in 5 groups and 5,000 units. Empty when the engine is not available.
std::string database(Engine engine, int users)
{
    static std::map<std::pair<Engine, int>, std::string> made;
    const auto key = std::make_pair(engine, users);
    if (const auto it = made.find(key); it != made.end()) {
        return it->second;
    }
    std::string connect;
    std::string schema = std::string(QAR_BENCH_SQL_DIR) + "/schema-sqlite.sql";
    if (engine == Engine::Sqlite) {
        connect = "DRIVER=" + GetSystemDir() +
                  "/libsqlite3odbc.so;Database=" + workDir().file("users" + std::to_string(users) + ".db") +
                  ";JournalMode=WAL;SyncPragma=NORMAL";
    } else {
        const char* host = std::getenv("QAR_TEST_MARIADB_HOST");
        if (host == nullptr) {
            return made[key] = {};
        }
        const std::string server = "DRIVER=" + GetSystemDir() + "/libmaodbc.so;SERVER=" + host +
                                   ";PORT=" + std::getenv("QAR_TEST_MARIADB_PORT") +
                                   ";UID=" + std::getenv("QAR_TEST_MARIADB_USER") +
                                   ";PWD=" + std::getenv("QAR_TEST_MARIADB_PASSWORD") + ";CHARSET=utf8mb4";
        const std::string name = "qar_bench_" + std::to_string(::getpid()) + "_" + std::to_string(users);
        CXDatabase admin;
        admin.Open(server);
        admin.ExecuteSQL("DROP DATABASE IF EXISTS " + name);
        admin.ExecuteSQL("CREATE DATABASE " + name + " CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin");
        connect = server + ";DATABASE=" + name;
        schema = std::string(QAR_BENCH_SQL_DIR) + "/schema-mariadb.sql";
    }
    CXDatabase db;
    db.Open(connect);
    createSchema(db, schema);
    DataGenOptions options;
    options.groups = 5;
    options.units = 5000;
    options.depth = 8;
    options.users = users;
    generateData(db, options);
    return made[key] = connect;
}

/// The main window's record objects and the change log on its one connection, and the page.
struct Page
{
    explicit Page(const std::string& connect) : model(OrgTables{&groups, &units, &users}, effects)
    {
        db.Open(connect);
        groups.Open();
        units.Open();
        users.Open();
        model.buildTree();
    }
    UserEditEnvironment environment()
    {
        UserEditEnvironment env;
        env.params.passwordMethod = "MD5";
        env.roleFile = workDir().file("UserData/config/xmldata/role.xml");
        env.powerFile = workDir().file("Power.dat");
        env.groupUserLimit = [](std::int32_t) { return 0; };
        return env;
    }

    CXDatabase db;
    CXTableGroup groups{&db};
    CXTableUnit units{&db};
    CXTableUser users{&db};
    CXTabelChangeTmp changes{&db};
    RunningServer server;
    CChangeLog log{changes, server};
    ChangeLogOrgEffects effects{log};
    CUnitUserModel model;
};

OrgTree::NodeId lastUserNode(const OrgTree& tree)
{
    OrgTree::NodeId last = OrgTree::kNone;
    std::int32_t highest = 0;
    for (OrgTree::NodeId n = tree.firstChild(OrgTree::kRoot); n != OrgTree::kNone;
         n = tree.nextInSubtree(n, OrgTree::kRoot)) {
        if (tree.kind(n) == NodeKind::User && tree.itemData(n) > highest) {
            highest = tree.itemData(n);
            last = n;
        }
    }
    return last;
}

// "Edit" on the node of the last user of 100,000 (its row is the last one scanned) until the form is on
// screen: the row found, the units, roles and privilege names read, the form built, shown and painted.
void BM_UserEditorShown(benchmark::State& state)
{
    Page page(database(Engine::Sqlite, 100000));
    UserEditing editing(page.model, page.environment());
    page.model.select(lastUserNode(page.model.tree()));
    for (auto _ : state) {
        auto start = editing.startEditUser();
        auto* session = std::get_if<UserEditSession>(&start);
        if (session == nullptr) {
            state.SkipWithError("no user form");
            return;
        }
        ui::CUserEditDlg form(*session, nullptr);
        form.show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(form.isVisible());
    }
    state.counters["users"] = static_cast<double>(page.users.GetRecordCount());
}
BENCHMARK(BM_UserEditorShown)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Users added one after another under one unit, as the page's "Add user" does after OK: the group limit,
// the row, the node and the lists, the users-changed flag, the change row (the change table selected anew
// for it), and the users read again. The form is prepared once (its time is BM_UserEditorShown's).
// Arguments: engine (0 SQLite, 1 MariaDB), the users already in the table, and the users added; the time
// of one add is the counter s_per_add.
void BM_AddUsers(benchmark::State& state)
{
    const auto engine = static_cast<Engine>(state.range(0));
    const std::string connect = database(engine, static_cast<int>(state.range(1)));
    if (connect.empty()) {
        state.SkipWithError("no MariaDB server (QAR_TEST_MARIADB_*)");
        return;
    }
    const auto adds = static_cast<int>(state.range(2));
    Page page(connect);
    UserEditing editing(page.model, page.environment());
    page.model.select(page.model.index().unitNodes.at(101));
    auto start = editing.startAddUser();
    auto& session = std::get<UserEditSession>(start);
    session.fields.password = session.fields.passwordAgain = "123456";
    for (auto _ : state) {
        for (int i = 0; i < adds; ++i) {
            session.fields.userIdText = std::to_string(page.model.index().nextUserId);
            session.fields.name = "Added " + std::to_string(i);
            auto valid = session.form.validate(session.fields, false, {});
            if (!std::holds_alternative<ValidUser>(valid) ||
                editing.finishAddUser(session, std::get<ValidUser>(valid))) {
                state.SkipWithError("an add failed");
                return;
            }
        }
    }
    state.counters["s_per_add"] =
        benchmark::Counter(static_cast<double>(adds), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_AddUsers)
    ->ArgNames({"mariadb", "users", "adds"})
    ->Args({0, 0, 1000})
    ->Args({1, 0, 1000})
    ->Args({0, 100000, 20})
    ->Args({1, 100000, 20})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

constexpr int kRecords = 100000;

const std::string& userxFile()
{
    static const std::string path = [] {
        const std::string file = workDir().file("UserData/data/Userx.xml");
        test::writeFile(file, "<QAR_USERX/>");
        DomainUserFile users(file);
        users.domain = "CORP";
        for (int i = 0; i < kRecords; ++i) {
            users.records.push_back({10001 + i, i % 3 == 0 ? std::string() : "user" + std::to_string(i),
                                     static_cast<std::uint16_t>(i % 5 == 0 ? 0 : 100 + i % 900)});
        }
        users.Save();
        return file;
    }();
    return path;
}

const std::string& muserFile()
{
    static const std::string path = [] {
        const std::string file = workDir().file("UserData/config/xmldata/MUser.xml");
        MultiUnitUsers users;
        for (int i = 0; i < kRecords; ++i) {
            users.SetUserUnits(static_cast<std::uint32_t>(10001 + i),
                               {static_cast<std::uint32_t>(101 + i % 5000), static_cast<std::uint32_t>(2000 + i % 7)});
        }
        users.Save(file);
        return file;
    }();
    return path;
}

void BM_UserxLoad(benchmark::State& state)
{
    for (auto _ : state) {
        DomainUserFile users(userxFile());
        benchmark::DoNotOptimize(users.records.size());
    }
}
BENCHMARK(BM_UserxLoad)->Unit(benchmark::kMillisecond);

void BM_UserxSave(benchmark::State& state)
{
    DomainUserFile users(userxFile());
    for (auto _ : state) {
        if (!users.Save()) {
            state.SkipWithError("not saved");
        }
    }
    state.counters["records"] = static_cast<double>(users.records.size());
}
BENCHMARK(BM_UserxSave)->Unit(benchmark::kMillisecond);

void BM_MUserLoad(benchmark::State& state)
{
    for (auto _ : state) {
        MultiUnitUsers users;
        users.Load(muserFile());
        benchmark::DoNotOptimize(users.users().size());
    }
}
BENCHMARK(BM_MUserLoad)->Unit(benchmark::kMillisecond);

void BM_MUserSave(benchmark::State& state)
{
    MultiUnitUsers users;
    users.Load(muserFile());
    for (auto _ : state) {
        if (!users.Save(muserFile())) {
            state.SkipWithError("not saved");
        }
    }
    state.counters["records"] = static_cast<double>(users.users().size());
}
BENCHMARK(BM_MUserSave)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication application(argc, argv);
    qar::ui::initResources();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
