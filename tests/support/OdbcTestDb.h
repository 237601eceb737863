#pragma once

#include "TempDir.h"
#include "db/CXDatabase.h"
#include "db/ChangeLog.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qar::test
{

/// The two engines every database test runs on.
enum class DbKind
{
    Sqlite,
    MariaDb,
};

/// The throwaway MariaDB server of scripts/mariadb, from QAR_TEST_MARIADB_HOST/_PORT/_USER/_PASSWORD.
struct MariaDbServer
{
    std::string host;
    int port = 0;
    std::string user;
    std::string password;
    /// A connection string for the server itself, no data source and no database.
    std::string adminConnect() const;
};
std::optional<MariaDbServer> mariaDbFromEnv();
/// QAR_REQUIRE_MARIADB=1: a missing server fails the test instead of skipping it.
bool mariaDbRequired();

/// Data sources of this test process, registered once in a temporary user odbc.ini (ODBCINI and
/// ODBCSYSINI point into a folder of the process), so the code under test connects with "DSN=..." as
/// the tool does: the SQLite driver on a database file of the process; the MariaDB server from the
/// environment on a database of the process (with CHARSET=gbk too, as a data source registered under a
/// Simplified Chinese locale has it); the MariaDB driver on a loopback port nobody listens on; and on
/// privateServerPort(), for a server a test runs itself.
inline constexpr const char* kSqliteDsn = "QarTestSqlite";
inline constexpr const char* kMariaDbDsn = "QarTestMariaDb";
inline constexpr const char* kMariaDbGbkDsn = "QarTestMariaDbGbk";
inline constexpr const char* kClosedPortDsn = "QarTestClosedPort";
inline constexpr const char* kPrivateServerDsn = "QarTestPrivateServer";
void ensureOdbcDataSources();
int privateServerPort();
/// Path of the MariaDB ODBC driver library.
std::string mariaDbDriverPath();
/// Path of sql/schema-sqlite.sql or sql/schema-mariadb.sql.
std::string schemaFile(DbKind kind);

/// Rows of a query, each value as text or nullopt for NULL; rows({{"1", "a"}}) writes them in a test.
using Rows = std::vector<std::vector<std::optional<std::string>>>;
Rows rows(std::initializer_list<std::vector<const char*>> list);
/// Every row of a query on an open connection, the statement sent as it is.
Rows query(CXDatabase& database, const std::string& sql);

/// A fresh database holding the eight tables of sql/schema-*.sql, reached through its data source. The
/// SQLite file is recreated; the MariaDB database of the process is dropped and created again. Throws
/// std::runtime_error when it cannot be made.
class OdbcTestDb
{
public:
    explicit OdbcTestDb(DbKind kind);
    ~OdbcTestDb();
    OdbcTestDb(const OdbcTestDb&) = delete;
    OdbcTestDb& operator=(const OdbcTestDb&) = delete;

    DbKind kind() const { return m_kind; }
    const std::string& dsn() const { return m_dsn; }
    const std::string& uid() const { return m_uid; }
    const std::string& pwd() const { return m_pwd; }
    /// The tool's connection string for this database ("ODBC;DSN=...;UID=...;PWD=...").
    std::string connectString() const;
    /// DB.dat text naming this data source, followed by `extra` (more sections).
    std::string dbDat(const std::string& extra = {}) const;

    /// Runs a statement on a connection of the test's own; '[' and ']' become the identifier quote.
    void exec(const std::string& sql);
    /// Every row of a query, each value as text or nullopt for NULL.
    Rows query(const std::string& sql);
    /// SELECT COUNT(*) of a query's FROM/WHERE part, e.g. count("[BaseTable] WHERE [NAME] = 'a'").
    long long count(const std::string& fromWhere);
    /// Every change row in number order: REC_ID, Table_Name, Field_Name, Key_Value, Change_Act.
    Rows changeRows();
    /// A trigger "refuse" that fails every insert into `table` whose new row meets `condition` (on the
    /// new row's columns, e.g. "NEW.[UNIT_ID] = 103"), as a database refusing a row does.
    void refuseInserts(const std::string& table, const std::string& condition = "1 = 1");

private:
    DbKind m_kind;
    std::string m_dsn;
    std::string m_uid;
    std::string m_pwd;
    CXDatabase m_admin;
};

/// The server state the change log asks before each row: running unless a test stops it.
struct ServerState : IServerState
{
    bool running = true;
    bool IsServerRunning() const override { return running; }
};

/// Base of the database tests, run once per engine: a fresh database, a temporary program directory
/// (QAR_PROGRAM_DIR) whose DB.dat names the data source, column maps read anew and change rows numbered
/// from zero. A MariaDB run skips
/// when no server is configured, or fails under QAR_REQUIRE_MARIADB=1.
class DbTest : public ::testing::TestWithParam<DbKind>
{
protected:
    void SetUp() override;
    void TearDown() override;

    OdbcTestDb& db() { return *m_db; }
    const TempDir& programDir() const { return m_programDir; }
    /// Rewrites DB.dat: the data source, then `extra` sections.
    void writeDbDat(const std::string& extra = {});
    /// Writes DBField.dat with the given text.
    void writeDbFieldDat(const std::string& text);

    /// A connection for the code under test, open on the test's database from SetUp to TearDown.
    CXDatabase m_connection;

private:
    TempDir m_programDir;
    std::unique_ptr<ScopedEnv> m_programEnv;
    std::unique_ptr<OdbcTestDb> m_db;
};

/// Parameter name printer for INSTANTIATE_TEST_SUITE_P.
struct DbKindName
{
    std::string operator()(const ::testing::TestParamInfo<DbKind>& info) const
    {
        return info.param == DbKind::Sqlite ? "Sqlite" : "MariaDb";
    }
};

} // namespace qar::test

/// Ends a test that needs `what` when it is missing: skipped, or failed under QAR_REQUIRE_MARIADB=1.
#define QAR_SKIP_UNLESS(condition, what)                                                                               \
    if (!(condition)) {                                                                                                \
        if (::qar::test::mariaDbRequired()) {                                                                          \
            FAIL() << "QAR_REQUIRE_MARIADB=1 but " << what << " (scripts/mariadb start; source build/mariadb/env)";    \
        }                                                                                                              \
        GTEST_SKIP() << what;                                                                                          \
    }

/// Runs every test of `fixture` on one engine only, for what only that engine has.
#define QAR_DB_TEST_ON_SQLITE(fixture)                                                                                 \
    INSTANTIATE_TEST_SUITE_P(Engine, fixture, ::testing::Values(::qar::test::DbKind::Sqlite), ::qar::test::DbKindName())
#define QAR_DB_TEST_ON_MARIADB(fixture)                                                                                \
    INSTANTIATE_TEST_SUITE_P(Engine, fixture, ::testing::Values(::qar::test::DbKind::MariaDb),                         \
                             ::qar::test::DbKindName())

/// Runs every test of `fixture` on SQLite and on MariaDB.
#define QAR_DB_TEST_ON_BOTH_ENGINES(fixture)                                                                           \
    INSTANTIATE_TEST_SUITE_P(Engines, fixture,                                                                         \
                             ::testing::Values(::qar::test::DbKind::Sqlite, ::qar::test::DbKind::MariaDb),             \
                             ::qar::test::DbKindName())
