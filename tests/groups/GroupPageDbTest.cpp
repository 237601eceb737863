#include "OdbcTestDb.h"
#include "db/CXDatabase.h"
#include "db/CXTabelChangeTmp.h"
#include "db/CXTableGroup.h"
#include "db/ChangeLog.h"
#include "groups/GroupPageModel.h"
#include "resources/StringIds.h"

#include <gtest/gtest.h>

#include <variant>

namespace qar
{
namespace
{

using test::rows;

class GroupPageDbTest : public test::DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        db().exec("INSERT INTO [GroupTable] VALUES (0, 'Default', 'http://0', 0, 0, 0, 0)");
        db().exec("INSERT INTO [GroupTable] VALUES (1, 'One', 'http://1', 167772161, 0, 10, 14)");
        db().exec("INSERT INTO [GroupTable] VALUES (5, 'Five', 'http://5', 0, 0, 0, 0)");
        m_effects.onUpdateServiceButtons = [this] { ++m_buttonUpdates; };
        m_groups.Open();
        ASSERT_TRUE(m_model.load());
    }

    test::Rows groups() { return db().query("SELECT * FROM [GroupTable] ORDER BY [GROUP_ID]"); }
    GroupEditSession edit(std::int32_t id)
    {
        auto start = m_model.startEdit(id);
        EXPECT_TRUE(std::holds_alternative<GroupEditSession>(start));
        return std::get<GroupEditSession>(std::move(start));
    }
    static GroupRecord valid(const GroupEditSession& session, const GroupFields& fields)
    {
        auto result = ValidateGroupForm(session.setup, fields);
        EXPECT_TRUE(std::holds_alternative<GroupRecord>(result));
        return std::get<GroupRecord>(result);
    }
    std::vector<std::int32_t> listed() const
    {
        std::vector<std::int32_t> ids;
        for (const GroupListRow& r : m_model.rows()) {
            ids.push_back(r.id);
        }
        return ids;
    }

    CXTableGroup m_groups{&m_connection};
    CXTabelChangeTmp m_changes{&m_connection};
    test::ServerState m_server;
    CChangeLog m_log{m_changes, m_server};
    ChangeLogGroupEffects m_effects{m_log};
    int m_buttonUpdates = 0;
    GroupPageModel m_model{&m_groups, m_effects};
};

TEST_P(GroupPageDbTest, EditWithoutChangesWritesNothingAndRenumberingLogsTheNewNumber)
{
    GroupEditSession session = edit(1);
    EXPECT_EQ(session.fields.ftpIpText, "10.0.0.1");
    EXPECT_EQ(m_model.store(session, valid(session, session.fields)), GroupStore::Unchanged);
    EXPECT_TRUE(db().changeRows().empty());
    EXPECT_FALSE(m_model.groupsChanged());

    GroupFields f = session.fields;
    f.numberText = "5";
    EXPECT_TRUE(std::holds_alternative<GroupFormError>(ValidateGroupForm(session.setup, f)));
    f.numberText = "3";
    f.membersText = "65000";
    EXPECT_EQ(m_model.store(session, valid(session, f)), GroupStore::Written);
    EXPECT_EQ(groups(), rows({{"0", "Default", "http://0", "0", "0", "0", "0"},
                              {"3", "One", "http://1", "167772161", "0", "65000", "14"},
                              {"5", "Five", "http://5", "0", "0", "0", "0"}}));
    EXPECT_EQ(db().changeRows(), rows({{"0", "GroupTable", "GROUP_ID", "3", "2"}}));
    EXPECT_EQ(m_buttonUpdates, 1);
    EXPECT_EQ(listed(), (std::vector<std::int32_t>{0, 3, 5}));
}

TEST_P(GroupPageDbTest, DeleteRefusesGroupZeroAndTheLastGroupAndAsksFirst)
{
    int asked = 0;
    const auto answer = [&](bool ok) {
        return [&asked, ok](int message) {
            EXPECT_EQ(message, str::kConfirmDeleteItem);
            ++asked;
            return ok;
        };
    };
    EXPECT_EQ(m_model.deleteGroup(0, answer(true)), str::kGroupZeroReserved);
    EXPECT_EQ(m_model.deleteGroup(std::nullopt, answer(true)), 0);
    EXPECT_EQ(m_model.deleteGroup(5, answer(false)), 0);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(groups().size(), 3u);

    EXPECT_EQ(m_model.deleteGroup(5, answer(true)), 0);
    EXPECT_EQ(listed(), (std::vector<std::int32_t>{0, 1}));

    db().exec("DELETE FROM [GroupTable] WHERE [GROUP_ID] = 0");
    m_model.refresh();
    EXPECT_EQ(m_model.deleteGroup(1, answer(true)), str::kOneRecordAtLeast); // even though it is not group 0
}

TEST_P(GroupPageDbTest, ARowChangedMeanwhileIsNotOverwrittenAndADeletedOneEndsQuietly)
{
    GroupEditSession session = edit(1);
    GroupFields f = session.fields;
    f.name = "Mine";
    db().exec("UPDATE [GroupTable] SET [GROUP_NAME] = 'Theirs' WHERE [GROUP_ID] = 1");
    EXPECT_EQ(m_model.store(session, valid(session, f)), GroupStore::Failed);
    EXPECT_EQ(db().query("SELECT [GROUP_NAME] FROM [GroupTable] WHERE [GROUP_ID] = 1"), rows({{"Theirs"}}));
    EXPECT_TRUE(db().changeRows().empty());
    EXPECT_FALSE(m_model.groupsChanged());

    // The object was read again after the failure: the same edit, started anew, goes through.
    session = edit(1);
    EXPECT_EQ(session.fields.name, "Theirs");
    EXPECT_EQ(m_model.store(session, valid(session, f)), GroupStore::Written);

    session = edit(5);
    db().exec("DELETE FROM [GroupTable] WHERE [GROUP_ID] = 5");
    f = session.fields;
    f.name = "Gone";
    EXPECT_EQ(m_model.store(session, valid(session, f)), GroupStore::Gone);
    EXPECT_EQ(listed(), (std::vector<std::int32_t>{0, 1}));
    db().exec("INSERT INTO [GroupTable] VALUES (5, 'Five', 'http://5', 0, 0, 0, 0)");
    m_model.refresh();
    db().exec("DELETE FROM [GroupTable] WHERE [GROUP_ID] = 5");
    EXPECT_EQ(m_model.deleteGroup(5, [](int) { return true; }), 0);
    EXPECT_EQ(db().changeRows().size(), 1u); // only the edit that went through
}

TEST_P(GroupPageDbTest, FileSavesAreLoggedAndAClosedTableIsReported)
{
    EXPECT_EQ(m_model.propertiesSaved(5), 0);
    EXPECT_EQ(m_model.configFilesSaved(5), 0);
    EXPECT_EQ(db().changeRows(),
              rows({{"0", "[XML-FILE]", "[UGRPX-DATA]", "5", "2"}, {"1", "[XML-FILE]", "[UGRPX-XMLS]", "5", "2"}}));
    EXPECT_FALSE(m_model.groupsChanged());

    m_groups.Close();
    EXPECT_EQ(std::get<int>(m_model.startAdd()), str::kUnableToOpenDb);
    EXPECT_EQ(std::get<int>(m_model.startEdit(1)), str::kUnableToOpenDb);
    EXPECT_EQ(m_model.deleteGroup(1, [](int) { return true; }), str::kUnableToOpenDb);
    EXPECT_FALSE(m_model.load());
    EXPECT_EQ(listed().size(), 3u); // the list stays as it was

    // A change row that cannot be written: nothing of the edit or the delete stays, 253 is reported, and
    // the form's retry works on the row as it is.
    m_groups.Open();
    db().exec("DROP TABLE [ChangeTable]");
    GroupEditSession session = edit(5);
    GroupFields f = session.fields;
    f.name = "Logged?";
    EXPECT_EQ(m_model.store(session, valid(session, f)), GroupStore::Failed);
    EXPECT_EQ(m_model.deleteGroup(5, [](int) { return true; }), str::kOperationFailed);
    EXPECT_EQ(groups(), rows({{"0", "Default", "http://0", "0", "0", "0", "0"},
                              {"1", "One", "http://1", "167772161", "0", "10", "14"},
                              {"5", "Five", "http://5", "0", "0", "0", "0"}}));
    EXPECT_EQ(listed(), (std::vector<std::int32_t>{0, 1, 5}));
    EXPECT_FALSE(m_model.groupsChanged());
    EXPECT_EQ(m_buttonUpdates, 2); // the two file saves above
}

QAR_DB_TEST_ON_BOTH_ENGINES(GroupPageDbTest);

} // namespace
} // namespace qar
