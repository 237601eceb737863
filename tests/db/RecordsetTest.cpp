#include "OdbcTestDb.h"
#include "db/CXDatabase.h"
#include "db/CXTabelChangeTmp.h"
#include "db/CXTableEnvParam.h"
#include "db/CXTableUnit.h"
#include "db/CXTableUser.h"
#include "db/ConnectString.h"
#include "db/OdbcError.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace qar
{
namespace
{

using test::DbTest;

class RecordsetTest : public DbTest
{};

TEST_P(RecordsetTest, AddNewInsertsAssignedColumnsOnlyAndRowsReadBackInOrder)
{
    writeDbFieldDat("[ADD_TABLES]\nUTB_WEIGHT=Weight\n");
    db().exec("ALTER TABLE [BaseTable] ADD Weight integer NULL");
    CXTableUser users(&m_connection);
    ASSERT_TRUE(users.HasWeightColumn());
    users.Open(); // an empty table opens at both ends
    EXPECT_TRUE(users.IsBOF());
    EXPECT_TRUE(users.IsEOF());
    EXPECT_EQ(users.GetRecordCount(), 0);
    EXPECT_THROW(users.Edit(), DbError);
    for (int id : {10001, 10002}) {
        users.AddNew();
        users.m_USER_ID = id;
        users.m_NAME = "user " + std::to_string(id);
        users.m_USER_STATUS = 0; // an explicit zero is written, not left NULL
        EXPECT_TRUE(users.Update());
    }
    EXPECT_EQ(db().count("[BaseTable] WHERE [Weight] IS NULL AND [EMAIL] IS NULL AND [USER_STATUS] = 0"), 2);

    // The reopen after a run of adds reads the table when the object is next read, rows of other
    // programs written in between included; adding more before that read does not read it.
    users.ReopenBeforeNextRead();
    users.AddNew();
    users.m_USER_ID = 10003;
    EXPECT_TRUE(users.Update());
    db().exec("INSERT INTO [BaseTable] ([USER_ID]) VALUES (10004)");
    ASSERT_EQ(users.GetRecordCount(), 4);
    db().exec("DELETE FROM [BaseTable] WHERE [USER_ID] > 10002");
    users.Open();
    ASSERT_EQ(users.GetRecordCount(), 2);
    EXPECT_EQ(users.m_USER_ID, 10001);
    EXPECT_EQ(users.m_NAME, "user 10001");
    EXPECT_TRUE(users.IsFieldNull(users.m_EMAIL));
    EXPECT_TRUE(users.IsFieldNull(users.m_WEIGHT));
    EXPECT_EQ(users.m_EMAIL, "");
    EXPECT_FALSE(users.IsFieldNull(users.m_USER_STATUS));
    users.MoveNext();
    EXPECT_EQ(users.m_USER_ID, 10002);
    users.MoveNext();
    EXPECT_TRUE(users.IsEOF());
    users.MovePrev();
    EXPECT_EQ(users.m_USER_ID, 10002);
}

// A write goes to exactly one row: when the row as read matches two twins, or none because another
// program changed or deleted it meanwhile, the write is undone and reported, and nothing is overwritten.
// Only a row that is really gone (its key found no row) is told apart as deleted.
TEST_P(RecordsetTest, WritesThatWouldNotHitExactlyOneRowAreRefused)
{
    const struct
    {
        int rows;
        const char* meanwhile;
        int matched;
        bool deleted;
    } cases[] = {{2, "", 2, false},
                 {1, "UPDATE [ParamTable] SET [Param_Value] = 'other'", 0, false},
                 {1, "DELETE FROM [ParamTable]", 0, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.meanwhile);
        db().exec("DELETE FROM [ParamTable]");
        for (int i = 0; i < c.rows; ++i) {
            db().exec("INSERT INTO [ParamTable] ([Param_Name], [Param_Value]) VALUES ('PasswordMethod', NULL)");
        }
        CXTableEnvParam params(&m_connection);
        params.Open();
        if (c.rows > 1) {
            params.MoveNext(); // the second twin
        }
        if (*c.meanwhile) {
            db().exec(c.meanwhile);
        }
        const long long before = db().count("[ParamTable]");
        params.Edit();
        params.m_Param_Value = "MD5";
        try {
            params.Update();
            ADD_FAILURE() << "expected RowMatchError";
        } catch (const RowMatchError& e) {
            EXPECT_EQ(e.matchedRows(), c.matched);
            EXPECT_EQ(e.rowDeleted(), c.deleted);
        }
        EXPECT_EQ(db().count("[ParamTable] WHERE [Param_Value] = 'MD5'"), 0);
        if (c.deleted) {
            params.Edit();
            params.m_Param_Value = "MD5";
            EXPECT_EQ(UpdateRow(params), RowWrite::AlreadyGone);
            EXPECT_EQ(DeleteRow(params), RowWrite::AlreadyGone);
        } else {
            EXPECT_THROW(DeleteRow(params), RowMatchError);
        }
        EXPECT_EQ(db().count("[ParamTable]"), before);
    }
}

TEST_P(RecordsetTest, EditMatchesNullsAndLeavesTwinsThatDifferOnlyInCaseOrTrailingBlanks)
{
    db().exec("INSERT INTO [ParamTable] ([Param_Name], [Param_Value]) VALUES ('Mode', NULL)");
    db().exec("INSERT INTO [ParamTable] ([Param_Name], [Param_Value]) VALUES ('mode', NULL)");
    db().exec("INSERT INTO [ParamTable] ([Param_Name], [Param_Value]) VALUES ('Mode ', NULL)");
    CXTableEnvParam params(&m_connection);
    params.Open();
    ASSERT_EQ(params.m_Param_Name, "Mode");
    params.Edit();
    params.m_Param_Value = "1";
    EXPECT_TRUE(params.Update());
    EXPECT_EQ(db().count("[ParamTable] WHERE [Param_Value] = '1'"), 1);

    // The snapshot holds the written row, so it can be edited again and deleted.
    params.Edit();
    params.SetFieldNull(params.m_Param_Value);
    EXPECT_TRUE(params.Update());
    EXPECT_EQ(db().count("[ParamTable] WHERE [Param_Value] IS NULL"), 3);
    params.Delete();
    EXPECT_TRUE(params.IsDeleted());
    EXPECT_EQ(db().count("[ParamTable]"), 2);
    params.MoveFirst();
    EXPECT_EQ(params.m_Param_Name, "mode");
    EXPECT_EQ(params.GetRecordCount(), 2);
}

// A database made with MariaDB's default collation compares text without case and trailing blanks: the
// row as read then matches its twins too. Whether the driver counts changed or found rows (Option=2),
// the write is undone and reported rather than changing both.
class MariaDbRecordsetTest : public RecordsetTest
{};

TEST_P(MariaDbRecordsetTest, TwinsUnderACaseInsensitiveCollationAreNeverChangedTogether)
{
    db().exec("ALTER TABLE [ParamTable] CONVERT TO CHARACTER SET utf8mb4 COLLATE utf8mb4_general_ci");
    for (const char* option : {"", ";OPTION=2"}) {
        SCOPED_TRACE(option);
        db().exec("DELETE FROM [ParamTable]");
        db().exec("INSERT INTO [ParamTable] ([Param_Name], [Param_Value]) VALUES ('Mode', 'a')");
        db().exec("INSERT INTO [ParamTable] ([Param_Name], [Param_Value]) VALUES ('mode ', 'a')");
        CXDatabase database;
        database.Open(db().connectString() + option);
        CXTableEnvParam params(&database);
        params.Open();
        params.Edit();
        params.m_Param_Value = "b";
        EXPECT_THROW(params.Update(), RowMatchError);
        EXPECT_THROW(params.Delete(), RowMatchError);
        EXPECT_EQ(db().count("[ParamTable] WHERE [Param_Value] = 'a'"), 2);
    }
}

// A table read again, after Close or by Open alone, holds its rows as they are now: none of the last
// read's rows, deletions or edits linger in the room the object keeps for them.
TEST_P(RecordsetTest, ReadingATableAgainShowsItAsItIsNow)
{
    for (int id : {1, 2, 3}) {
        db().exec("INSERT INTO [UnitTable] ([UNIT_ID], [UNIT_NAME]) VALUES (" + std::to_string(id) + ", 'unit " +
                  std::to_string(id) + "')");
    }
    CXTableUnit units(&m_connection);
    const auto moveTo = [&units](int id) {
        for (units.MoveFirst(); !units.IsEOF() && units.m_UNIT_ID != id;) {
            units.MoveNext();
        }
    };
    const std::string longName(255, 'x'); // longer than every text read
    for (const bool close : {true, false}) {
        SCOPED_TRACE(close);
        units.Open();
        moveTo(1);
        units.Delete();
        moveTo(2);
        units.Edit();
        units.m_UNIT_NAME = longName;
        ASSERT_TRUE(units.Update());
        db().exec("UPDATE [UnitTable] SET [UNIT_NAME] = 'renamed' WHERE [UNIT_ID] = 3");
        db().exec("INSERT INTO [UnitTable] ([UNIT_ID], [UNIT_NAME]) VALUES (1, 'unit 1')");
        if (close) {
            units.Close();
            EXPECT_EQ(units.GetRecordCount(), 0);
        }
        units.Open();
        std::vector<std::pair<int, std::string>> rows;
        for (; !units.IsEOF(); units.MoveNext()) {
            rows.emplace_back(units.m_UNIT_ID, units.m_UNIT_NAME);
        }
        std::sort(rows.begin(), rows.end());
        EXPECT_EQ(rows, (std::vector<std::pair<int, std::string>>{{1, "unit 1"}, {2, longName}, {3, "renamed"}}));
        db().exec("UPDATE [UnitTable] SET [UNIT_NAME] = 'unit 2' WHERE [UNIT_ID] = 2");
        db().exec("UPDATE [UnitTable] SET [UNIT_NAME] = 'unit 3' WHERE [UNIT_ID] = 3");
    }
}

TEST_P(RecordsetTest, EditWithoutChangeSendsNothing)
{
    db().exec("INSERT INTO [UnitTable] ([UNIT_ID], [UNIT_NAME], [UNIT_STATUS]) VALUES (7, 'Sales', 1)");
    CXTableUnit units(&m_connection);
    units.Open();
    db().exec("DELETE FROM [UnitTable]"); // an unchanged edit must not even notice
    units.Edit();
    units.m_UNIT_NAME = "Sales";
    units.m_UNIT_STATUS = true;
    EXPECT_FALSE(units.Update());
}

TEST_P(RecordsetTest, AwkwardTextsRoundTripByteForByte)
{
    std::string chinese;
    for (int k = 0; k < 255; ++k) {
        chinese += "\xe4\xb8\xad"; // 255 Chinese characters: 765 bytes in UTF-8
    }
    const std::vector<std::string> texts = {
        "O'Brien \"quoted\"", "[UNIT_ID]] [x",       "a;b;{c}", "100% _done_", "\xe9\x94\x80\xe5\x94\xae\xe9\x83\xa8",
        "trailing ",          std::string(255, 'x'), chinese,
    };
    CXTableUnit units(&m_connection);
    units.Open();
    for (std::size_t i = 0; i < texts.size(); ++i) {
        units.AddNew();
        units.m_UNIT_ID = static_cast<int>(i);
        units.m_UNIT_NAME = texts[i];
        units.m_LOG_PWD = texts[i];
        units.Update();
    }
    units.Open();
    for (std::size_t i = 0; i < texts.size(); ++i, units.MoveNext()) {
        SCOPED_TRACE(i);
        ASSERT_FALSE(units.IsEOF());
        EXPECT_EQ(units.m_UNIT_NAME.get(), texts[i]);
        units.Edit();
        units.m_UNIT_ALIAS = "alias";
        EXPECT_TRUE(units.Update()); // the WHERE clause matches the awkward text exactly
    }
    EXPECT_EQ(db().count("[UnitTable] WHERE [UNIT_ALIAS] = 'alias'"), static_cast<long long>(texts.size()));
}

// Under a Simplified Chinese locale the tool's text is GBK and the data source says CHARSET=gbk: the
// utf8mb4 columns hold the characters, and the tool gets its bytes back unchanged.
TEST_P(MariaDbRecordsetTest, GbkTextThroughAGbkDataSourceIsStoredAsCharacters)
{
    const std::string gbk = "\xD6\xD0\xCE\xC4 'x' \xCF\xFA\xCA\xDB\xB2\xBF"; // "中文 'x' 销售部"
    const std::string utf8 = "\xE4\xB8\xAD\xE6\x96\x87 'x' \xE9\x94\x80\xE5\x94\xAE\xE9\x83\xA8";
    CXDatabase gbkDatabase;
    gbkDatabase.Open(makeConnectString(test::kMariaDbGbkDsn, db().uid(), db().pwd()));
    CXTableUnit units(&gbkDatabase);
    units.Open();
    units.AddNew();
    units.m_UNIT_ID = 1;
    units.m_UNIT_NAME = gbk;
    units.Update();
    units.Open();
    EXPECT_EQ(units.m_UNIT_NAME.get(), gbk);
    units.Edit();
    units.m_UNIT_ALIAS = gbk;
    EXPECT_TRUE(units.Update());
    EXPECT_EQ(db().query("SELECT [UNIT_NAME], [UNIT_ALIAS] FROM [UnitTable]").at(0),
              (std::vector<std::optional<std::string>>{utf8, utf8}));
}

// SQLite keeps whatever length it is given, whatever the declared width.
class SqliteRecordsetTest : public RecordsetTest
{};

TEST_P(SqliteRecordsetTest, LongTextsBeyondTheBoundBufferAreReadWhole)
{
    const std::string longText(3000, 'L');
    db().exec("INSERT INTO [ChangeTable] ([REC_ID], [Table_Name]) VALUES (0, '" + longText + "')");
    CXTabelChangeTmp changes(&m_connection);
    changes.Open();
    EXPECT_EQ(changes.m_Table_Name.get(), longText);
}

// A weight column counts once DBField.dat names it, and is left out of the select while the table lacks it.
TEST_P(RecordsetTest, ConfiguredWeightColumnMissingFromTheTableIsIgnored)
{
    writeDbFieldDat("[ADD_TABLES]\nUNTB_WEIGHT=Weight\nUTB_WEIGHT=\n");
    db().exec("INSERT INTO [UnitTable] ([UNIT_ID]) VALUES (3)");
    CXTableUnit units(&m_connection);
    EXPECT_EQ(units.GetFieldCount(), 12);
    EXPECT_EQ(CXTableUser(&m_connection).GetFieldCount(), 14);
    EXPECT_FALSE(CXTableUser(&m_connection).HasWeightColumn());
    units.Open();
    EXPECT_EQ(units.m_UNIT_ID, 3);
}

QAR_DB_TEST_ON_BOTH_ENGINES(RecordsetTest);
QAR_DB_TEST_ON_MARIADB(MariaDbRecordsetTest);
QAR_DB_TEST_ON_SQLITE(SqliteRecordsetTest);

} // namespace
} // namespace qar
