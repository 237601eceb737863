#include "OdbcTestDb.h"
#include "PrivateMariaDb.h"
#include "app/DatabaseShellHost.h"
#include "platform/DiagnosticLog.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

namespace qar
{
namespace
{

class ShellHostDbTest : public test::DbTest
{};

TEST_P(ShellHostDbTest, GroupUserLimitScansTheGroupsAsTheyWereOpened)
{
    DatabaseShellHost host(false);
    ASSERT_TRUE(host.openDatabase()) << host.session().lastError();
    EXPECT_EQ(host.groupUserLimit(0), 0); // an empty table gives no limit
    db().exec("INSERT INTO [GroupTable] ([GROUP_ID], [GROUP_COUNT]) VALUES (1, 500)");
    db().exec("INSERT INTO [GroupTable] ([GROUP_ID], [GROUP_COUNT]) VALUES (2, 20)");
    host.refreshConnection();
    EXPECT_EQ(host.groupUserLimit(2), 20);
    EXPECT_EQ(host.groupUserLimit(1), 500);
    EXPECT_EQ(host.groupUserLimit(9), 0);

    // An open record object is used without reopening it: a group added meanwhile is not seen until the
    // timer's refresh.
    db().exec("INSERT INTO [GroupTable] ([GROUP_ID], [GROUP_COUNT]) VALUES (3, 30)");
    EXPECT_EQ(host.groupUserLimit(3), 0);
    host.refreshConnection();
    EXPECT_EQ(host.groupUserLimit(3), 30);

    // A closed object is opened first.
    db().exec("UPDATE [GroupTable] SET [GROUP_COUNT] = 31 WHERE [GROUP_ID] = 3");
    host.session().tableGroup().Close();
    EXPECT_EQ(host.groupUserLimit(3), 31);
    host.closeDatabase();
    EXPECT_FALSE(host.session().database().IsOpen());
}

QAR_DB_TEST_ON_BOTH_ENGINES(ShellHostDbTest);

// A wrong password, a closed port, an unknown data source and a frozen server all end in "Unable to open
// DB!"; the log says which, with the driver's SQLSTATE, native code and message, and never the password.
TEST(ShellHostLog, SaysWhyTheDatabaseCouldNotBeOpenedWithoutThePassword)
{
    test::ensureOdbcDataSources();
    test::TempDir dir;
    test::ScopedEnv programEnv("QAR_PROGRAM_DIR", dir.file("program").c_str());
    test::ScopedEnv stateEnv("XDG_STATE_HOME", dir.file("state").c_str());
    const char* password = "Sesame-4711";
    const struct
    {
        const char* dsn;
        const char* uid;
        const char* expected;
    } cases[] = {
        {"QarNoSuchSource", "qar", "[IM002] (0)"},
        {test::kClosedPortDsn, "qar", "(2002)"},
        {test::kMariaDbDsn, std::getenv("QAR_TEST_MARIADB_USER"), "[28000] (1045)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dsn);
        if (c.uid == nullptr) {
            continue; // no throwaway server configured: the closed port and the frozen server remain
        }
        test::writeFile(dir.file("program/UserData/config/DB.dat"),
                        std::string("[ODBC]\nDSN=") + c.dsn + "\nUID=" + c.uid + "\nPWD=" + password + "\n");
        DatabaseShellHost host(false);
        EXPECT_FALSE(host.openDatabase());
        EXPECT_NE(host.connectionFailure().find(c.expected), std::string::npos) << host.connectionFailure();
        const std::string logged = test::readFile(DiagnosticLogPath());
        EXPECT_NE(logged.find(c.expected), std::string::npos) << logged;
        EXPECT_EQ(logged.find(password), std::string::npos);
    }
    EXPECT_EQ(DiagnosticLogPath(), dir.file("state/qar/qaradmin.log"));

    QAR_REQUIRE_PRIVATE_MARIADB();
    test::PrivateMariaDb server;
    ASSERT_NO_FATAL_FAILURE(server.start());
    server.createDatabase();
    test::writeFile(dir.file("program/UserData/config/DB.dat"),
                    std::string("[ODBC]\nDSN=") + test::kPrivateServerDsn + "\nUID=qar\nPWD=" + password + "\n");
    CXDatabase::setTimeoutsForTesting(2, 2);
    ::kill(server.pid(), SIGSTOP);
    DatabaseShellHost host(false);
    EXPECT_FALSE(host.openDatabase());
    ::kill(server.pid(), SIGCONT);
    CXDatabase::setTimeoutsForTesting(CXDatabase::kLoginTimeoutSeconds, CXDatabase::kTransferTimeoutSeconds);
    EXPECT_NE(host.connectionFailure().find("(2013)"), std::string::npos) << host.connectionFailure();
}

} // namespace
} // namespace qar
