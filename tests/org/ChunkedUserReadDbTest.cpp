#include "DataGenerator.h"
#include "OrgDbTest.h"
#include "db/ChunkedTableRead.h"
#include "db/OdbcError.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace qar
{
namespace
{

// The user record's rows as the edits compare with them, in the record's order.
std::vector<std::string> dumpUsers(CXTableUser& t)
{
    std::vector<std::string> rows;
    for (t.MoveFirst(); !t.IsEOF(); t.MoveNext()) {
        rows.push_back(std::to_string(t.m_USER_ID) + "|" + t.m_PASSWORD.get() + "|" + t.m_NAME.get() + "|" +
                       std::to_string(t.m_MACHINE_ID) + "|" + std::to_string(t.m_POWER_FLAG) + "|" + t.m_EMAIL.get() +
                       "|" + t.m_MOBILE.get() + "|" + std::to_string(t.m_UNIT_ID) + "|" + t.m_DUTY.get() + "|" +
                       std::to_string(t.m_USER_STATUS) + "|" + std::to_string(t.m_GROUP_ID) + "|" +
                       (t.IsFieldNull(t.m_SCORE) ? "null" : std::to_string(t.m_SCORE)));
    }
    return rows;
}

class ChunkedUserReadTest : public test::OrgDbTest
{
protected:
    void generate()
    {
        DataGenOptions o;
        o.groups = 3;
        o.units = 60;
        o.depth = 4;
        o.users = 1200;
        o.seed = 11;
        generateData(m_connection, o);
        // Rows whose table order is not their id order, in units of every group (the first group's among
        // them), a user whose unit no one sees, one of the first group's units counted for another group,
        // and a repeated id.
        db().exec("INSERT INTO [BaseTable] ([USER_ID], [NAME], [UNIT_ID], [GROUP_ID], [USER_STATUS], [POWER_FLAG], "
                  "[MOBILE], [EMAIL]) SELECT 9000 + [UNIT_ID], 'late', [UNIT_ID], [GROUP_ID], 2, 65536, '', NULL "
                  "FROM [UnitTable]");
        db().exec("INSERT INTO [BaseTable] ([USER_ID], [NAME], [UNIT_ID], [GROUP_ID], [USER_STATUS]) VALUES "
                  "(5, 'nowhere', 99999, 1, 1), (10002, 'again', 101, 3, 3)");
    }

    /// Reads the users in chunks of `chunkRows`, early rows first, into `users` and `model`, as the page
    /// does; returns the chunks of the early pass and of the whole pass.
    std::pair<int, int> readInChunks(CUnitUserModel& model, CXTableUser& users, std::size_t chunkRows,
                                     std::size_t earlyPassAbove = 0)
    {
        const std::vector<std::int32_t> early = model.startChunkedBuild();
        EXPECT_FALSE(early.empty());
        users.BeginFill();
        ChunkedReadPlan plan{db().connectString(),
                             users.GetDefaultSQL(),
                             users.ExchangedColumns(),
                             users.columnIndex(users.m_UNIT_ID),
                             early,
                             earlyPassAbove,
                             chunkRows};
        ChunkedTableRead read(std::move(plan));
        std::pair<int, int> chunks;
        while (!read.done()) {
            if (auto chunk = read.take(100)) {
                if (!chunk->early) {
                    users.AppendRows(chunk->columns, chunk->rows);
                }
                model.addUserRows(chunk->rows, chunk->early);
                ++(chunk->early ? chunks.first : chunks.second);
            }
        }
        EXPECT_EQ(read.failure(), "");
        users.EndFill();
        model.finishChunkedBuild();
        return chunks;
    }
};

TEST_P(ChunkedUserReadTest, EndsWithTheTreeIndexAndRowsOfTheOneShotRead)
{
    generate();
    openAndBuild();
    const std::vector<std::string> tree = test::dumpTree(m_model.tree());
    const OrgIndex index = m_model.index();
    const std::vector<std::string> rows = dumpUsers(m_users);
    ASSERT_GT(tree.size(), 1200u);

    // Small chunks with the early pass, and without it (a table too small for one), and one chunk.
    for (const auto& [chunkRows, earlyPassAbove] :
         {std::pair<std::size_t, std::size_t>{97, 0}, {97, 1'000'000}, {100'000, 0}}) {
        SCOPED_TRACE(std::to_string(chunkRows) + " rows a chunk, early pass above " + std::to_string(earlyPassAbove));
        CXTableUser users(&m_connection);
        CUnitUserModel chunked(OrgTables{&m_groups, &m_units, &users}, m_effects);
        const auto [early, whole] = readInChunks(chunked, users, chunkRows, earlyPassAbove);
        EXPECT_EQ(early > 1, chunkRows < 100 && earlyPassAbove == 0); // the first group's users span chunks
        EXPECT_EQ(whole > 10, chunkRows < 100);
        EXPECT_EQ(test::dumpTree(chunked.tree()), tree);
        EXPECT_EQ(chunked.index().allUserIds, index.allUserIds);
        EXPECT_EQ(chunked.index().mobiles, index.mobiles);
        EXPECT_EQ(chunked.index().emails, index.emails);
        EXPECT_EQ(chunked.index().duties, index.duties);
        EXPECT_EQ(chunked.index().groupUserCount, index.groupUserCount);
        EXPECT_EQ(chunked.index().nextUserId, index.nextUserId);
        EXPECT_EQ(dumpUsers(users), rows);
    }
}

TEST_P(ChunkedUserReadTest, AnEditAfterAChunkedReadComparesWithTheRowAsRead)
{
    generate();
    m_groups.Open();
    m_units.Open();
    readInChunks(m_model, m_users, 97);
    // Another program changes a user after the read: the edit through the record object must not
    // overwrite it.
    db().exec("UPDATE [BaseTable] SET [NAME] = 'changed elsewhere' WHERE [USER_ID] = 10007");
    for (m_users.MoveFirst(); !m_users.IsEOF() && m_users.m_USER_ID != 10007; m_users.MoveNext()) {
    }
    ASSERT_FALSE(m_users.IsEOF());
    m_users.Edit();
    m_users.m_NAME = "mine";
    EXPECT_THROW(m_users.Update(), RowMatchError);
}

TEST_P(ChunkedUserReadTest, ATableWithoutARowKeyIsReadInOneChunk)
{
    if (GetParam() != test::DbKind::MariaDb) {
        GTEST_SKIP() << "every SQLite table has its rowid";
    }
    generate();
    db().exec("ALTER TABLE [BaseTable] DROP COLUMN [qar_row_id]");
    openAndBuild();
    const std::vector<std::string> tree = test::dumpTree(m_model.tree());
    CXTableUser users(&m_connection);
    CUnitUserModel chunked(OrgTables{&m_groups, &m_units, &users}, m_effects);
    EXPECT_EQ(readInChunks(chunked, users, 97), std::make_pair(0, 1));
    EXPECT_EQ(test::dumpTree(chunked.tree()), tree);
}

INSTANTIATE_TEST_SUITE_P(Engines, ChunkedUserReadTest, ::testing::Values(test::DbKind::Sqlite, test::DbKind::MariaDb),
                         test::DbKindName{});

} // namespace
} // namespace qar
