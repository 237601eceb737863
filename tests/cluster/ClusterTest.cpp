#include "OrgDbTest.h"
#include "db/CDatabaseSession.h"
#include "db/ChangeLog.h"
#include "db/OdbcError.h"
#include "platform/Progress.h"
#include "resources/StringIds.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <variant>

namespace qar
{
namespace
{

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::string env(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::vector<int> nodePorts()
{
    std::vector<int> ports;
    std::istringstream list(env("QAR_TEST_GALERA_PORTS"));
    for (std::string port; std::getline(list, port, ',');) {
        ports.push_back(std::atoi(port.c_str()));
    }
    return ports;
}

// The tool's own write path on node 1 (the fixture's data source, pointed there) against the other
// nodes, each read through a connection of its own.
class ClusterTest : public test::OrgDbTest
{
protected:
    static void SetUpTestSuite()
    {
        const std::vector<int> ports = nodePorts();
        if (ports.size() != 3) {
            return;
        }
        // Before the first ODBC call: the fixture's data sources then lead to node 1.
        ::setenv("QAR_TEST_MARIADB_HOST", "127.0.0.1", 1);
        ::setenv("QAR_TEST_MARIADB_PORT", std::to_string(ports[0]).c_str(), 1);
        ::setenv("QAR_TEST_MARIADB_USER", env("QAR_TEST_GALERA_USER").c_str(), 1);
        ::setenv("QAR_TEST_MARIADB_PASSWORD", env("QAR_TEST_GALERA_PASSWORD").c_str(), 1);
    }

    void SetUp() override
    {
        if (nodePorts().size() != 3) {
            if (env("QAR_REQUIRE_GALERA") == "1") {
                FAIL() << "QAR_REQUIRE_GALERA=1 but no cluster (scripts/galera start; source build/galera/env)";
            }
            GTEST_SKIP() << "no Galera cluster (QAR_TEST_GALERA_PORTS)";
        }
        test::OrgDbTest::SetUp();
    }

    /// The test's database on node `n` (1..3), as the tool connects to it.
    std::string onNode(int n)
    {
        return db().connectString() + ";SERVER=127.0.0.1;PORT=" + std::to_string(nodePorts().at(n - 1));
    }
    /// The same rows on every node, read after each has applied what the cluster committed.
    void expectSameOnEveryNode(const std::string& sql)
    {
        CXDatabase node1;
        node1.Open(onNode(1));
        const test::Rows expected = test::query(node1, sql);
        for (int n = 2; n <= 3; ++n) {
            CXDatabase node;
            node.Open(onNode(n));
            EXPECT_EQ(test::query(node, sql), expected) << "node " << n << ": " << sql;
        }
    }
    void seedUnits()
    {
        db().exec("INSERT INTO [UnitTable] ([UNIT_ID], [UNIT_NAME], [SUPER_ID], [TREE_CLASS], [UNIT_STATUS], "
                  "[CAN_LOG], [GROUP_ID], [UNIT_FLAG]) VALUES (100, 'Top', 0, 1, 1, 0, 1, 0), "
                  "(101, 'Sales', 100, 2, 1, 0, 1, 0)");
        db().exec("INSERT INTO [BaseTable] ([USER_ID], [NAME], [UNIT_ID], [USER_STATUS], [POWER_FLAG], [GROUP_ID]) "
                  "VALUES (10001, 'Wang', 101, 1, 0, 1), (10002, 'Li', 101, 1, 0, 1)");
        openAndBuild();
    }
    /// Saves unit `id` with the new code `newId` through the unit form, as the administrator does.
    OrgMessage changeCode(std::int32_t id, std::int32_t newId)
    {
        m_model.select(m_model.index().unitNodes.at(id));
        auto start = m_model.startEditUnit();
        auto& session = std::get<UnitEditSession>(start);
        session.fields.codeText = std::to_string(newId);
        const auto valid = session.form.validate(session.fields);
        return m_model.finishEditUnit(session, std::get<ValidUnit>(valid));
    }
    static long long countOn(CXDatabase& node, const std::string& fromWhere)
    {
        return std::stoll(test::query(node, "SELECT COUNT(*) FROM " + fromWhere).at(0).at(0).value_or("0"));
    }
};

INSTANTIATE_TEST_SUITE_P(Galera, ClusterTest, ::testing::Values(test::DbKind::MariaDb), test::DbKindName());

// A cluster that requires primary keys accepts the schema: the fixture made it on node 1 under that rule.
TEST_P(ClusterTest, TheSchemaIsAcceptedWhereEveryTableNeedsAPrimaryKey)
{
    CXDatabase admin;
    admin.Open(onNode(1));
    admin.ExecuteSQL("SET GLOBAL wsrep_mode = 'REQUIRED_PRIMARY_KEY'");
    test::OdbcTestDb again(test::DbKind::MariaDb);
    EXPECT_THROW(admin.ExecuteSQL("CREATE TABLE Unkeyed (a INT) ENGINE=InnoDB"), OdbcError) << "the rule holds";
    admin.ExecuteSQL("SET GLOBAL wsrep_mode = ''");
    expectSameOnEveryNode("SELECT COUNT(*) FROM information_schema.STATISTICS WHERE TABLE_SCHEMA = DATABASE() AND "
                          "INDEX_NAME = 'PRIMARY'");
}

// A unit code change through node 1 carries its users and writes its change rows; every node has all of
// it, read right after the commit.
TEST_P(ClusterTest, TheToolsWritesThroughOneNodeLandOnAllThree)
{
    seedUnits();
    EXPECT_FALSE(changeCode(101, 105));
    CXDatabase node3;
    node3.Open(onNode(3));
    EXPECT_EQ(test::query(node3, "SELECT @@SESSION.wsrep_sync_wait"), test::rows({{"1"}}));
    EXPECT_EQ(countOn(node3, "BaseTable WHERE UNIT_ID = 105"), 2) << "read at once on another node";
    expectSameOnEveryNode("SELECT UNIT_ID, SUPER_ID, UNIT_NAME FROM UnitTable ORDER BY UNIT_ID");
    expectSameOnEveryNode("SELECT USER_ID, UNIT_ID FROM BaseTable ORDER BY USER_ID");
    expectSameOnEveryNode("SELECT REC_ID, Table_Name, Key_Value, Change_Act FROM ChangeTable ORDER BY REC_ID");
}

// Node 2 commits an update of the unit while the tool's code change of the same unit is on its way on
// node 1: the cluster refuses the later commit, the tool says 253 with the reason, and every node holds
// node 2's change and nothing of the tool's.
TEST_P(ClusterTest, AWriteRacingAnotherNodesUpdateFailsWholeEverywhere)
{
    seedUnits();
    // The first step done is the unit's own row, written on node 1 but not yet committed.
    struct RaceOnFirstStep : IProgress
    {
        std::function<void()> race;
        void report(std::size_t done, std::size_t) override
        {
            if (done > 0 && race) {
                std::exchange(race, nullptr)();
            }
        }
    } progress;
    progress.race = [this] {
        CXDatabase node2;
        node2.Open(onNode(2));
        // The other program's UPDATE, too, waits until node 2 has the rows the test put in through node 1.
        node2.ExecuteSQL("SET SESSION wsrep_sync_wait = 3");
        node2.ExecuteSQL("UPDATE UnitTable SET UNIT_NAME = 'Theirs' WHERE UNIT_ID = 101");
    };
    m_model.setProgress(&progress);
    const OrgMessage message = changeCode(101, 106);
    m_model.setProgress(nullptr);
    EXPECT_EQ(message.messageId, str::kOperationFailed);
    EXPECT_TRUE(message.failure.conflict) << message.failure.cause;
    expectSameOnEveryNode("SELECT UNIT_ID, UNIT_NAME FROM UnitTable ORDER BY UNIT_ID");
    expectSameOnEveryNode("SELECT USER_ID, UNIT_ID FROM BaseTable ORDER BY USER_ID");
    CXDatabase node3;
    node3.Open(onNode(3));
    EXPECT_EQ(countOn(node3, "UnitTable WHERE UNIT_ID = 101 AND UNIT_NAME = 'Theirs'"), 1);
    EXPECT_EQ(countOn(node3, "BaseTable WHERE UNIT_ID = 101"), 2);
    EXPECT_EQ(countOn(node3, "ChangeTable"), 0);
}

// Node 1 dies; the data source's host list takes the next read to node 2. Runs last: node 1 stays down
// until scripts/galera start brings it back.
TEST_P(ClusterTest, ZzWithNodeOneKilledTheNextReadGoesToNodeTwoThroughTheHostList)
{
    seedUnits();
    const std::vector<int> ports = nodePorts();
    std::string hosts;
    for (int port : ports) {
        hosts += (hosts.empty() ? "" : ",") + std::string("127.0.0.1:") + std::to_string(port);
    }
    CDatabaseSession session(db().connectString() + ";SERVER=" + hosts);
    ASSERT_TRUE(session.OpenDatabase()) << session.lastError();
    std::ifstream pidFile(env("QAR_TEST_GALERA_DIR") + "/node1/mysqld.pid");
    pid_t pid = 0;
    pidFile >> pid;
    ASSERT_GT(pid, 0);
    ASSERT_EQ(::kill(pid, SIGKILL), 0);
    for (int i = 0; i < 50 && ::kill(pid, 0) == 0; ++i) {
        std::this_thread::sleep_for(100ms);
    }
    const auto start = Clock::now();
    ASSERT_TRUE(session.RefreshConnection()) << session.lastError();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::cout << "read again through the host list after node 1 died: " << seconds << " s\n";
    EXPECT_LT(seconds, 10.0) << "a read waits until the cluster has evicted the dead node";
    EXPECT_EQ(session.tableUnit().GetRecordCount(), 2);
}

} // namespace
} // namespace qar
