#include "OdbcTestDb.h"
#include "PrivateMariaDb.h"
#include "db/CDatabaseSession.h"
#include "db/ChangeLog.h"
#include "db/ConnectString.h"
#include "groups/GroupPageModel.h"
#include "org/CUnitUserModel.h"

#include <gtest/gtest.h>

#include <variant>

namespace qar
{
namespace
{

// The database server restarts while the tool runs: a page's command that finds its tables closed makes
// the connection anew at once rather than waiting for the two-minute timer.
class ServerRestartTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QAR_REQUIRE_PRIVATE_MARIADB();
        test::ensureOdbcDataSources();
        ASSERT_NO_FATAL_FAILURE(m_server.start());
        m_server.createDatabase();
        exec("INSERT INTO GroupTable (GROUP_ID, GROUP_NAME) VALUES (1, 'One')");
        CXDatabase::setTimeoutsForTesting(2, 2);
        ASSERT_TRUE(m_session.OpenDatabase()) << m_session.lastError();
        m_stopped.running = false;
    }
    void TearDown() override
    {
        CXDatabase::setTimeoutsForTesting(CXDatabase::kLoginTimeoutSeconds, CXDatabase::kTransferTimeoutSeconds);
    }
    void exec(const std::string& sql)
    {
        CXDatabase admin;
        admin.Open(m_server.connect("qar"));
        admin.ExecuteSQL(sql);
    }
    /// The server goes away and comes back; the timer's tick in between found it gone.
    void restartNoticedByTheTimer()
    {
        m_server.stop();
        EXPECT_FALSE(m_session.RefreshConnection());
        ASSERT_NO_FATAL_FAILURE(m_server.start());
    }

    test::PrivateMariaDb m_server;
    test::TempDir m_programDir;
    test::ScopedEnv m_programEnv{"QAR_PROGRAM_DIR", m_programDir.path().c_str()};
    CDatabaseSession m_session{makeConnectString(test::kPrivateServerDsn, "qar", "any")};
    test::ServerState m_stopped;
    CChangeLog m_log{m_session.tableChangeTmp(), m_stopped};
    int m_reconnects = 0;
};

// "Refresh" and a command that finds the tables closed reconnect at once, and a write that found the
// connection dead reports 253 and leaves a working one for the next try.
TEST_F(ServerRestartTest, TheUnitsPageReconnectsAtOnce)
{
    exec("INSERT INTO UnitTable (UNIT_ID, UNIT_NAME, SUPER_ID, TREE_CLASS, GROUP_ID) VALUES (100, 'd', 0, 1, 1)");
    ChangeLogOrgEffects effects(m_log);
    effects.onReconnect = [&] {
        ++m_reconnects;
        m_session.RefreshConnection();
    };
    CUnitUserModel model(OrgTables{&m_session.tableGroup(), &m_session.tableUnit(), &m_session.tableUser()}, effects);
    model.buildTree();

    ASSERT_NO_FATAL_FAILURE(restartNoticedByTheTimer());
    exec("INSERT INTO UnitTable (UNIT_ID, UNIT_NAME, SUPER_ID, TREE_CLASS, GROUP_ID) VALUES (101, 'd', 0, 1, 1)");
    EXPECT_TRUE(model.refresh());
    EXPECT_EQ(model.index().unitNodes.count(101), 1u);
    EXPECT_EQ(m_reconnects, 1);

    ASSERT_NO_FATAL_FAILURE(restartNoticedByTheTimer());
    model.select(model.index().unitNodes.at(100));
    auto start = model.startEditUnit();
    ASSERT_TRUE(std::holds_alternative<UnitEditSession>(start));
    EXPECT_EQ(m_reconnects, 2);

    // A restart nobody noticed: the write finds the connection dead.
    m_server.stop();
    ASSERT_NO_FATAL_FAILURE(m_server.start());
    const auto rename = [&model](const char* name) {
        model.select(model.index().unitNodes.at(100));
        auto edit = model.startEditUnit();
        auto& form = std::get<UnitEditSession>(edit);
        form.fields.department = name;
        return model.finishEditUnit(form, std::get<ValidUnit>(form.form.validate(form.fields))).messageId;
    };
    EXPECT_EQ(rename("First try"), 253);
    EXPECT_EQ(m_reconnects, 3);
    EXPECT_EQ(rename("Second try"), 0);
    CXDatabase check;
    check.Open(m_server.connect("qar"));
    EXPECT_EQ(test::query(check, "SELECT UNIT_NAME FROM UnitTable WHERE UNIT_ID = 100"), test::rows({{"Second try"}}));
}

// The groups page the same way: Refresh reads the groups again rather than leaving the old list, Edit opens
// the editor instead of reporting the database closed, and a server still away is said, not hidden.
TEST_F(ServerRestartTest, TheGroupsPageReconnectsAtOnce)
{
    ChangeLogGroupEffects effects(m_log);
    effects.onReconnect = [&] { m_session.RefreshConnection(); };
    GroupPageModel model(&m_session.tableGroup(), effects, {&m_session.tableUnit(), &m_session.tableUser()});
    ASSERT_TRUE(model.load());

    ASSERT_NO_FATAL_FAILURE(restartNoticedByTheTimer());
    exec("INSERT INTO GroupTable (GROUP_ID, GROUP_NAME) VALUES (2, 'Two')");
    EXPECT_TRUE(model.refresh());
    EXPECT_EQ(model.rows().size(), 2u);

    ASSERT_NO_FATAL_FAILURE(restartNoticedByTheTimer());
    EXPECT_TRUE(std::holds_alternative<GroupEditSession>(model.startEdit(2)));

    m_server.stop();
    EXPECT_FALSE(model.refresh());
}

} // namespace
} // namespace qar
