#include "db/SchemaExtension.h"

#include "OdbcTestDb.h"
#include "db/CXDatabase.h"
#include "db/CXTableUnit.h"
#include "db/ColumnMap.h"
#include "db/OdbcError.h"

#include <gtest/gtest.h>

namespace qar
{
namespace
{

class SchemaExtensionTest : public test::DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        m_connection.Close(); // the extension runs before the tool opens its database
    }

    /// Whether `table` has `column`: a query naming it succeeds. Unquoted, since SQLite takes a quoted name
    /// that matches no column for a string.
    bool hasColumn(const std::string& table, const std::string& column)
    {
        try {
            db().query("SELECT " + column + " FROM " + table);
            return true;
        } catch (const DbError&) {
            return false;
        }
    }
};

TEST_P(SchemaExtensionTest, NothingHappensWithoutConfiguredWeightsOrADatabase)
{
    for (const char* dbField : {"", "[ADD_TABLES]\nUTB_WEIGHT=\nUNTB_WEIGHT=\n", "[OTHER]\nUNTB_WEIGHT=Weight\n"}) {
        SCOPED_TRACE(dbField);
        writeDbFieldDat(dbField);
        EXPECT_FALSE(EnsureWeightColumns(m_connection, db().connectString()));
        EXPECT_FALSE(hasColumn("UnitTable", "Weight"));
        EXPECT_FALSE(m_connection.IsOpen());
    }
    // An unreachable database is not reported here either: the statement fails with its error.
    std::string error;
    EXPECT_FALSE(
        AddIntegerColumn(m_connection, "NoSuchDsn", "UnitTable", "Weight", "ODBC;DSN=NoSuchDsn;UID=;PWD=", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(m_connection.IsOpen());
}

TEST_P(SchemaExtensionTest, UnitWeightIsAddedOnceAsNullableInteger)
{
    writeDbFieldDat("[ADD_TABLES]\nUNTB_WEIGHT=Weight\n");
    EXPECT_FALSE(EnsureWeightColumns(m_connection, db().connectString())) << "only one weight is configured";
    ASSERT_TRUE(hasColumn("UnitTable", "Weight"));
    EXPECT_FALSE(m_connection.IsOpen()) << "a connection closed before stays closed";

    db().exec("INSERT INTO [UnitTable] ([UNIT_ID]) VALUES (7)");
    db().exec("UPDATE [UnitTable] SET [Weight] = 12 WHERE [UNIT_ID] = 7");
    db().exec("INSERT INTO [UnitTable] ([UNIT_ID]) VALUES (8)");
    EXPECT_EQ(db().query("SELECT [Weight] FROM [UnitTable] ORDER BY [UNIT_ID]"),
              (std::vector<std::vector<std::optional<std::string>>>{{"12"}, {std::nullopt}}));

    // The next start: the column exists, the statement fails without a word and the record opens.
    std::string error;
    EXPECT_FALSE(AddIntegerColumn(m_connection, db().dsn(), "UnitTable", "Weight", db().connectString(), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_NO_THROW(EnsureWeightColumns(m_connection, db().connectString()));
    m_connection.Open(db().connectString());
    CXTableUnit units(&m_connection);
    units.Open();
    EXPECT_EQ(units.GetFieldCount(), 12);
}

TEST_P(SchemaExtensionTest, UsersWeightGoesToTheLookupNameOfTheUsersTable)
{
    writeDbFieldDat("[ADD_TABLES]\nUTB_WEIGHT=Weight\nUNTB_WEIGHT=Weight\n");
    // Without "UTB" the statement names BASE_USERS, which this database does not have.
    EXPECT_TRUE(EnsureWeightColumns(m_connection, db().connectString()));
    EXPECT_FALSE(hasColumn("BaseTable", "Weight"));
    EXPECT_TRUE(hasColumn("UnitTable", "Weight"));

    writeDbDat("[CONFIG]\nUTB=BaseTable\n");
    m_connection.Open(db().connectString());
    EXPECT_TRUE(EnsureWeightColumns(m_connection, db().connectString()));
    EXPECT_TRUE(hasColumn("BaseTable", "Weight"));
    EXPECT_TRUE(m_connection.IsOpen()) << "a connection open before stays open";
}

QAR_DB_TEST_ON_BOTH_ENGINES(SchemaExtensionTest);

} // namespace
} // namespace qar
