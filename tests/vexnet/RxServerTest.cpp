#include "RxServerProcess.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <thread>

namespace qar
{
namespace
{

using namespace std::chrono_literals;

int runToEnd(const std::string& program, const std::vector<std::string>& args,
             const std::map<std::string, std::string>& env = {})
{
    test::ChildProcess child(program, args, env);
    // Nothing kills it: stop(0) only reaps once it ends by itself.
    const int status = child.stop(0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(RxServer, SettingArgumentIsAcknowledgedWithoutStartingAServer)
{
    test::ChildProcess child(QAR_RXSERVER_PATH, {"-setting"});
    EXPECT_FALSE(child.waitForLine("settings requested (-setting)").empty());
    const int status = child.stop(0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(child.countLines("listening"), 0);
}

TEST(RxServer, InterruptEndsTheServerCleanly)
{
    test::RxServerProcess server;
    EXPECT_FALSE(server.waitForLine("change log: no data source").empty());
    const int status = server.process().stop(SIGINT);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

// The tool writes change rows through the SQLite data source named in DB.dat; the server reports each
// row once, also a row that repeats an earlier one.
TEST(RxServer, PrintsEachChangeRowOnce)
{
    const std::string driver = "/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so";
    if (!std::filesystem::exists(driver) || !std::filesystem::exists("/usr/bin/sqlite3")) {
        GTEST_SKIP() << "no SQLite ODBC driver or sqlite3";
    }
    test::TempDir dir;
    const std::string database = dir.file("change.db");
    auto sql = [&](const std::string& statement) { return runToEnd("/usr/bin/sqlite3", {database, statement}); };
    ASSERT_EQ(sql("CREATE TABLE \"ChangeTable\" (\"REC_ID\" INTEGER, \"Table_Name\" VARCHAR(255), "
                  "\"Field_Name\" VARCHAR(255), \"Key_Value\" INTEGER, \"Change_Act\" TINYINT);"
                  "INSERT INTO \"ChangeTable\" VALUES (0, 'UnitTable', 'UNIT_ID', 5, 2);"),
              0);
    test::writeFile(dir.file("odbc.ini"), "[QarNetChangeLog]\nDriver=" + driver + "\nDatabase=" + database + "\n");
    test::writeFile(dir.file("odbcinst.ini"), "");
    test::writeFile(dir.file("program/UserData/config/DB.dat"), "[ODBC]\nDSN=QarNetChangeLog\n");

    test::RxServerProcess server(0, {"-nowindow", "-poll:100"},
                                 {{"ODBCINI", dir.file("odbc.ini")},
                                  {"ODBCSYSINI", dir.path().string()},
                                  {"QAR_PROGRAM_DIR", dir.file("program")}});
    const std::string unitRow = "change REC_ID=0 Table_Name=UnitTable Field_Name=UNIT_ID Key_Value=5 Change_Act=2 "
                                "(modified)";
    EXPECT_FALSE(server.waitForLine("change log: connected to QarNetChangeLog").empty());
    EXPECT_FALSE(server.waitForLine(unitRow).empty());

    ASSERT_EQ(sql("INSERT INTO \"ChangeTable\" VALUES (1, 'BASE_USERS', 'USER_ID', 10005, 1);"
                  "INSERT INTO \"ChangeTable\" VALUES (0, 'UnitTable', 'UNIT_ID', 5, 2);"),
              0);
    EXPECT_FALSE(
        server.waitForLine("change REC_ID=1 Table_Name=BASE_USERS Field_Name=USER_ID Key_Value=10005 Change_Act=1")
            .empty());
    EXPECT_TRUE(server.process().waitForCount(unitRow, 2));
    std::this_thread::sleep_for(300ms); // a few more polls report nothing new
    EXPECT_EQ(server.process().countLines(unitRow), 2);
    EXPECT_EQ(server.process().countLines("change REC_ID="), 3);
}

} // namespace
} // namespace qar
