#include "DataGenerator.h"

#include "NamePool.h"
#include "OdbcTestDb.h"
#include "db/CXDatabase.h"

#include <gtest/gtest.h>

#include <map>

namespace qar
{
namespace
{

TEST(NamePool, WritesNamesInTheActiveCodePage)
{
    // 总公司 in GBK, 總公司 (turned traditional) in Big5, unchanged UTF-8 otherwise.
    EXPECT_EQ(NamePool(CodePage::Gbk).group(1), "\xd7\xdc\xb9\xab\xcb\xbe");
    EXPECT_EQ(NamePool(CodePage::Big5).group(1), "\xc1\x60\xa4\xbd\xa5\x71");
    EXPECT_EQ(NamePool(CodePage::Utf8).group(1), "总公司");
    EXPECT_EQ(NamePool(CodePage::Utf8).group(8), "华东分公司 8");
}

class DataGeneratorTest : public test::DbTest
{
protected:
    DataGenOptions options() const
    {
        DataGenOptions o;
        o.groups = 3;
        o.units = 60;
        o.depth = 5;
        o.users = 500;
        o.seed = 7;
        return o;
    }
};

TEST_P(DataGeneratorTest, FillsAConsistentTreeReproducibly)
{
    const DataGenCounts counts = generateData(m_connection, options());
    EXPECT_EQ(counts.groups, 3u);
    EXPECT_EQ(counts.units, 60u);
    EXPECT_EQ(counts.users, 500u);

    // Every unit below the top hangs under a unit of its own group one level up; every group reaches
    // the requested depth; every user lies in an existing unit of its group.
    EXPECT_EQ(db().count("[UnitTable] u WHERE u.[SUPER_ID] <> 0 AND NOT EXISTS (SELECT 1 FROM [UnitTable] p "
                         "WHERE p.[UNIT_ID] = u.[SUPER_ID] AND p.[TREE_CLASS] = u.[TREE_CLASS] - 1 "
                         "AND p.[GROUP_ID] = u.[GROUP_ID])"),
              0);
    EXPECT_EQ(db().count("[UnitTable] WHERE [SUPER_ID] = 0 AND [TREE_CLASS] <> 1"), 0);
    EXPECT_EQ(db().query("SELECT [GROUP_ID], MAX([TREE_CLASS]) FROM [UnitTable] GROUP BY [GROUP_ID] ORDER BY 1"),
              (std::vector<std::vector<std::optional<std::string>>>{{"1", "5"}, {"2", "5"}, {"3", "5"}}));
    EXPECT_EQ(db().count("[BaseTable] b WHERE NOT EXISTS (SELECT 1 FROM [UnitTable] u WHERE u.[UNIT_ID] = "
                         "b.[UNIT_ID] AND u.[GROUP_ID] = b.[GROUP_ID])"),
              0);
    EXPECT_EQ(db().count("[BaseTable] WHERE [USER_ID] BETWEEN 10001 AND 10500"), 500);

    const auto first = db().query("SELECT * FROM [BaseTable] ORDER BY [USER_ID]");
    clearGeneratedTables(m_connection);
    generateData(m_connection, options());
    EXPECT_EQ(db().query("SELECT * FROM [BaseTable] ORDER BY [USER_ID]"), first) << "same seed, same rows";
}

QAR_DB_TEST_ON_BOTH_ENGINES(DataGeneratorTest);

} // namespace
} // namespace qar
