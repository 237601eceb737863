// Units-and-users tree: the build from the record objects of a database of 5 groups, 5,000 units over 8
// levels and 100,000 users, against the sqlite3 command fetching the same unit and user rows of the same
// file; one unit code change that re-points 5,000 users, with their change rows, on SQLite and (with
// QAR_TEST_MARIADB_HOST/_PORT/_USER/_PASSWORD set, as scripts/mariadb writes them) on MariaDB; and the
// find bar's index and keystrokes over the same tree.

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
#include "org/OrgFind.h"
#include "platform/Paths.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <variant>

namespace
{

constexpr int kMovedUsers = 5000;
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

std::string sqliteConnect(const std::string& file)
{
    // The journal and sync settings the registered data source carries.
    return "DRIVER=" + qar::GetSystemDir() + "/libsqlite3odbc.so;Database=" + file +
           ";JournalMode=WAL;SyncPragma=NORMAL";
}

std::string envOr(const char* name, const char* fallback = "")
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : fallback;
}

/// The throwaway MariaDB server of scripts/mariadb; empty when none is configured.
std::string mariaDbConnect(const std::string& database = {})
{
    const std::string host = envOr("QAR_TEST_MARIADB_HOST");
    if (host.empty()) {
        return {};
    }
    return "DRIVER=" + qar::GetSystemDir() + "/libmaodbc.so;SERVER=" + host +
           ";PORT=" + envOr("QAR_TEST_MARIADB_PORT", "3306") + ";UID=" + envOr("QAR_TEST_MARIADB_USER") +
           ";PWD=" + envOr("QAR_TEST_MARIADB_PASSWORD") + ";CHARSET=utf8mb4" +
           (database.empty() ? "" : ";DATABASE=" + database);
}

/// The generated rows, plus one top-level unit holding kMovedUsers more users.
void fill(qar::CXDatabase& db, const std::string& schema)
{
    qar::createSchema(db, std::string(QAR_BENCH_SQL_DIR) + "/" + schema);
    qar::DataGenOptions options;
    options.groups = 5;
    options.units = 5000;
    options.depth = 8;
    options.users = 100000;
    qar::generateData(db, options);
    if (db.engine() == qar::DbEngine::MariaDb) {
        db.ExecuteSQL("SET SESSION max_recursive_iterations = 100000"); // 1,000 by default
    }
    db.ExecuteSQL(db.quoteBrackets("INSERT INTO [UnitTable] ([UNIT_ID], [UNIT_NAME], [SUPER_ID], [TREE_CLASS], "
                                   "[UNIT_STATUS], [CAN_LOG], [OL_TIME], [UNIT_ALIAS], [LOG_PWD], [GROUP_ID], "
                                   "[UNIT_FLAG]) VALUES (32000, 'Big', 0, 1, 1, 0, 0, '', '', 1, 0)"));
    db.ExecuteSQL(db.quoteBrackets(
        "INSERT INTO [BaseTable] ([USER_ID], [PASSWORD], [NAME], [MACHINE_ID], [POWER_FLAG], [EMAIL], [MOBILE], "
        "[UNIT_ID], [DUTY], [USER_STATUS], [OL_TIME], [SCORE], [DUTY_CLASS], [GROUP_ID]) "
        "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < " +
        std::to_string(kMovedUsers - 1) +
        ") SELECT 900000 + i, '', 'moved', 0, 0, '', '', 32000, '', 1, 0, 0, 0, 1 FROM n"));
}

/// The connection string of the generated database on SQLite (engine 0) or MariaDB (1), made once per
/// run; empty when no MariaDB server is configured.
const std::string& orgDatabase(int engine = 0)
{
    static const std::string sqlite = [] {
        const std::string connect = sqliteConnect(workDir().file("org.db"));
        qar::CXDatabase db;
        db.Open(connect);
        fill(db, "schema-sqlite.sql");
        return connect;
    }();
    if (engine == 0) {
        return sqlite;
    }
    static const std::string mariaDb = [] {
        if (mariaDbConnect().empty()) {
            return std::string();
        }
        qar::CXDatabase db;
        db.Open(mariaDbConnect());
        db.ExecuteSQL("DROP DATABASE IF EXISTS qar_org_bench");
        db.ExecuteSQL("CREATE DATABASE qar_org_bench CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin");
        db.Open(mariaDbConnect("qar_org_bench"));
        fill(db, "schema-mariadb.sql");
        return mariaDbConnect("qar_org_bench");
    }();
    return mariaDb;
}

/// The main window's record objects on one connection, and the page's model.
struct Page
{
    explicit Page(qar::IOrgEffects& effects, const std::string& connect = orgDatabase())
        : model(qar::OrgTables{&groups, &units, &users}, effects)
    {
        db.Open(connect);
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
    const std::string& file = workDir().file("org.db");
    orgDatabase();
    const std::string sql = "SELECT * FROM GroupTable; SELECT * FROM UnitTable; SELECT * FROM BaseTable;";
    qar::bench::RunSqlite3Fetch(state, file, sql);
}
BENCHMARK(BM_Sqlite3CommandFetch)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// One code change of the unit holding kMovedUsers users, as the page runs it: the unit row, every user
// re-pointed and a change row for each, all in one transaction on the main window's connection. The code
// alternates between two values so that every iteration changes it. Argument: 0 SQLite (the data source
// as the tool registers it), 1 MariaDB.
void BM_UnitCodeChangeRepointsUsers(benchmark::State& state)
{
    const std::string& connect = orgDatabase(static_cast<int>(state.range(0)));
    if (connect.empty()) {
        state.SkipWithError("no MariaDB server configured (scripts/mariadb start; source build/mariadb/env)");
        return;
    }
    RunningServer server;
    NoEffects none;
    Page page(none, connect);
    qar::CXTabelChangeTmp changes(&page.db);
    qar::CChangeLog log(changes, server);
    qar::ChangeLogOrgEffects effects(log);
    qar::CUnitUserModel model(qar::OrgTables{&page.groups, &page.units, &page.users}, effects);
    std::int32_t code = kBigUnit;
    for (auto _ : state) {
        state.PauseTiming();
        page.open();
        model.buildTree();
        model.select(model.index().unitNodes.at(code));
        state.ResumeTiming();
        auto start = model.startEditUnit();
        auto& session = std::get<qar::UnitEditSession>(start);
        const std::int32_t next = code == kBigUnit ? kBigUnit - 1 : kBigUnit;
        session.fields.codeText = std::to_string(next);
        const auto valid = session.form.validate(session.fields);
        if (!std::holds_alternative<qar::ValidUnit>(valid) ||
            model.finishEditUnit(session, std::get<qar::ValidUnit>(valid))) {
            state.SkipWithError("the code change failed");
            return;
        }
        code = next;
    }
    state.counters["users_repointed"] = kMovedUsers;
}
BENCHMARK(BM_UnitCodeChangeRepointsUsers)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(4);

// The find bar's index: every node's name converted from the code page and folded, once per change of
// the tree (the first keystroke after a build pays for it).
void BM_FindIndexBuild(benchmark::State& state)
{
    NoEffects effects;
    Page page(effects);
    page.open();
    page.model.buildTree();
    for (auto _ : state) {
        qar::OrgFindIndex index;
        index.update(page.model.tree());
        benchmark::DoNotOptimize(index.size());
    }
    state.counters["nodes"] = static_cast<double>(page.model.tree().size());
}
BENCHMARK(BM_FindIndexBuild)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// One keystroke of the find bar once the index is made: every node matching what has been typed so
// far, counted, and the one to go to from the selection. Typed in turn: a Latin surname, a Chinese
// one, a user id.
const char* const kTyped[] = {"s", "sc", "sch", "schm", "schmidt", "\xE5\xBC\xA0",  "\xE5\xBC\xA0\xE4\xBC\x9F",
                              "1", "10", "100", "1005", "10050",   "ＳＣＨＭＩＤＴ"};

void BM_FindKeystroke(benchmark::State& state)
{
    NoEffects effects;
    Page page(effects);
    page.open();
    page.model.buildTree();
    qar::OrgFindIndex index;
    index.update(page.model.tree());
    const char* typed = kTyped[state.range(0)];
    const qar::OrgTree::NodeId from = page.model.index().unitNodes.begin()->second;
    qar::FindResult found;
    for (auto _ : state) {
        found = index.find(page.model.tree(), typed, from, qar::FindStep::AtOrAfter);
        benchmark::DoNotOptimize(found);
    }
    state.SetLabel(std::string(typed) + ": " + std::to_string(found.count) + " matches");
}
BENCHMARK(BM_FindKeystroke)->DenseRange(0, std::size(kTyped) - 1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
