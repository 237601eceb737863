#include "CommitHoldProxy.h"
#include "OrgDbTest.h"
#include "db/ChangeLog.h"
#include "resources/StringIds.h"

#include <gtest/gtest.h>

#include <variant>

namespace qar
{
namespace
{

using test::rows;

class UnitUserDbTest : public test::OrgDbTest
{
protected:
    /// The units and users tables hold only these unit rows {id, parent, level[, group]} and user rows
    /// {id, unit[, group]}, all enabled.
    void seed(std::initializer_list<std::vector<int>> units, std::initializer_list<std::vector<int>> users = {})
    {
        db().exec("DELETE FROM [UnitTable]");
        db().exec("DELETE FROM [BaseTable]");
        const auto n = [](int v) { return std::to_string(v); };
        for (const auto& u : units) {
            db().exec("INSERT INTO [UnitTable] ([UNIT_ID], [UNIT_NAME], [SUPER_ID], [TREE_CLASS], [UNIT_STATUS], "
                      "[CAN_LOG], [OL_TIME], [UNIT_ALIAS], [LOG_PWD], [GROUP_ID], [UNIT_FLAG]) VALUES (" +
                      n(u[0]) + ", 'd" + n(u[0]) + "', " + n(u[1]) + ", " + n(u[2]) + ", 1, 0, 0, '', '', " +
                      n(u.size() > 3 ? u[3] : 1) + ", 0)");
        }
        for (const auto& u : users) {
            db().exec("INSERT INTO [BaseTable] ([USER_ID], [NAME], [UNIT_ID], [USER_STATUS], [POWER_FLAG], "
                      "[GROUP_ID]) VALUES (" +
                      n(u[0]) + ", 'u" + n(u[0]) + "', " + n(u[1]) + ", 1, 0, " + n(u.size() > 2 ? u[2] : 1) + ")");
        }
        openAndBuild();
    }
    test::Rows query(const std::string& sql) { return db().query(sql); }
    OrgTree::NodeId unitNode(std::int32_t id) const { return m_model.index().unitNodes.at(id); }
    /// Selects `node` and opens the unit form on it: the edit form, or the add form.
    UnitEditSession open(OrgTree::NodeId node, bool edit = true)
    {
        m_model.select(node);
        auto start = edit ? m_model.startEditUnit() : m_model.startAddUnit();
        EXPECT_TRUE(std::holds_alternative<UnitEditSession>(start));
        return std::get<UnitEditSession>(std::move(start));
    }
    static std::variant<FormError, ValidUnit> submit(UnitEditSession& session,
                                                     const std::function<void(UnitForm&)>& fill)
    {
        fill(session.fields);
        return session.form.validate(session.fields);
    }
    /// Edits the unit of `id` through the form and saves it; returns the message shown.
    OrgMessage edit(std::int32_t id, const std::function<void(UnitEditSession&, UnitForm&)>& fill)
    {
        UnitEditSession session = open(unitNode(id));
        const auto valid = submit(session, [&](UnitForm& f) { fill(session, f); });
        EXPECT_TRUE(std::holds_alternative<ValidUnit>(valid));
        return m_model.finishEditUnit(session, std::get<ValidUnit>(valid));
    }
};

TEST_P(UnitUserDbTest, BuildsTheTreeFromBadRowsWithoutLooping)
{
    // 102/103 a cycle, user 30000 below one of them; the other bad rows are the tree builder's tests.
    seed({{100, 0, 1}, {102, 103, 2}, {103, 102, 2}, {106, 100, 2, 2}, {200, 0, 1, 2}},
         {{10001, 100}, {30000, 102}, {10002, 106, 2}, {10003, 200, 2}});
    const OrgTree& t = m_model.tree();
    EXPECT_EQ(t.size(), 2u + 3u + 3u);
    EXPECT_EQ(t.parent(unitNode(106)), unitNode(100));
    EXPECT_EQ(m_model.index().nextUserId, 30001);
    EXPECT_EQ(m_model.index().groupUserCount.at(2), 2);

    // A group manager of group 2 sees only its own units and users; group 1's top unit hides group 2's
    // unit below it, and the unlisted users still raise the next user id.
    openAndBuild({false, 2});
    EXPECT_EQ(m_model.tree().size(), 2u + 1u + 1u);
    EXPECT_EQ(m_model.index().unitNodes.count(106), 0u);
    EXPECT_EQ(m_model.tree().parent(unitNode(200)), m_model.index().groupNodes.at(2));
    EXPECT_EQ(m_model.index().allUserIds, std::vector<std::int32_t>{10003});
    EXPECT_EQ(m_model.index().nextUserId, 30001);
}

TEST_P(UnitUserDbTest, AddsAUnitUnderAUserNodeAsTheUsersSibling)
{
    seed({{100, 0, 1}, {110, 100, 2}}, {{10001, 110}});
    UnitEditSession session = open(m_model.tree().firstChild(unitNode(110)), false);
    EXPECT_EQ(session.fields.codeText, "111");
    const auto valid = submit(session, [](UnitForm& f) { f.department = "Research"; });
    ASSERT_TRUE(std::holds_alternative<ValidUnit>(valid));
    EXPECT_FALSE(m_model.finishAddUnit(session, std::get<ValidUnit>(valid)));

    EXPECT_EQ(query("SELECT [UNIT_NAME], [SUPER_ID], [TREE_CLASS], [GROUP_ID], [OL_TIME], [UNIT_STATUS] FROM "
                    "[UnitTable] WHERE [UNIT_ID] = 111"),
              rows({{"Research", "110", "3", "1", "0", "1"}}));
    EXPECT_EQ(m_events, (std::vector<std::string>{"units", "buttons"}));
    EXPECT_EQ(db().changeRows(), rows({{"0", "UnitTable", "UNIT_ID", "111", "0"}}));
    const OrgTree::NodeId added = m_model.selected();
    EXPECT_EQ(m_model.tree().parent(added), unitNode(110));
    EXPECT_EQ(m_model.tree().text(added), "Unit:Research [ID:111]  [Status]Enabled [Public Account]None [Alias](Null)");
    EXPECT_TRUE(m_model.unitsChanged());

    // Adding on a group node proposes that group. The form's checks against the stored codes are the unit
    // form's and the page's tests.
    const UnitEditSession onGroup = open(m_model.index().groupNodes.at(2), false);
    EXPECT_EQ(onGroup.form.groupEntries()[static_cast<std::size_t>(onGroup.fields.groupIndex)].data, 2);
    EXPECT_EQ(onGroup.fields.codeText, "112");
}

// Another program takes the code between the form's check and OK, for a new unit and for a unit given a new
// code: the write fails (253), that program's row stays alone with the code, and nothing of ours is left.
TEST_P(UnitUserDbTest, ACodeTakenMeanwhileFailsTheAddAndTheCodeChange)
{
    for (const bool add : {true, false}) {
        SCOPED_TRACE(add ? "add" : "code change");
        seed({{100, 0, 1}, {101, 100, 2}});
        m_events.clear();
        UnitEditSession session = open(unitNode(101), !add);
        const auto valid = submit(session, [](UnitForm& f) {
            f.codeText = "150";
            f.department = "Research";
        });
        ASSERT_TRUE(std::holds_alternative<ValidUnit>(valid));
        db().exec("INSERT INTO [UnitTable] ([UNIT_ID], [UNIT_NAME], [SUPER_ID], [GROUP_ID]) VALUES (150, 'x', 0, 1)");
        const ValidUnit& unit = std::get<ValidUnit>(valid);
        EXPECT_EQ((add ? m_model.finishAddUnit(session, unit) : m_model.finishEditUnit(session, unit)).messageId, 253);
        EXPECT_EQ(query("SELECT [UNIT_ID], [UNIT_NAME] FROM [UnitTable] ORDER BY [UNIT_ID]"),
                  rows({{"100", "d100"}, {"101", "d101"}, {"150", "x"}}));
        EXPECT_FALSE(m_model.tree().hasChildren(unitNode(101)));
        EXPECT_TRUE(m_events.empty());
    }
    EXPECT_TRUE(db().changeRows().empty());
}

TEST_P(UnitUserDbTest, MovingAUnitDeeperShiftsItsWholeSubtree)
{
    seed({{100, 0, 1}, {110, 0, 1}, {111, 110, 2}, {112, 111, 3}}, {{10001, 112}});
    EXPECT_FALSE(edit(110, [](UnitEditSession& s, UnitForm& f) {
        EXPECT_EQ(s.form.descendants(), (std::vector<std::int32_t>{111, 112}));
        EXPECT_EQ(s.userIds, std::vector<std::int32_t>{10001});
        f.parentIndex = 1; // (1) {1} d100 [ID:100]
        s.form.parentSelectionChanged(f);
    }));
    EXPECT_EQ(query("SELECT [UNIT_ID], [SUPER_ID], [TREE_CLASS] FROM [UnitTable] ORDER BY [UNIT_ID]"),
              rows({{"100", "0", "1"}, {"110", "100", "2"}, {"111", "110", "3"}, {"112", "111", "4"}}));
    EXPECT_EQ(db().changeRows(), rows({{"0", "UnitTable", "UNIT_ID", "110", "2"}}));
    // The parent changed: the tree was built again with the subtree below its new parent.
    EXPECT_EQ(m_model.tree().parent(unitNode(110)), unitNode(100));
    EXPECT_EQ(m_model.tree().parent(m_model.tree().firstChild(unitNode(112))), unitNode(112));
}

TEST_P(UnitUserDbTest, ANewCodeRepointsChildUnitsAndUsersWithTheirChangeRows)
{
    seed({{100, 0, 1}, {101, 100, 2}, {102, 0, 1}}, {{10001, 100}, {10002, 101}, {10003, 100}, {10004, 102}});
    EXPECT_FALSE(edit(100, [](UnitEditSession&, UnitForm& f) { f.codeText = "150"; }));
    EXPECT_EQ(query("SELECT [UNIT_ID], [SUPER_ID], [TREE_CLASS] FROM [UnitTable] ORDER BY [UNIT_ID]"),
              rows({{"101", "150", "2"}, {"102", "0", "1"}, {"150", "0", "1"}}));
    EXPECT_EQ(query("SELECT [USER_ID], [UNIT_ID] FROM [BaseTable] ORDER BY [USER_ID]"),
              rows({{"10001", "150"}, {"10002", "101"}, {"10003", "150"}, {"10004", "102"}}));
    EXPECT_EQ(db().changeRows(), rows({{"0", "UnitTable", "UNIT_ID", "100", "1"},
                                       {"1", "UnitTable", "UNIT_ID", "150", "0"},
                                       {"2", "UnitTable", "UNIT_ID", "101", "2"},
                                       {"3", "BASE_USERS", "USER_ID", "10001", "2"},
                                       {"4", "BASE_USERS", "USER_ID", "10003", "2"}}));
    EXPECT_EQ(m_events, (std::vector<std::string>{"units", "buttons"}));
    // Same parent: the node stays, shows the new code and is found under it.
    EXPECT_EQ(m_model.tree().itemData(unitNode(150)), 150);
    EXPECT_EQ(m_model.index().unitNodes.count(100), 0u);
    EXPECT_EQ(m_model.selected(), unitNode(150));
    EXPECT_EQ(DescribeChange(m_model.takeReport()), (std::vector<StatusPart>{{str::kStatusUnitSavedAs, {100, 150}},
                                                                             {str::kStatusChildUnitRepointed, {1}},
                                                                             {str::kStatusUsersRepointed, {2}}}));
}

TEST_P(UnitUserDbTest, AnotherGroupCarriesTheSubtreeAndItsUsersWithoutTheirChangeRows)
{
    seed({{100, 0, 1}, {101, 100, 2}}, {{10001, 101}, {10002, 100}});
    EXPECT_FALSE(edit(100, [](UnitEditSession&, UnitForm& f) { f.groupIndex = 1; }));
    EXPECT_EQ(query("SELECT [UNIT_ID], [GROUP_ID] FROM [UnitTable] ORDER BY [UNIT_ID]"),
              rows({{"100", "2"}, {"101", "2"}}));
    EXPECT_EQ(query("SELECT [USER_ID], [GROUP_ID] FROM [BaseTable] ORDER BY [USER_ID]"),
              rows({{"10001", "2"}, {"10002", "2"}}));
    EXPECT_EQ(db().changeRows(), rows({{"0", "UnitTable", "UNIT_ID", "100", "2"}}));
    EXPECT_EQ(m_events, (std::vector<std::string>{"groups", "buttons", "units", "buttons"}));
    // Shown under its new group at once, its subtree with it, and still selected.
    EXPECT_EQ(m_model.tree().parent(unitNode(100)), m_model.index().groupNodes.at(2));
    EXPECT_EQ(m_model.tree().parent(unitNode(101)), unitNode(100));
    EXPECT_EQ(m_model.selected(), unitNode(100));
    EXPECT_EQ(m_model.index().groupUserCount.at(2), 2);
    EXPECT_EQ(DescribeChange(m_model.takeReport()), (std::vector<StatusPart>{{str::kStatusUnitSaved, {100}},
                                                                             {str::kStatusSubUnitMoved, {1}},
                                                                             {str::kStatusUsersRegrouped, {2, 2}}}));
}

TEST_P(UnitUserDbTest, DeleteRefusesNodesWithChildrenAndLogsTheDeletedRows)
{
    seed({{100, 0, 1}, {101, 100, 2}}, {{10001, 101}});
    int asked = 0;
    const auto ok = [&](int id) {
        asked = id;
        return true;
    };
    m_model.select(unitNode(100));
    EXPECT_EQ(m_model.deleteSelected(ok).messageId, 166);
    m_model.select(m_model.index().groupNodes.at(1));
    EXPECT_EQ(m_model.deleteSelected(ok).messageId, 224);
    EXPECT_EQ(asked, 0);

    m_model.select(m_model.tree().firstChild(unitNode(101)));
    EXPECT_FALSE(m_model.deleteSelected(ok));
    EXPECT_EQ(asked, 167);
    EXPECT_EQ(m_model.changedUsers(), std::vector<std::int32_t>{10001});
    EXPECT_EQ(m_model.selected(), unitNode(101)); // rebuilt without the user: its unit takes the selection
    EXPECT_FALSE(m_model.deleteSelected(ok));
    EXPECT_EQ(m_model.selected(), unitNode(100));
    EXPECT_EQ(db().count("[UnitTable]"), 1);
    EXPECT_EQ(db().count("[BaseTable]"), 0);
    EXPECT_EQ(db().changeRows(),
              rows({{"0", "BASE_USERS", "USER_ID", "10001", "1"}, {"1", "UnitTable", "UNIT_ID", "101", "1"}}));
    EXPECT_EQ(m_events, (std::vector<std::string>{"users", "buttons", "units", "buttons"}));
    EXPECT_FALSE(m_model.tree().hasChildren(unitNode(100)));
}

// Unit 100 gets code 150, group 2 and an attribute, its children stored before it, while another program
// writes (with and without a timer tick reading the table again before OK). A row it changed, the unit's
// or a child's, is a failed write (253), never overwritten with the form's; the unit deleted ends the edit
// quietly. Either way nothing of the edit stays (not even a child written before the unit was found gone)
// and the tree is read again. A child deleted is passed over; the users of the old code follow in one
// statement that writes only their unit, so a user renamed meanwhile keeps the name, and one added follows.
TEST_P(UnitUserDbTest, AnEditOfARowChangedOrDeletedMeanwhileWritesNothingAndReadsTheTreeAgain)
{
    const test::Rows before = rows({{"100", "0", "1", "0"}, {"101", "100", "1", "0"}, {"102", "101", "1", "0"}});
    const test::Rows after = rows({{"101", "150", "2", "0"}, {"102", "101", "2", "0"}, {"150", "0", "2", "64"}});
    const test::Rows usersBefore = rows({{"10001", "100", "1"}, {"10002", "101", "1"}});
    const test::Rows usersAfter = rows({{"10001", "150", "2"}, {"10002", "101", "2"}});
    const char* renamed = "UPDATE [UnitTable] SET [UNIT_NAME] = 'Theirs' WHERE [UNIT_ID] = 100";
    const char* deleted = "DELETE FROM [UnitTable] WHERE [UNIT_ID] = 100";
    const struct
    {
        const char* meanwhile;
        bool readAgain;
        int message;
        test::Rows units; // UNIT_ID, SUPER_ID, GROUP_ID, UNIT_FLAG
        test::Rows users; // USER_ID, UNIT_ID, GROUP_ID
    } cases[] = {
        {renamed, true, 253, before, usersBefore},
        {renamed, false, 253, before, usersBefore},
        {deleted, true, 0, {before[1], before[2]}, usersBefore},
        {deleted, false, 0, {before[1], before[2]}, usersBefore},
        {"UPDATE [UnitTable] SET [UNIT_NAME] = 'x' WHERE [UNIT_ID] = 102", false, 253, before, usersBefore},
        {"DELETE FROM [UnitTable] WHERE [UNIT_ID] = 102", false, 0, {after[0], after[2]}, usersAfter},
        {"UPDATE [BaseTable] SET [NAME] = 'x' WHERE [USER_ID] = 10001", false, 0, after, usersAfter},
        {"INSERT INTO [BaseTable] ([USER_ID], [NAME], [UNIT_ID], [GROUP_ID]) VALUES (10003, 'x', 100, 1)", false, 0,
         after, rows({{"10001", "150", "2"}, {"10002", "101", "2"}, {"10003", "150", "1"}})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.meanwhile) + (c.readAgain ? ", read again" : ""));
        db().exec("DELETE FROM [ChangeTable]");
        ResetChangeLogForTesting();
        seed({{101, 100, 2}, {102, 101, 3}, {100, 0, 1}}, {{10001, 100}, {10002, 101}});
        m_events.clear();
        EXPECT_EQ(edit(100,
                       [&](UnitEditSession&, UnitForm& f) {
                           db().exec(c.meanwhile);
                           if (c.readAgain) {
                               m_units.Open();
                           }
                           f.codeText = "150";
                           f.attribute = 64;
                           f.groupIndex = 1;
                       })
                      .messageId,
                  c.message);
        EXPECT_EQ(query("SELECT [UNIT_ID], [SUPER_ID], [GROUP_ID], [UNIT_FLAG] FROM [UnitTable] ORDER BY [UNIT_ID]"),
                  c.units);
        EXPECT_EQ(query("SELECT [USER_ID], [UNIT_ID], [GROUP_ID] FROM [BaseTable] ORDER BY [USER_ID]"), c.users);
        if (c.units == before || c.meanwhile == deleted) {
            EXPECT_TRUE(db().changeRows().empty());
            EXPECT_TRUE(m_events.empty());
            EXPECT_EQ(m_model.index().unitNodes.count(100), c.message != 0 ? 1u : 0u);
            EXPECT_EQ(DescribeChange(m_model.takeReport()),
                      (std::vector<StatusPart>{
                          {c.message != 0 ? str::kStatusUnitNotSaved : str::kStatusUnitAlreadyDeleted, {100}}}));
        }
        if (c.meanwhile == renamed) {
            EXPECT_EQ(m_model.tree().text(unitNode(100)).substr(0, 11), "Unit:Theirs");
        }
    }
}

// Whatever fails, the rows written before it go too: the users' statement, or the change rows after
// every data row was written.
TEST_P(UnitUserDbTest, AFailureAnywhereLeavesNothingOfTheEditAndRebuildsTheTree)
{
    for (const std::string table : {"BaseTable", "ChangeTable"}) {
        SCOPED_TRACE(table);
        seed({{100, 0, 1}, {101, 100, 2}}, {{10001, 100}});
        m_events.clear();
        EXPECT_EQ(edit(100,
                       [&](UnitEditSession&, UnitForm& f) {
                           db().exec("ALTER TABLE [" + table + "] RENAME TO [Away]");
                           f.codeText = "150";
                       })
                      .messageId,
                  253);
        EXPECT_EQ(query("SELECT [UNIT_ID], [SUPER_ID] FROM [UnitTable] ORDER BY [UNIT_ID]"),
                  rows({{"100", "0"}, {"101", "100"}}));
        EXPECT_TRUE(m_events.empty());
        EXPECT_FALSE(m_model.unitsChanged());
        EXPECT_EQ(m_model.tree().itemData(unitNode(100)), 100);
        EXPECT_EQ(m_model.tree().parent(unitNode(101)), unitNode(100));
        db().exec("ALTER TABLE [Away] RENAME TO [" + table + "]");
    }
    EXPECT_TRUE(db().changeRows().empty());
}

// 501 users: more than one statement of keys for the group, more than two of change rows. Every user
// follows the code and the group, and the change rows keep the order: the old code, the new code, then
// each user in table order.
TEST_P(UnitUserDbTest, AUnitWithManyUsersChangesCodeAndGroupInOneGo)
{
    seed({{100, 0, 1}});
    std::string values;
    for (int i = 0; i < 501; ++i) {
        values += (i == 0 ? "(" : ", (") + std::to_string(20500 - i) + ", 'u', 100, 1)";
    }
    db().exec("INSERT INTO [BaseTable] ([USER_ID], [NAME], [UNIT_ID], [GROUP_ID]) VALUES " + values);
    openAndBuild();
    EXPECT_FALSE(edit(100, [](UnitEditSession&, UnitForm& f) {
        f.codeText = "150";
        f.groupIndex = 1;
    }));
    EXPECT_EQ(db().count("[BaseTable] WHERE [UNIT_ID] = 150 AND [GROUP_ID] = 2"), 501);
    test::Rows expected = rows({{"0", "UnitTable", "UNIT_ID", "100", "1"}, {"1", "UnitTable", "UNIT_ID", "150", "0"}});
    for (int i = 0; i < 501; ++i) {
        expected.push_back({std::to_string(i + 2), "BASE_USERS", "USER_ID", std::to_string(20500 - i), "2"});
    }
    EXPECT_EQ(db().changeRows(), expected);
    // The snapshot holds what was written: a second edit of a user matches its row.
    m_users.MoveFirst();
    EXPECT_EQ(m_users.m_UNIT_ID.get(), 150);
    EXPECT_EQ(m_users.m_GROUP_ID.get(), 2);
}

// The server keeps a delete but its reply to COMMIT never comes: the page must not claim that nothing was
// kept. It says the outcome is unknown and shows the tables as they are, read again on a new connection.
TEST_P(UnitUserDbTest, ADeleteWhoseCommitIsNeverConfirmedSaysSoAndShowsWhatTheServerKept)
{
    if (GetParam() != test::DbKind::MariaDb) {
        GTEST_SKIP() << "a server's reply to hold";
    }
    seed({{100, 0, 1}, {101, 100, 2}});
    test::CommitHoldProxy proxy(test::mariaDbFromEnv()->port);
    m_connection.Open(db().connectString() + ";SERVER=127.0.0.1;PORT=" + std::to_string(proxy.port()) +
                      ";READ_TIMEOUT=1");
    m_effects.onReconnect = [this] { m_connection.Open(db().connectString()); };
    openAndBuild();
    m_model.select(unitNode(101));
    proxy.holdCommitReplies(std::chrono::seconds(3));
    const OrgMessage message = m_model.deleteSelected([](int) { return true; });
    EXPECT_EQ(message.messageId, str::kCommitUnconfirmed);
    EXPECT_TRUE(message.failure.unconfirmed);
    EXPECT_EQ(db().count("[UnitTable]"), 1);
    EXPECT_EQ(m_model.index().unitNodes.count(101), 0u);
    EXPECT_EQ(m_model.index().unitNodes.count(100), 1u) << "the tree is read again";
}

// Delete follows the same rule: a row another program changed meanwhile stays and the delete fails
// (253); one it deleted is gone quietly. No change row either way.
TEST_P(UnitUserDbTest, DeleteFailsOnAChangedRowAndEndsQuietlyOnADeletedOne)
{
    const struct
    {
        const char* meanwhile;
        bool user;
        int message;
        long long left;
    } cases[] = {
        {"UPDATE [UnitTable] SET [UNIT_NAME] = 'renamed' WHERE [UNIT_ID] = 101", false, 253, 1},
        {"DELETE FROM [UnitTable] WHERE [UNIT_ID] = 101", false, 0, 0},
        {"UPDATE [BaseTable] SET [NAME] = 'renamed' WHERE [USER_ID] = 10001", true, 253, 1},
        {"DELETE FROM [BaseTable] WHERE [USER_ID] = 10001", true, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.meanwhile);
        seed({{100, 0, 1}, {101, 100, 2}}, c.user ? std::initializer_list<std::vector<int>>{{10001, 101}}
                                                  : std::initializer_list<std::vector<int>>{});
        m_events.clear();
        const std::int32_t parent = c.user ? 101 : 100;
        m_model.select(m_model.tree().firstChild(unitNode(parent)));
        db().exec(c.meanwhile);
        EXPECT_EQ(m_model.deleteSelected([](int) { return true; }).messageId, c.message);
        EXPECT_EQ(db().count(c.user ? "[BaseTable]" : "[UnitTable] WHERE [UNIT_ID] = 101"), c.left);
        EXPECT_EQ(m_model.tree().hasChildren(unitNode(parent)), c.left == 1);
        EXPECT_TRUE(m_events.empty());
        EXPECT_TRUE(m_model.changedUsers().empty());
    }
    EXPECT_TRUE(db().changeRows().empty());
}

QAR_DB_TEST_ON_BOTH_ENGINES(UnitUserDbTest);

} // namespace
} // namespace qar
