#include "OdbcTestDb.h"
#include "PrivateMariaDb.h"
#include "db/CDatabaseSession.h"
#include "db/ConnectString.h"
#include "db/OdbcError.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <future>
#include <thread>
#include <unistd.h>

namespace qar
{
namespace
{

std::vector<CXRecordset*> allTables(CDatabaseSession& s)
{
    return {&s.tableUnit(), &s.tableUser(),  &s.tableApp(),      &s.tableDuty(),
            &s.tableMsg(),  &s.tableGroup(), &s.tableEnvParam(), &s.tableChangeTmp()};
}

class SessionTest : public test::DbTest
{};

TEST_P(SessionTest, OpenDatabaseOpensTheSevenDataTablesButNotTheChangeLog)
{
    db().exec("INSERT INTO [BaseTable] ([USER_ID], [NAME]) VALUES (10001, 'Wang')");
    CDatabaseSession session;
    EXPECT_EQ(session.connectString(), db().connectString());
    ASSERT_TRUE(session.OpenDatabase()) << session.lastError();
    EXPECT_TRUE(session.IsDatabaseOpened());
    for (CXRecordset* table : allTables(session)) {
        SCOPED_TRACE(table->GetRuntimeClassName());
        EXPECT_EQ(table->IsOpen(), table != &session.tableChangeTmp());
    }
    EXPECT_EQ(session.tableUser().m_NAME, "Wang");

    // The timer's refresh shows what another program wrote meanwhile and opens the change log too.
    db().exec("INSERT INTO [BaseTable] ([USER_ID], [NAME]) VALUES (10002, 'Zhao')");
    session.RefreshConnection();
    EXPECT_EQ(session.tableUser().GetRecordCount(), 2);
    EXPECT_TRUE(session.tableChangeTmp().IsOpen());

    session.CloseAll();
    for (CXRecordset* table : allTables(session)) {
        EXPECT_FALSE(table->IsOpen());
    }
    EXPECT_FALSE(session.database().IsOpen());
}

TEST_P(SessionTest, MissingTableFailsTheOpenWhileTheTablesBeforeItStayUsable)
{
    db().exec("INSERT INTO [UnitTable] ([UNIT_ID], [UNIT_NAME]) VALUES (1, 'Head office')");
    db().exec("DROP TABLE [GroupTable]");
    CDatabaseSession session;
    EXPECT_FALSE(session.OpenDatabase());
    EXPECT_FALSE(session.lastError().empty());
    EXPECT_TRUE(session.tableUnit().IsOpen());
    EXPECT_TRUE(session.tableMsg().IsOpen());
    EXPECT_FALSE(session.tableGroup().IsOpen());
    EXPECT_FALSE(session.tableEnvParam().IsOpen());

    session.RefreshConnection(); // fails on the groups again, silently
    ASSERT_TRUE(session.tableUnit().IsOpen());
    session.tableUnit().Edit();
    session.tableUnit().m_UNIT_NAME = "Headquarters";
    EXPECT_TRUE(session.tableUnit().Update());
    EXPECT_EQ(db().count("[UnitTable] WHERE [UNIT_NAME] = 'Headquarters'"), 1);
}

QAR_DB_TEST_ON_BOTH_ENGINES(SessionTest);

// The timer's refresh fails silently, within the timeouts, on a server that is connected but silent
// (stopped), and a later tick recovers. Should a wait on the stopped server have no bound, a watchdog
// resumes it after 30 s and the refresh succeeds too late. (A server gone and back is the pages' test.)
TEST(SessionRefresh, FailsSilentlyWhileTheServerIsFrozenAndRecoversWhenItResumes)
{
    QAR_REQUIRE_PRIVATE_MARIADB();
    test::ensureOdbcDataSources();
    test::PrivateMariaDb server;
    ASSERT_NO_FATAL_FAILURE(server.start());
    server.createDatabase();
    {
        CXDatabase admin;
        admin.Open(server.connect("qar"));
        admin.ExecuteSQL("INSERT INTO BaseTable (USER_ID, NAME) VALUES (10001, 'Wang')");
    }
    test::TempDir programDir;
    test::ScopedEnv programEnv("QAR_PROGRAM_DIR", programDir.path().c_str());
    CXDatabase::setTimeoutsForTesting(2, 2);
    CDatabaseSession session(makeConnectString(test::kPrivateServerDsn, "qar", "any"));
    ASSERT_TRUE(session.OpenDatabase()) << session.lastError();

    ::kill(server.pid(), SIGSTOP);
    std::promise<void> resumed;
    std::thread watchdog([pid = server.pid(), done = resumed.get_future()] {
        if (done.wait_for(std::chrono::seconds(30)) == std::future_status::timeout) {
            ::kill(pid, SIGCONT);
        }
    });
    const auto stopped = std::chrono::steady_clock::now();
    session.RefreshConnection();
    EXPECT_LT(std::chrono::steady_clock::now() - stopped, std::chrono::seconds(10));
    EXPECT_FALSE(session.tableUser().IsOpen());
    ::kill(server.pid(), SIGCONT);
    resumed.set_value();
    watchdog.join();
    session.RefreshConnection();
    for (CXRecordset* table : allTables(session)) {
        SCOPED_TRACE(table->GetRuntimeClassName());
        EXPECT_TRUE(table->IsOpen());
    }
    EXPECT_EQ(session.tableUser().m_USER_ID, 10001);
    CXDatabase::setTimeoutsForTesting(CXDatabase::kLoginTimeoutSeconds, CXDatabase::kTransferTimeoutSeconds);
}

} // namespace
} // namespace qar
