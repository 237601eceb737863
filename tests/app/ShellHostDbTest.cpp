#include "OdbcTestDb.h"
#include "app/DatabaseShellHost.h"

#include <gtest/gtest.h>

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

} // namespace
} // namespace qar
