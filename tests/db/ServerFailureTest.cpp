#include "CommitHoldProxy.h"
#include "OdbcTestDb.h"
#include "db/CXTableUnit.h"
#include "db/ConnectString.h"
#include "db/OdbcError.h"
#include "db/SchemaUpgrade.h"
#include "db/WriteFailure.h"
#include "platform/CXRegistry.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <thread>

namespace qar
{
namespace
{

using namespace std::chrono_literals;

class SchemaUpgradeTest : public test::DbTest
{};

// A database made before the keys: every index of the schema dropped and, on MariaDB, every table's
// surrogate key. The upgrade adds exactly those back, and the tool reads and writes either way.
TEST_P(SchemaUpgradeTest, AddsWhatAnOlderDatabaseLacksAndNothingToANewOne)
{
    EXPECT_TRUE(PlanSchemaUpgrade(m_connection).empty()) << "the schema files hold every key and index";
    const bool mariaDb = GetParam() == test::DbKind::MariaDb;
    const std::pair<const char*, const char*> indexes[] = {
        {"UnitTable", "UNIT_ID"}, {"UnitTable", "SUPER_ID"}, {"UnitTable", "GROUP_ID"},  {"BaseTable", "USER_ID"},
        {"BaseTable", "UNIT_ID"}, {"BaseTable", "GROUP_ID"}, {"GroupTable", "GROUP_ID"}, {"ChangeTable", "REC_ID"},
    };
    for (const auto& [table, column] : indexes) {
        const std::string index = std::string(table) + "_" + column;
        db().exec(mariaDb ? "DROP INDEX [" + index + "] ON [" + table + "]" : "DROP INDEX [" + index + "]");
    }
    const char* tables[] = {"AppTable",     "DutyClassTable", "ParamTable", "GroupTable",
                            "MsgtypeTable", "UnitTable",      "BaseTable",  "ChangeTable"};
    if (mariaDb) {
        for (const char* table : tables) {
            db().exec(std::string("ALTER TABLE [") + table + "] DROP COLUMN [qar_row_id]");
        }
    }
    db().exec("INSERT INTO [UnitTable] ([UNIT_ID], [UNIT_NAME]) VALUES (7, 'a'), (7, 'twin')");
    CXTableUnit units(&m_connection);
    units.Open();
    units.Edit();
    units.m_UNIT_NAME = "b";
    EXPECT_TRUE(units.Update()) << "the tool works without the keys";

    const std::vector<SchemaStep> steps = PlanSchemaUpgrade(m_connection);
    std::size_t keys = 0;
    for (const SchemaStep& step : steps) {
        keys += step.kind == SchemaStep::Kind::Key ? 1 : 0;
    }
    EXPECT_EQ(keys, mariaDb ? std::size(tables) : 0u);
    EXPECT_EQ(steps.size() - keys, std::size(indexes));
    ApplySchemaUpgrade(m_connection, steps);
    EXPECT_TRUE(PlanSchemaUpgrade(m_connection).empty());
    if (mariaDb) {
        EXPECT_EQ(db().count("[UnitTable] WHERE [qar_row_id] > 0"), 2) << "rows that were there get their key";
    }
    units.Open();
    units.Edit();
    units.m_UNIT_NAME = "c";
    EXPECT_TRUE(units.Update()) << "and with them";
    EXPECT_EQ(db().query("SELECT * FROM [UnitTable] WHERE [UNIT_NAME] = 'c'").at(0).size(), 11u)
        << "the key stays out of the table's columns";
}

QAR_DB_TEST_ON_BOTH_ENGINES(SchemaUpgradeTest);

// A data source of the test's own on the server from the environment, with the given extra values.
std::string registerDataSource(const test::MariaDbServer& server, const char* name,
                               std::initializer_list<std::pair<const char*, std::string>> values)
{
    test::ensureOdbcDataSources();
    CXRegistry reg;
    reg.SetRootKey(HKEY_CURRENT_USER);
    reg.SetKey(std::string("SOFTWARE\\ODBC\\ODBC.INI\\") + name, true);
    reg.WriteString("Driver", test::mariaDbDriverPath());
    reg.WriteString("SERVER", server.host);
    reg.WriteString("PORT", std::to_string(server.port));
    for (const auto& [key, value] : values) {
        reg.WriteString(key, value);
    }
    return "DSN=" + std::string(name) + ";UID=" + quoteConnectValue(server.user) +
           ";PWD=" + quoteConnectValue(server.password);
}

// A site that keeps its timeouts above its cluster's eviction time writes them into the data source;
// the tool's defaults apply only where neither the data source nor the connection string names one.
TEST(DataSourceTimeouts, TheDataSourcesValuesWinOverTheDefaults)
{
    const auto server = test::mariaDbFromEnv();
    QAR_SKIP_UNLESS(server, "no MariaDB server configured");
    const std::string connect = registerDataSource(*server, "QarTestShortRead", {{"READ_TIMEOUT", "1"}});
    CXDatabase db;
    db.Open(connect);
    EXPECT_EQ(db.readTimeout(), 1u);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(db.ExecuteSQL("SELECT SLEEP(3)"), OdbcError);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2500ms);
    EXPECT_EQ(db.lastNoAnswerSeconds(), 1u) << "a read that timed out is told from a lost connection";

    db.Open(connect + ";READ_TIMEOUT=4");
    EXPECT_EQ(db.readTimeout(), 4u);
    db.Open(registerDataSource(*server, "QarTestDefaults", {}));
    EXPECT_EQ(db.readTimeout(), CXDatabase::kTransferTimeoutSeconds);
    db.ExecuteSQL("SELECT SLEEP(1)");
    EXPECT_EQ(db.lastNoAnswerSeconds(), 0u);
}

// The server commits; its reply to COMMIT is held past the read timeout. The tool must not say that
// nothing was kept: the row is there.
TEST(CommitOutcome, AReplyThatNeverComesIsUnconfirmedNotRefused)
{
    const auto server = test::mariaDbFromEnv();
    QAR_SKIP_UNLESS(server, "no MariaDB server configured");
    test::OdbcTestDb db(test::DbKind::MariaDb);
    test::CommitHoldProxy proxy(server->port);
    CXDatabase connection;
    connection.Open(db.connectString() + ";SERVER=127.0.0.1;PORT=" + std::to_string(proxy.port()) + ";READ_TIMEOUT=1");
    connection.beginTransaction();
    connection.ExecuteSQL("INSERT INTO UnitTable (UNIT_ID) VALUES (42)");
    proxy.holdCommitReplies(3s);
    try {
        connection.commit();
        ADD_FAILURE() << "the commit's reply was held back";
    } catch (const DbError& e) {
        const WriteFailure failure = DescribeWriteFailure(e, &connection);
        EXPECT_TRUE(failure.unconfirmed) << e.what();
        EXPECT_EQ(failure.noAnswerSeconds, 1u);
        EXPECT_NE(WriteFailureLogText("An import", failure).find("may or may not have been saved"), std::string::npos);
    }
    EXPECT_EQ(proxy.commitsSeen(), 1);
    EXPECT_FALSE(connection.inTransaction());
    EXPECT_EQ(db.count("[UnitTable] WHERE [UNIT_ID] = 42"), 1);
}

// Two transactions that each hold a row the other wants: the server refuses one of them with 1213, as a
// cluster refuses a write that another node's commit beat. The refusal is told apart from other errors.
TEST(CommitOutcome, ARefusalForRowsChangedElsewhereIsAConflictWithNothingKept)
{
    const auto server = test::mariaDbFromEnv();
    QAR_SKIP_UNLESS(server, "no MariaDB server configured");
    test::OdbcTestDb db(test::DbKind::MariaDb);
    db.exec("INSERT INTO [UnitTable] ([UNIT_ID]) VALUES (1), (2)");
    CXDatabase first;
    CXDatabase second;
    first.Open(db.connectString());
    second.Open(db.connectString());
    first.beginTransaction();
    second.beginTransaction();
    first.ExecuteSQL("UPDATE UnitTable SET UNIT_NAME = 'first' WHERE UNIT_ID = 1");
    second.ExecuteSQL("UPDATE UnitTable SET UNIT_NAME = 'second' WHERE UNIT_ID = 2");
    // Whichever the server picks as the victim gets 1213 and loses all it wrote; the other goes on.
    std::optional<WriteFailure> refused;
    const auto update = [&refused](CXDatabase& connection, const char* sql) {
        try {
            connection.ExecuteSQL(sql);
        } catch (const DbError& e) {
            refused = DescribeWriteFailure(e, &connection);
            connection.rollback();
        }
    };
    std::thread waiting([&] { update(first, "UPDATE UnitTable SET UNIT_NAME = 'first' WHERE UNIT_ID = 2"); });
    std::this_thread::sleep_for(300ms);
    update(second, "UPDATE UnitTable SET UNIT_NAME = 'second' WHERE UNIT_ID = 1");
    waiting.join();
    ASSERT_TRUE(refused) << "one of the two closes the circle and is refused";
    EXPECT_TRUE(refused->conflict) << refused->cause;
    EXPECT_FALSE(refused->unconfirmed);
    EXPECT_NE(WriteFailureLogText("A change", *refused).find("another node"), std::string::npos);
    for (CXDatabase* connection : {&first, &second}) {
        if (connection->inTransaction()) {
            connection->commit();
        }
    }
    EXPECT_EQ(db.count("[UnitTable] WHERE [UNIT_NAME] IS NOT NULL"), 2)
        << "the winner's two rows, nothing of the loser";
}

} // namespace
} // namespace qar
