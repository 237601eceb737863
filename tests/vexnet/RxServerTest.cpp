#include "ChildProcess.h"
#include "OdbcTestDb.h"

#include <gtest/gtest.h>

#include <thread>

namespace qar
{
namespace
{

using namespace std::chrono_literals;

// The tool writes change rows through the data source named in DB.dat; the server reports each row
// once, also a row that repeats an earlier one.
class RxServerChangeLog : public test::DbTest
{
protected:
    void insert(int recId, const std::string& table, const std::string& field, int key, int action)
    {
        db().exec("INSERT INTO [ChangeTable] ([REC_ID], [Table_Name], [Field_Name], [Key_Value], [Change_Act]) "
                  "VALUES (" +
                  std::to_string(recId) + ", '" + table + "', '" + field + "', " + std::to_string(key) + ", " +
                  std::to_string(action) + ")");
    }
};

TEST_P(RxServerChangeLog, PrintsEachChangeRowOnce)
{
    insert(0, "UnitTable", "UNIT_ID", 5, 2);
    test::RxServerProcess server(0, {"-nowindow", "-poll:100"}, {{"QAR_PROGRAM_DIR", programDir().path().string()}});
    const std::string unitRow = "change REC_ID=0 Table_Name=UnitTable Field_Name=UNIT_ID Key_Value=5 Change_Act=2 "
                                "(modified)";
    EXPECT_FALSE(server.lines("change log: connected to " + db().dsn()).empty());
    EXPECT_FALSE(server.lines(unitRow).empty());

    insert(1, "BASE_USERS", "USER_ID", 10005, 1);
    insert(0, "UnitTable", "UNIT_ID", 5, 2);
    EXPECT_FALSE(
        server.lines("change REC_ID=1 Table_Name=BASE_USERS Field_Name=USER_ID Key_Value=10005 Change_Act=1").empty());
    EXPECT_EQ(server.lines(unitRow, 2).size(), 2U);
    std::this_thread::sleep_for(300ms); // a few more polls report nothing new
    EXPECT_EQ(server.process().lines(unitRow).size(), 2U);
    EXPECT_EQ(server.process().lines("change REC_ID=").size(), 3U);
}

QAR_DB_TEST_ON_BOTH_ENGINES(RxServerChangeLog);

} // namespace
} // namespace qar
