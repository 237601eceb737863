// Database benchmarks: the users snapshot against the sqlite3 command fetching the same rows of the same
// file, and the cost of one change row with and without rows waiting for the server.

#include "BenchHeap.h"
#include "DataGenerator.h"
#include "Sqlite3Command.h"
#include "TempDir.h"
#include "db/BatchInsert.h"
#include "db/CXDatabase.h"
#include "db/CXTabelChangeTmp.h"
#include "db/CXTableUser.h"
#include "db/ChangeLog.h"
#include "platform/Paths.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace
{

constexpr int kUsers = 100000;
constexpr const char* kUserColumns = "USER_ID, PASSWORD, NAME, MACHINE_ID, POWER_FLAG, EMAIL, MOBILE, UNIT_ID, DUTY, "
                                     "USER_STATUS, OL_TIME, SCORE, DUTY_CLASS, GROUP_ID";

struct RunningServer : qar::IServerState
{
    bool IsServerRunning() const override { return true; }
};

/// A folder for the run's database files, and a program directory without settings files, so the
/// record objects use the default table and column names.
qar::test::TempDir& workDir()
{
    static qar::test::TempDir dir;
    static const bool programDirSet = [] { return setenv("QAR_PROGRAM_DIR", dir.path().c_str(), 1) == 0; }();
    (void)programDirSet;
    return dir;
}

std::string sqliteConnect(const std::string& file)
{
    return "DRIVER=" + qar::GetSystemDir() + "/libsqlite3odbc.so;Database=" + file;
}

/// For the change-row benchmarks: without a disk sync per row, so the figures show the work of a call
/// rather than the disk's flush time (which is the same for every row).
std::string sqliteConnectNoSync(const std::string& file)
{
    return sqliteConnect(file) + ";SyncPragma=OFF";
}

/// The database file with the schema and 100,000 generated users, made once per run.
const std::string& usersDatabase()
{
    static const std::string file = [] {
        const std::string path = workDir().file("users.db");
        qar::CXDatabase db;
        db.Open(sqliteConnect(path));
        qar::createSchema(db, std::string(QAR_BENCH_SQL_DIR) + "/schema-sqlite.sql");
        qar::DataGenOptions options;
        options.groups = 5;
        options.units = 5000;
        options.depth = 8;
        options.users = kUsers;
        qar::generateData(db, options);
        return path;
    }();
    return file;
}

/// A database file whose change table holds `pending` rows when a benchmark starts using it; each
/// benchmark (`tag`) gets its own, made once, since the rows it adds stay there.
std::string changeDatabase(const std::string& tag, int pending)
{
    static std::map<std::string, std::string> files;
    const std::string name = tag + "-" + std::to_string(pending);
    auto it = files.find(name);
    if (it != files.end()) {
        return it->second;
    }
    const std::string path = workDir().file(name + ".db");
    qar::CXDatabase db;
    db.Open(sqliteConnect(path));
    qar::createSchema(db, std::string(QAR_BENCH_SQL_DIR) + "/schema-sqlite.sql");
    db.beginTransaction();
    {
        using Type = qar::BatchInsert::Type;
        qar::BatchInsert insert(db, "ChangeTable",
                                {{"REC_ID", Type::Int},
                                 {"Table_Name", Type::Text},
                                 {"Field_Name", Type::Text},
                                 {"Key_Value", Type::Int},
                                 {"Change_Act", Type::Int}});
        for (int i = 0; i < pending; ++i) {
            insert.add(i);
            insert.add("BASE_USERS");
            insert.add("USER_ID");
            insert.add(10001 + i);
            insert.add(2);
            insert.endRow();
        }
        insert.flush();
    }
    db.commit();
    return files.emplace(name, path).first->second;
}

long residentKiB()
{
    long pages = 0;
    long resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) {
            resident = 0;
        }
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

/// VmHWM, the peak resident size since the last resetPeak().
long peakKiB()
{
    long kib = 0;
    if (FILE* f = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, f)) {
            if (std::sscanf(line, "VmHWM: %ld kB", &kib) == 1) {
                break;
            }
        }
        std::fclose(f);
    }
    return kib;
}

/// Starts a new peak: Linux resets VmHWM to the current size when "5" is written to clear_refs.
void resetPeak()
{
    if (FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", f);
        std::fclose(f);
    }
}

// Opening the users record object: SELECT of the 14 columns, every row fetched into memory.
void BM_UsersSnapshot(benchmark::State& state)
{
    const std::string& file = usersDatabase();
    qar::CXDatabase db;
    db.Open(sqliteConnect(file));
    qar::CXTableUser users(&db);
    long rows = 0;
    for (auto _ : state) {
        users.Open();
        rows = users.GetRecordCount();
        state.PauseTiming();
        users.Close();
        state.ResumeTiming();
    }
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_UsersSnapshot)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Memory of the users snapshot, measured on a heap given back to the system first (memory freed by
// earlier work would otherwise hide the growth): the high-water mark of the open, which includes the
// driver's copy of the whole result, and what the snapshot holds afterwards. The first read of a thread
// also makes the thread's fetch blocks: the open runs on a thread of its own, so the figures include
// them whether or not another benchmark read a table before.
void BM_UsersSnapshotMemory(benchmark::State& state)
{
    const std::string& file = usersDatabase();
    qar::CXDatabase db;
    db.Open(sqliteConnect(file));
    long heldKiB = 0;
    long peakDeltaKiB = 0;
    for (auto _ : state) {
        std::thread([&] {
            qar::CXTableUser users(&db);
            malloc_trim(0);
            resetPeak();
            const long before = residentKiB();
            users.Open();
            peakDeltaKiB = peakKiB() - before;
            malloc_trim(0);
            heldKiB = residentKiB() - before;
        }).join();
    }
    state.counters["held_rss_MiB"] = static_cast<double>(heldKiB) / 1024.0;
    state.counters["peak_rss_delta_MiB"] = static_cast<double>(peakDeltaKiB) / 1024.0;
}
BENCHMARK(BM_UsersSnapshotMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

// The floor through the same driver: the same statement fetched in blocks of 512 rows into bound
// buffers that are overwritten, nothing kept.
void BM_OdbcDriverFetch(benchmark::State& state)
{
    const std::string& file = usersDatabase();
    qar::CXDatabase db;
    db.Open(sqliteConnect(file));
    const std::string sql = std::string("SELECT ") + kUserColumns + " FROM BaseTable";
    constexpr SQLULEN kRows = 512;
    constexpr int kColumns = 14;
    constexpr bool kText[kColumns] = {false, true, true,  false, false, true,  true,
                                      false, true, false, false, false, false, false};
    std::vector<std::int32_t> numbers(kRows * kColumns);
    std::vector<char> text(kRows * 1024 * kColumns);
    std::vector<SQLLEN> indicators(kRows * kColumns);
    long rows = 0;
    for (auto _ : state) {
        qar::StmtHandle stmt = qar::allocStatement(db.handle());
        SQLHSTMT h = stmt.get();
        SQLULEN fetched = 0;
        SQLSetStmtAttr(h, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(kRows), 0);
        SQLSetStmtAttr(h, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
        for (int c = 0; c < kColumns; ++c) {
            const auto n = static_cast<SQLUSMALLINT>(c + 1);
            SQLLEN* ind = indicators.data() + c * kRows;
            if (kText[c]) {
                SQLBindCol(h, n, SQL_C_CHAR, text.data() + c * kRows * 1024, 1024, ind);
            } else {
                SQLBindCol(h, n, SQL_C_SLONG, numbers.data() + c * kRows, 0, ind);
            }
        }
        SQLExecDirect(h, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS);
        rows = 0;
        while (SQL_SUCCEEDED(SQLFetch(h))) {
            rows += static_cast<long>(fetched);
        }
        benchmark::DoNotOptimize(numbers.data());
    }
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_OdbcDriverFetch)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The reference: the sqlite3 command prints the same rows of the same file to /dev/null. Its own CPU
// time is reported as child_cpu_ms, since the benchmark's CPU column sees only the waiting parent.
void BM_Sqlite3CommandFetch(benchmark::State& state)
{
    const std::string& file = usersDatabase();
    const std::string sql = std::string("SELECT ") + kUserColumns + " FROM BaseTable";
    qar::bench::RunSqlite3Fetch(state, file, sql);
}
BENCHMARK(BM_Sqlite3CommandFetch)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// One change row, with 0 or 100,000 rows already waiting for the server.
void BM_LogChange(benchmark::State& state)
{
    const std::string file = changeDatabase("log", static_cast<int>(state.range(0)));
    qar::CXDatabase db;
    db.Open(sqliteConnectNoSync(file));
    qar::CXTabelChangeTmp table(&db);
    RunningServer server;
    qar::CChangeLog log(table, server);
    std::int32_t key = 1;
    for (auto _ : state) {
        log.logUser(key++, qar::ChangeAct::Modified);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LogChange)->Arg(0)->Arg(kUsers)->Unit(benchmark::kMicrosecond)->MinTime(1.0);

// For comparison, the row written through a fresh snapshot of the whole change table, as the record
// object alone would do it: its cost grows with the rows waiting.
void BM_LogChangeThroughSnapshot(benchmark::State& state)
{
    const std::string file = changeDatabase("snapshot", static_cast<int>(state.range(0)));
    qar::CXDatabase db;
    db.Open(sqliteConnectNoSync(file));
    qar::CXTabelChangeTmp table(&db);
    std::int32_t key = 1;
    for (auto _ : state) {
        table.Open();
        table.AddNew();
        table.m_REC_ID = key;
        table.m_Table_Name = std::string("BASE_USERS");
        table.m_Field_Name = std::string("USER_ID");
        table.m_Key_Value = key++;
        table.m_Change_Act = std::uint8_t{2};
        table.Update();
        table.Close();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LogChangeThroughSnapshot)->Arg(0)->Arg(kUsers)->Unit(benchmark::kMicrosecond)->MinTime(1.0);

} // namespace

int main(int argc, char** argv)
{
    qar::bench::FixHeapRules();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
