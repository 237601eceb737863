#include "OdbcTestDb.h"
#include "PrivateMariaDb.h"
#include "db/CDatabaseSession.h"
#include "db/ChangeLog.h"
#include "db/ConnectString.h"
#include "org/CUnitUserModel.h"

#include <gtest/gtest.h>

#include <variant>

namespace qar
{
namespace
{

struct StoppedServer : IServerState
{
    bool IsServerRunning() const override { return false; }
};

// The database server restarts while the tool runs. "Refresh" and a command that finds the tables closed
// make the connection anew at once, and a write that found the connection dead reports 253 and leaves a
// working one for the next try, without waiting for the two-minute timer.
TEST(UnitsAcrossAServerRestart, RefreshAndCommandsReconnectAtOnce)
{
    QAR_REQUIRE_PRIVATE_MARIADB();
    test::ensureOdbcDataSources();
    test::PrivateMariaDb server;
    ASSERT_NO_FATAL_FAILURE(server.start());
    server.createDatabase();
    const auto exec = [&server](const std::string& sql) {
        CXDatabase admin;
        admin.Open(server.connect("qar"));
        admin.ExecuteSQL(sql);
    };
    exec("INSERT INTO GroupTable (GROUP_ID, GROUP_NAME) VALUES (1, 'One')");
    exec("INSERT INTO UnitTable (UNIT_ID, UNIT_NAME, SUPER_ID, TREE_CLASS, GROUP_ID) VALUES (100, 'd', 0, 1, 1)");
    test::TempDir programDir;
    test::ScopedEnv programEnv("QAR_PROGRAM_DIR", programDir.path().c_str());
    CXDatabase::setTimeoutsForTesting(2, 2);
    CDatabaseSession session(makeConnectString(test::kPrivateServerDsn, "qar", "any"));
    ASSERT_TRUE(session.OpenDatabase()) << session.lastError();
    StoppedServer stopped;
    CChangeLog log(session.tableChangeTmp(), stopped);
    ChangeLogOrgEffects effects(log);
    int reconnects = 0;
    effects.onReconnect = [&] {
        ++reconnects;
        session.RefreshConnection();
    };
    CUnitUserModel model(OrgTables{&session.tableGroup(), &session.tableUnit(), &session.tableUser()}, effects);
    model.buildTree();
    const auto restartNoticedByTheTimer = [&] {
        server.stop();
        EXPECT_FALSE(session.RefreshConnection());
        ASSERT_NO_FATAL_FAILURE(server.start());
    };

    ASSERT_NO_FATAL_FAILURE(restartNoticedByTheTimer());
    exec("INSERT INTO UnitTable (UNIT_ID, UNIT_NAME, SUPER_ID, TREE_CLASS, GROUP_ID) VALUES (101, 'd', 0, 1, 1)");
    EXPECT_TRUE(model.refresh());
    EXPECT_EQ(model.index().unitNodes.count(101), 1u);
    EXPECT_EQ(reconnects, 1);

    ASSERT_NO_FATAL_FAILURE(restartNoticedByTheTimer());
    model.select(model.index().unitNodes.at(100));
    auto start = model.startEditUnit();
    ASSERT_TRUE(std::holds_alternative<UnitEditSession>(start));
    EXPECT_EQ(reconnects, 2);

    // A restart nobody noticed: the write finds the connection dead.
    server.stop();
    ASSERT_NO_FATAL_FAILURE(server.start());
    const auto rename = [&model](const char* name) {
        model.select(model.index().unitNodes.at(100));
        auto edit = model.startEditUnit();
        auto& form = std::get<UnitEditSession>(edit);
        form.fields.department = name;
        return model.finishEditUnit(form, std::get<ValidUnit>(form.form.validate(form.fields))).messageId;
    };
    EXPECT_EQ(rename("First try"), 253);
    EXPECT_EQ(reconnects, 3);
    EXPECT_EQ(rename("Second try"), 0);
    CXDatabase check;
    check.Open(server.connect("qar"));
    EXPECT_EQ(test::query(check, "SELECT UNIT_NAME FROM UnitTable WHERE UNIT_ID = 100"), test::rows({{"Second try"}}));
    CXDatabase::setTimeoutsForTesting(CXDatabase::kLoginTimeoutSeconds, CXDatabase::kTransferTimeoutSeconds);
}

} // namespace
} // namespace qar
