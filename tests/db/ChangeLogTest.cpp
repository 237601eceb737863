#include "db/ChangeLog.h"

#include "OdbcTestDb.h"
#include "db/CXDatabase.h"
#include "db/CXTabelChangeTmp.h"
#include "db/OdbcError.h"

#include <gtest/gtest.h>

namespace qar
{
namespace
{

class ChangeLogTest : public test::DbTest
{
protected:
    CXTabelChangeTmp m_table{&m_connection};
    test::ServerState m_server;
    CChangeLog m_log{m_table, m_server};
};

TEST_P(ChangeLogTest, EveryEventWritesItsRowsInOrder)
{
    m_log.logGroup(3, ChangeAct::Added);
    m_log.logGroup(3, ChangeAct::Modified);
    m_log.logGroupDataFileSaved(3);
    m_log.logGroupXmlFilesSaved(3);
    m_log.logUnit(205, ChangeAct::Modified);
    m_log.logUnitIdChange(205, 206);
    m_log.logUserIdChange(10005, 10010);
    m_log.logUser(10010, ChangeAct::Deleted);
    m_log.logGroup(3, ChangeAct::Deleted);

    EXPECT_EQ(db().changeRows(), test::rows({
                                     {"0", "GroupTable", "GROUP_ID", "3", "0"},
                                     {"1", "GroupTable", "GROUP_ID", "3", "2"},
                                     {"2", "[XML-FILE]", "[UGRPX-DATA]", "3", "2"},
                                     {"3", "[XML-FILE]", "[UGRPX-XMLS]", "3", "2"},
                                     {"4", "UnitTable", "UNIT_ID", "205", "2"},
                                     {"5", "UnitTable", "UNIT_ID", "205", "1"},
                                     {"6", "UnitTable", "UNIT_ID", "206", "0"},
                                     {"7", "BASE_USERS", "USER_ID", "10005", "1"},
                                     {"8", "BASE_USERS", "USER_ID", "10010", "0"},
                                     {"9", "BASE_USERS", "USER_ID", "10010", "1"},
                                     {"10", "GroupTable", "GROUP_ID", "3", "1"},
                                 }));
    EXPECT_EQ(NextChangeRecId(), 11u);
}

// Rows are numbered by the tool from zero, whatever the table holds (no MAX query per row); a stopped
// server gets no row and the counter stays.
TEST_P(ChangeLogTest, NumbersStartAtZeroAndSkipTheStoppedServer)
{
    db().exec("INSERT INTO [ChangeTable] ([REC_ID], [Table_Name], [Field_Name], [Key_Value], [Change_Act]) "
              "VALUES (500, 'UnitTable', 'UNIT_ID', 9, 2)");
    m_server.running = false;
    m_log.LogChange("T", "F", 0, 0);
    EXPECT_EQ(NextChangeRecId(), 0u);
    m_server.running = true;
    m_table.Open();
    m_log.LogChange("T", "F", 1, 0);
    m_log.LogChange("T", "F", 2, 0);
    EXPECT_FALSE(m_table.IsOpen()) << "the change-log object is closed between rows";
    EXPECT_EQ(
        db().changeRows(),
        test::rows({{"0", "T", "F", "1", "0"}, {"1", "T", "F", "2", "0"}, {"500", "UnitTable", "UNIT_ID", "9", "2"}}));
}

TEST_P(ChangeLogTest, UsersTableIsReadOnceButGroupsAndUnitsEveryTime)
{
    writeDbDat("[CONFIG]\nUTB=Staff\nUNTB=Depts\nGTB=Firms\n");
    m_log.logUser(1, ChangeAct::Added);
    m_log.logUnit(2, ChangeAct::Added);
    m_log.logGroup(3, ChangeAct::Added);
    writeDbDat("[CONFIG]\nUTB=People\nUNTB=Sections\nGTB=Companies\n");
    m_log.logUser(1, ChangeAct::Modified);
    m_log.logUnit(2, ChangeAct::Modified);
    m_log.logGroup(3, ChangeAct::Modified);

    EXPECT_EQ(db().changeRows(), test::rows({
                                     {"0", "Staff", "USER_ID", "1", "0"},
                                     {"1", "Depts", "UNIT_ID", "2", "0"},
                                     {"2", "Firms", "GROUP_ID", "3", "0"},
                                     {"3", "Staff", "USER_ID", "1", "2"},
                                     {"4", "Sections", "UNIT_ID", "2", "2"},
                                     {"5", "Companies", "GROUP_ID", "3", "2"},
                                 }));
}

// A change row goes to the table and columns DB.dat names; one that cannot be written reaches the caller,
// and its number is not given again.
TEST_P(ChangeLogTest, WritesToTheConfiguredTableAndColumnsAndAFailedWriteReachesTheCaller)
{
    db().exec("CREATE TABLE [Pending] ([NO] INTEGER, [TBL] VARCHAR(255), [FLD] VARCHAR(255), [KEYV] INTEGER, "
              "[ACT] INTEGER)");
    const std::string columns =
        "[CHTMP_TABLE]\nREC_ID=[NO]\nTable_Name=[TBL]\nField_Name=[FLD]\nKey_Value=[KEYV]\nChange_Act=[ACT]\n";
    writeDbDat("[CONFIG]\nCTB=NoSuchTable\n" + columns);
    EXPECT_THROW(m_log.logGroup(1, ChangeAct::Added), DbError);
    writeDbDat("[CONFIG]\nCTB=Pending\n" + columns);
    m_log.logUser(42, ChangeAct::Deleted);
    EXPECT_EQ(db().query("SELECT [NO], [TBL], [FLD], [KEYV], [ACT] FROM [Pending]"),
              test::rows({{"1", "BASE_USERS", "USER_ID", "42", "1"}}));
    EXPECT_EQ(db().count("[ChangeTable]"), 0);
}

QAR_DB_TEST_ON_BOTH_ENGINES(ChangeLogTest);

} // namespace
} // namespace qar
