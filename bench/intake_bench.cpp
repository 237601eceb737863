// Bulk import, export and check on 5,000 units and 100,000 users: the dry run of a CSV import, the apply
// on SQLite (against the sqlite3 command's .import of the same CSV) and on MariaDB, the exports to CSV
// and XLSX (without passwords, as the tool exports by default), and the data check with the editors'
// rules. Files and databases are made once per run.

#include "DataGenerator.h"
#include "OdbcTestDb.h"
#include "TempDir.h"
#include "db/CXDatabase.h"
#include "db/ChangeLog.h"
#include "intake/IntakeApply.h"
#include "intake/IntakeExport.h"
#include "intake/IntakeJob.h"
#include "intake/OrgCheck.h"
#include "platform/Paths.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/wait.h>

extern char** environ;

namespace
{

using namespace qar;

/// The run's files, and a program directory whose role.xml holds six roles the generator hands out, so the user
/// rows are judged as the editor would.
test::TempDir& workDir()
{
    static test::TempDir dir;
    static const bool programDirSet = [] {
        std::string roles = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<QAR_ROLE>\n";
        for (int r = 0; r < 6; ++r) {
            roles += "<R ID=\"" + std::to_string(r) + "\" N=\"role\" SMS=\"20\" P=\"0\"/>\n";
        }
        test::writeFile(dir.file("UserData/config/xmldata/role.xml"), roles + "</QAR_ROLE>\n");
        return setenv("QAR_PROGRAM_DIR", dir.path().c_str(), 1) == 0;
    }();
    (void)programDirSet;
    return dir;
}

std::string sqliteConnect(const std::string& file)
{
    return "DRIVER=" + GetSystemDir() + "/libsqlite3odbc.so;Database=" + file;
}

/// A database file with the schema and `groups` groups; with `fill`, 5,000 units and 100,000 users too.
void makeDatabase(CXDatabase& db, const std::string& file, bool fill)
{
    std::remove(file.c_str());
    db.Open(sqliteConnect(file));
    createSchema(db, std::string(QAR_BENCH_SQL_DIR) + "/schema-sqlite.sql");
    DataGenOptions options;
    FollowProgramDirectory(options);
    options.groups = 5;
    options.units = fill ? 5000 : 0;
    options.depth = 8;
    options.users = fill ? 100000 : 0;
    generateData(db, options);
}

/// The generated database, its rows read, and its units and users exported as CSV: the files every
/// import benchmark reads.
struct Source
{
    CXDatabase db;
    OrgData data;
    std::string unitsCsv;
    std::string usersCsv;

    Source()
    {
        makeDatabase(db, workDir().file("source.db"), true);
        data = ReadOrgData(db);
        unitsCsv = workDir().file("units.csv");
        usersCsv = workDir().file("users.csv");
        std::string error;
        // With the passwords: the import goes into an empty database, where every user needs one.
        ExportFile(data, {{SheetKind::Units}, std::nullopt, SpreadsheetFormat::Csv, true}, unitsCsv, error);
        ExportFile(data, {{SheetKind::Users}, std::nullopt, SpreadsheetFormat::Csv, true}, usersCsv, error);
    }
};

Source& source()
{
    static Source s;
    return s;
}

IntakePlan planImport(CXDatabase& target)
{
    const std::vector<IntakeFile> files = {ReadIntakeFile(source().unitsCsv), ReadIntakeFile(source().usersCsv)};
    return PlanFiles(ReadOrgData(target), files, IntakeOptions{}, EditorUserRowRules());
}

void reportPlan(benchmark::State& state, const IntakePlan& plan)
{
    state.counters["units"] = static_cast<double>(plan.units.size());
    state.counters["users"] = static_cast<double>(plan.users.size());
    state.counters["refused"] = static_cast<double>(plan.refused);
}

void BM_DryRunCsv(benchmark::State& state)
{
    source();
    CXDatabase target;
    makeDatabase(target, workDir().file("dry.db"), false);
    IntakePlan plan;
    for (auto _ : state) {
        plan = planImport(target);
    }
    reportPlan(state, plan);
}
BENCHMARK(BM_DryRunCsv)->Unit(benchmark::kMillisecond)->Iterations(3);

void applyInto(benchmark::State& state, const std::function<std::unique_ptr<CXDatabase>()>& fresh)
{
    source();
    IntakePlan plan;
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<CXDatabase> target = fresh();
        plan = planImport(*target);
        const OrgData stored = ReadOrgData(*target);
        state.ResumeTiming();
        ApplyPlan(*target, plan, stored, true);
    }
    reportPlan(state, plan);
}

void BM_ApplySqlite(benchmark::State& state)
{
    int run = 0;
    applyInto(state, [&run] {
        auto db = std::make_unique<CXDatabase>();
        makeDatabase(*db, workDir().file("apply" + std::to_string(run++) + ".db"), false);
        return db;
    });
}
BENCHMARK(BM_ApplySqlite)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_ApplyMariaDb(benchmark::State& state)
{
    if (std::getenv("QAR_TEST_MARIADB_PORT") == nullptr) {
        state.SkipWithError("no MariaDB server (source build/mariadb/env)");
        return;
    }
    test::ensureOdbcDataSources();
    std::unique_ptr<test::OdbcTestDb> server;
    applyInto(state, [&server] {
        server.reset(); // the database of the process is dropped first, then made afresh
        server = std::make_unique<test::OdbcTestDb>(test::DbKind::MariaDb);
        auto db = std::make_unique<CXDatabase>();
        db->Open(server->connectString());
        DataGenOptions options;
        options.groups = 5;
        options.units = 0;
        options.users = 0;
        generateData(*db, options);
        return db;
    });
}
BENCHMARK(BM_ApplyMariaDb)->Unit(benchmark::kMillisecond)->Iterations(2);

/// The floor: the sqlite3 command's .import of the same users CSV into an empty users table.
void BM_Sqlite3ImportFloor(benchmark::State& state)
{
    source();
    int run = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::string file = workDir().file("floor" + std::to_string(run++) + ".db");
        {
            CXDatabase db;
            makeDatabase(db, file, false);
        }
        const std::string command = ".import --csv --skip 1 " + source().usersCsv + " BaseTable";
        state.ResumeTiming();
        const char* argv[] = {"sqlite3", "-batch", file.c_str(), command.c_str(), nullptr};
        pid_t pid = 0;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        if (posix_spawnp(&pid, "sqlite3", &actions, nullptr, const_cast<char**>(argv), environ) != 0) {
            state.SkipWithError("sqlite3 command not found");
        }
        posix_spawn_file_actions_destroy(&actions);
        int status = 0;
        waitpid(pid, &status, 0);
    }
}
BENCHMARK(BM_Sqlite3ImportFloor)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_ReadRows(benchmark::State& state)
{
    source();
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReadOrgData(source().db));
    }
}
BENCHMARK(BM_ReadRows)->Unit(benchmark::kMillisecond)->Iterations(3);

void exportUsers(benchmark::State& state, SpreadsheetFormat format, const char* name)
{
    const OrgData& data = source().data;
    const std::string path = workDir().file(name);
    std::string error;
    for (auto _ : state) {
        if (!ExportFile(data, {{SheetKind::Units, SheetKind::Users}, std::nullopt, format}, path, error) &&
            format == SpreadsheetFormat::Xlsx) {
            state.SkipWithError(error.c_str());
        }
    }
}

void BM_ExportCsv(benchmark::State& state)
{
    // A CSV file holds one kind: the users, the larger.
    const OrgData& data = source().data;
    const std::string path = workDir().file("export.csv");
    std::string error;
    for (auto _ : state) {
        ExportFile(data, {{SheetKind::Users}, std::nullopt, SpreadsheetFormat::Csv}, path, error);
    }
}
BENCHMARK(BM_ExportCsv)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ExportXlsx(benchmark::State& state)
{
    exportUsers(state, SpreadsheetFormat::Xlsx, "export.xlsx");
}
BENCHMARK(BM_ExportXlsx)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Check(benchmark::State& state)
{
    source();
    std::size_t findings = 0;
    for (auto _ : state) {
        findings = CheckOrgData(ReadOrgData(source().db), EditorCheckOptions()).size();
    }
    state.counters["findings"] = static_cast<double>(findings);
}
BENCHMARK(BM_Check)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
