// Units-and-users tree: the build from the record objects of a database of 5 groups, 5,000 units over 8
// levels and 100,000 users, against the sqlite3 command fetching the same unit and user rows of the same
// file; and one unit code change that re-points 1,000 users, with their change rows.

#include "DataGenerator.h"
#include "Sqlite3Command.h"
#include "TempDir.h"
#include "db/CXDatabase.h"
#include "db/CXTabelChangeTmp.h"
#include "db/CXTableGroup.h"
#include "db/CXTableUnit.h"
#include "db/CXTableUser.h"
#include "db/ChangeLog.h"
#include "org/CUnitUserModel.h"
#include "platform/Paths.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <variant>

namespace
{

constexpr int kMovedUsers = 1000;
constexpr std::int32_t kBigUnit = 32000;

struct RunningServer : qar::IServerState
{
    bool IsServerRunning() const override { return true; }
};

struct NoEffects : qar::IOrgEffects
{
    void setUnitsChanged() override {}
    void setUsersChanged() override {}
    void setGroupsChanged() override {}
    void updateServiceButtons() override {}
    void logChange(const std::string&, const std::string&, std::int32_t, std::uint8_t) override {}
};

/// A folder for the run's database file and a program directory without settings files, so the record
/// objects use the default table and column names.
qar::test::TempDir& workDir()
{
    static qar::test::TempDir dir;
    static const bool programDirSet = [] { return setenv("QAR_PROGRAM_DIR", dir.path().c_str(), 1) == 0; }();
    (void)programDirSet;
    return dir;
}

std::string sqliteConnect(const std::string& file, bool sync = true)
{
    // With sync: the journal and sync settings the registered data source carries; without: no disk flush.
    return "DRIVER=" + qar::GetSystemDir() + "/libsqlite3odbc.so;Database=" + file +
           (sync ? ";JournalMode=WAL;SyncPragma=NORMAL" : ";SyncPragma=OFF");
}

/// The generated database, plus one top-level unit holding kMovedUsers more users, made once per run.
const std::string& orgDatabase()
{
    static const std::string file = [] {
        const std::string path = workDir().file("org.db");
        qar::CXDatabase db;
        db.Open(sqliteConnect(path));
        qar::createSchema(db, std::string(QAR_BENCH_SQL_DIR) + "/schema-sqlite.sql");
        qar::DataGenOptions options;
        options.groups = 5;
        options.units = 5000;
        options.depth = 8;
        options.users = 100000;
        qar::generateData(db, options);
        db.ExecuteSQL("INSERT INTO UnitTable (UNIT_ID, UNIT_NAME, SUPER_ID, TREE_CLASS, UNIT_STATUS, CAN_LOG, "
                      "OL_TIME, UNIT_ALIAS, LOG_PWD, GROUP_ID, UNIT_FLAG) VALUES (32000, 'Big', 0, 1, 1, 0, 0, '', "
                      "'', 1, 0)");
        db.ExecuteSQL("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 999) "
                      "INSERT INTO BaseTable (USER_ID, PASSWORD, NAME, MACHINE_ID, POWER_FLAG, EMAIL, MOBILE, "
                      "UNIT_ID, DUTY, USER_STATUS, OL_TIME, SCORE, DUTY_CLASS, GROUP_ID) "
                      "SELECT 900000 + i, '', 'moved' || i, 0, 0, '', '', 32000, '', 1, 0, 0, 0, 1 FROM n");
        return path;
    }();
    return file;
}

/// The main window's record objects on one connection, and the page's model.
struct Page
{
    explicit Page(qar::IOrgEffects& effects, bool sync = true) : model(qar::OrgTables{&groups, &units, &users}, effects)
    {
        db.Open(sqliteConnect(orgDatabase(), sync));
    }
    void open()
    {
        groups.Open();
        units.Open();
        users.Open();
    }

    qar::CXDatabase db;
    qar::CXTableGroup groups{&db};
    qar::CXTableUnit units{&db};
    qar::CXTableUser users{&db};
    qar::CUnitUserModel model;
};

// The build alone, from snapshots already open: what the page does after an edit that moves nodes.
void BM_TreeBuild(benchmark::State& state)
{
    NoEffects effects;
    Page page(effects);
    page.open();
    for (auto _ : state) {
        page.model.buildTree();
    }
    state.counters["nodes"] = static_cast<double>(page.model.tree().size());
}
BENCHMARK(BM_TreeBuild)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// "Refresh": the three snapshots taken again, then the build.
void BM_OpenAndTreeBuild(benchmark::State& state)
{
    NoEffects effects;
    Page page(effects);
    for (auto _ : state) {
        page.open();
        page.model.buildTree();
    }
    state.counters["nodes"] = static_cast<double>(page.model.tree().size());
}
BENCHMARK(BM_OpenAndTreeBuild)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The reference: the sqlite3 command prints the same group, unit and user rows of the same file to
// /dev/null. Its own CPU time is reported as child_cpu_ms.
void BM_Sqlite3CommandFetch(benchmark::State& state)
{
    const std::string& file = orgDatabase();
    const std::string sql = "SELECT * FROM GroupTable; SELECT * FROM UnitTable; SELECT * FROM BaseTable;";
    qar::bench::RunSqlite3Fetch(state, file, sql);
}
BENCHMARK(BM_Sqlite3CommandFetch)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// One code change of the unit holding kMovedUsers users: the unit row, every user re-pointed and a change
// row for each (written through a connection of its own, as while the server runs). The code alternates
// between two values so that every iteration changes it. Argument 1: the data source as the tool
// registers it (write-ahead log, sync at checkpoints); 0: no disk flush at all, the work alone.
void BM_UnitCodeChangeRepointsUsers(benchmark::State& state)
{
    const bool sync = state.range(0) != 0;
    qar::CXDatabase logConnection;
    logConnection.Open(sqliteConnect(orgDatabase(), sync));
    qar::CXTabelChangeTmp changes(&logConnection);
    RunningServer server;
    qar::CChangeLog log(changes, server);
    qar::ChangeLogOrgEffects effects(log);
    Page page(effects, sync);
    std::int32_t code = kBigUnit;
    for (auto _ : state) {
        state.PauseTiming();
        page.open();
        page.model.buildTree();
        page.model.select(page.model.index().unitNodes.at(code));
        state.ResumeTiming();
        auto start = page.model.startEditUnit();
        auto& session = std::get<qar::UnitEditSession>(start);
        const std::int32_t next = code == kBigUnit ? kBigUnit - 1 : kBigUnit;
        session.fields.codeText = std::to_string(next);
        const auto valid = session.form.validate(session.fields);
        if (!std::holds_alternative<qar::ValidUnit>(valid) ||
            page.model.finishEditUnit(session, std::get<qar::ValidUnit>(valid))) {
            state.SkipWithError("the code change failed");
            return;
        }
        code = next;
    }
    state.counters["users_repointed"] = kMovedUsers;
}
BENCHMARK(BM_UnitCodeChangeRepointsUsers)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

BENCHMARK_MAIN();
