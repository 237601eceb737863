#include "OdbcTestDb.h"
#include "db/CXTabelChangeTmp.h"
#include "db/CXTableGroup.h"
#include "db/CXTableUnit.h"
#include "db/CXTableUser.h"
#include "db/ChangeLog.h"
#include "groups/GroupPageModel.h"
#include "resources/StringIds.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>
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
        db().exec("INSERT INTO [UnitTable] ([UNIT_ID], [GROUP_ID]) VALUES (101, 1), (102, 1), (501, 5)");
        db().exec("INSERT INTO [BaseTable] ([USER_ID], [GROUP_ID]) VALUES (10001, 1), (10002, 5), (10003, 5)");
        m_effects.onUpdateServiceButtons = [this] { ++m_buttonUpdates; };
        m_groups.Open();
        m_units.Open();
        m_users.Open();
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
    CXTableUnit m_units{&m_connection};
    CXTableUser m_users{&m_connection};
    CXTabelChangeTmp m_changes{&m_connection};
    test::ServerState m_server;
    CChangeLog m_log{m_changes, m_server};
    ChangeLogGroupEffects m_effects{m_log};
    int m_buttonUpdates = 0;
    GroupPageModel m_model{&m_groups, m_effects, {&m_units, &m_users}};
};

TEST_P(GroupPageDbTest, EditWithoutChangesWritesNothingAndATakenNumberIsRefused)
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
    EXPECT_EQ(m_buttonUpdates, 1);
    EXPECT_EQ(listed(), (std::vector<std::int32_t>{0, 3, 5}));
}

// Renumbering a group takes its units, users and files along in one write, told to the server as the old
// number deleted, then the new one added; a leftover private file of the new number does not become the
// group's own. A write that fails leaves everything where it was.
TEST_P(GroupPageDbTest, RenumberingMovesTheGroupsUnitsUsersAndFiles)
{
    const auto file = [this](const char* relative) { return programDir().file(relative); };
    test::writeFile(file("UserData/data/UGrps_Data/Groupx_1.xml"), "properties");
    test::writeFile(file("UserData/config/XMLs/1_QARs.xml"), "channels");
    test::writeFile(file("XMLs_Back/1_AppUrls.xml"), "parked");
    test::writeFile(file("UserData/config/XMLs/3_MUser.xml"), "left by a deleted group 3");
    const auto renumber = [this](std::int32_t from, const char* to) {
        GroupEditSession session = edit(from);
        GroupFields f = session.fields;
        f.numberText = to;
        return m_model.store(session, valid(session, f));
    };
    const auto members = [this] {
        return db().query("SELECT [UNIT_ID], [GROUP_ID] FROM [UnitTable] UNION ALL SELECT [USER_ID], [GROUP_ID] "
                          "FROM [BaseTable] ORDER BY 1");
    };
    EXPECT_EQ(renumber(1, "3"), GroupStore::Written);
    EXPECT_EQ(members(),
              rows({{"101", "3"}, {"102", "3"}, {"501", "5"}, {"10001", "3"}, {"10002", "5"}, {"10003", "5"}}));
    EXPECT_EQ(db().changeRows(),
              rows({{"0", "GroupTable", "GROUP_ID", "1", "1"}, {"1", "GroupTable", "GROUP_ID", "3", "0"}}));
    EXPECT_TRUE(m_model.groupsChanged() && m_model.unitsChanged() && m_model.usersChanged());
    EXPECT_TRUE(m_model.takeFileFailures().empty());
    const std::string moved = test::readFile(file("UserData/data/UGrps_Data/Groupx_3.xml")) + "," +
                              test::readFile(file("UserData/config/XMLs/3_QARs.xml")) + "," +
                              test::readFile(file("XMLs_Back/3_AppUrls.xml")) + "," +
                              test::readFile(file("XMLs_Back/3_MUser.xml")) + "," +
                              test::readFile(file("UserData/config/XMLs/3_MUser.xml")) + "," +
                              test::readFile(file("UserData/config/XMLs/1_QARs.xml"));
    EXPECT_EQ(moved, "properties,channels,parked,left by a deleted group 3,,");

    db().exec("ALTER TABLE [ChangeTable] RENAME TO [Away]");
    EXPECT_EQ(renumber(3, "4"), GroupStore::Failed);
    db().exec("ALTER TABLE [Away] RENAME TO [ChangeTable]");
    EXPECT_EQ(members().at(0), (test::Rows::value_type{"101", "3"}));
    EXPECT_EQ(test::readFile(file("UserData/data/UGrps_Data/Groupx_3.xml")), "properties");
}

TEST_P(GroupPageDbTest, DeleteRefusesGroupZeroAndTheLastGroupAndAsksFirst)
{
    std::vector<GroupDeleteQuestion> asked;
    const auto answer = [&](bool ok) {
        return [&asked, ok](const GroupDeleteQuestion& question) {
            asked.push_back(question);
            return ok;
        };
    };
    EXPECT_EQ(m_model.deleteGroup(0, answer(true)), str::kGroupZeroReserved);
    EXPECT_EQ(m_model.deleteGroup(std::nullopt, answer(true)), 0);
    EXPECT_EQ(m_model.deleteGroup(5, answer(false)), 0);
    EXPECT_EQ(groups().size(), 3u);
    db().exec("UPDATE [UnitTable] SET [GROUP_ID] = 9");
    db().exec("UPDATE [BaseTable] SET [GROUP_ID] = 9");
    EXPECT_EQ(m_model.deleteGroup(5, answer(true)), 0);
    ASSERT_EQ(asked.size(), 2u); // how many still belong to the group comes before the question
    EXPECT_EQ(std::make_tuple(asked[0].messageId, asked[0].group, asked[0].units, asked[0].users),
              std::make_tuple(str::kGroupInUseConfirm, 5, 1LL, 2LL));
    EXPECT_EQ(asked[1].messageId, str::kConfirmDeleteItem);
    EXPECT_EQ(listed(), (std::vector<std::int32_t>{0, 1}));

    db().exec("DELETE FROM [GroupTable] WHERE [GROUP_ID] = 0");
    m_model.refresh();
    EXPECT_EQ(m_model.deleteGroup(1, answer(true)), str::kOneRecordAtLeast); // even though it is not group 0
}

// A group another program changed is not overwritten, and the editor's next OK works on it as it is
// now, so that it can succeed; a number another program took meanwhile is refused by the database
// check, not only by the editor's list.
TEST_P(GroupPageDbTest, ARowChangedMeanwhileIsNotOverwrittenAndADeletedOneEndsQuietly)
{
    for (const bool readAgain : {false, true}) { // the timed refresh read the table while the editor was open
        GroupEditSession session = edit(readAgain ? 5 : 1);
        GroupFields f = session.fields;
        f.name = "Mine";
        const std::string theirs = readAgain ? "theirs 2" : "theirs 1";
        db().exec("UPDATE [GroupTable] SET [GROUP_URL] = '" + theirs + "'");
        if (readAgain) {
            m_groups.Open();
        }
        EXPECT_EQ(m_model.store(session, valid(session, f)), GroupStore::Changed);
        EXPECT_EQ(session.stored->url, theirs);
        EXPECT_TRUE(db().changeRows().empty() && !m_model.groupsChanged());
        EXPECT_EQ(m_model.store(session, valid(session, f)), GroupStore::Written);
        m_model.clearChangeFlags();
        db().exec("DELETE FROM [ChangeTable]");
    }
    EXPECT_EQ(db().count("[GroupTable] WHERE [GROUP_NAME] = 'Mine'"), 2);

    // Number 6, taken by another program after the list was read: refused for a new group and a renumbering.
    GroupEditSession added = std::get<GroupEditSession>(m_model.startAdd());
    ASSERT_EQ(added.fields.numberText, "6");
    db().exec("INSERT INTO [GroupTable] VALUES (6, 'Theirs', 'http://6', 0, 0, 0, 0)");
    GroupEditSession session = edit(5);
    for (GroupEditSession* s : {&added, &session}) {
        EXPECT_EQ(m_model.store(*s, GroupRecord{6, "Six", "http://6", 0, 0, 0, 0}), GroupStore::NumberTaken);
    }
    EXPECT_EQ(db().count("[GroupTable] WHERE [GROUP_ID] = 6"), 1);
    EXPECT_EQ(db().count("[BaseTable] WHERE [GROUP_ID] = 6"), 0);
    db().exec("DELETE FROM [GroupTable] WHERE [GROUP_ID] = 6");

    session = edit(5);
    db().exec("DELETE FROM [GroupTable] WHERE [GROUP_ID] = 5");
    GroupFields f = session.fields;
    f.name = "Gone";
    EXPECT_EQ(m_model.store(session, valid(session, f)), GroupStore::Gone);
    EXPECT_EQ(listed(), (std::vector<std::int32_t>{0, 1}));
    db().exec("INSERT INTO [GroupTable] VALUES (5, 'Five', 'http://5', 0, 0, 0, 0)");
    m_model.refresh();
    db().exec("DELETE FROM [GroupTable] WHERE [GROUP_ID] = 5");
    EXPECT_EQ(m_model.deleteGroup(5, [](const GroupDeleteQuestion&) { return true; }), 0);
    EXPECT_TRUE(db().changeRows().empty());
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
    EXPECT_EQ(m_model.deleteGroup(1, [](const GroupDeleteQuestion&) { return true; }), str::kUnableToOpenDb);
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
    EXPECT_EQ(m_model.deleteGroup(5, [](const GroupDeleteQuestion&) { return true; }), str::kOperationFailed);
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
