#include "db/TableMap.h"

#include "OdbcTestDb.h"
#include "db/CDatabaseSession.h"
#include "db/CXTableUnit.h"
#include "db/ColumnMap.h"
#include "db/OdbcError.h"

#include <gtest/gtest.h>

namespace qar
{
namespace
{

class ColumnMapTest : public test::DbTest
{};

// A column named in DB.dat that the table lacks fails the open with the driver's diagnostics and leaves the
// object closed; once the column is there it is used, and kept for the run even when DB.dat changes.
TEST_P(ColumnMapTest, RenamedColumnIsUsedAndKeptForTheRun)
{
    writeDbDat("[UNIT_TABLE]\n_NAME=DEPT_NAME\n");
    CXTableUnit units(&m_connection);
    try {
        units.Open();
        FAIL() << "expected OdbcError";
    } catch (const OdbcError& e) {
        EXPECT_FALSE(e.records().empty());
        EXPECT_NE(std::string(e.what()).find("DEPT_NAME"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(units.IsOpen());
    db().exec("ALTER TABLE [UnitTable] RENAME COLUMN [UNIT_NAME] TO [DEPT_NAME]");
    db().exec("INSERT INTO [UnitTable] ([UNIT_ID], [DEPT_NAME], [SUPER_ID]) VALUES (5, 'R&D', 0)");
    units.Open();
    EXPECT_EQ(units.m_UNIT_NAME, "R&D");
    EXPECT_EQ(units.m_UNIT_ID, 5);

    writeDbDat("");
    CXTableUnit later(&m_connection);
    EXPECT_NO_THROW(later.Open());
    ColumnMap::resetAllForTesting();
    EXPECT_THROW(later.Open(), DbError);
}

// The users object selects the configured table. Names written as the statements quote them are read
// bare; kept in brackets, they were quoted twice and the first open failed.
TEST_P(ColumnMapTest, UsersObjectSelectsTheConfiguredTableBracketedOrNot)
{
    db().exec("ALTER TABLE [BaseTable] RENAME TO [Staff]");
    db().exec("INSERT INTO [Staff] ([USER_ID], [NAME]) VALUES (10005, 'Li')");
    writeDbDat("[CONFIG]\nUNTB=[UnitTable]\nUTB=[Staff]\n");
    EXPECT_EQ(GetUserTableNameForLookup(), "Staff"); // as change rows name it
    CDatabaseSession session;
    EXPECT_TRUE(session.OpenDatabase()) << session.lastError();
    EXPECT_EQ(session.tableUser().m_USER_ID, 10005);
    writeDbDat("");
    EXPECT_THROW(session.tableUser().Open(), DbError); // BaseTable no longer exists
}

QAR_DB_TEST_ON_BOTH_ENGINES(ColumnMapTest);

} // namespace
} // namespace qar
