// Batched inserts: rows arrive in the order they were added, whether they travel in whole VALUES lists
// or one by one at the end of a batch, and a row the database refuses fails the whole batch.
#include "db/BatchInsert.h"

#include "OdbcTestDb.h"
#include "db/CXDatabase.h"
#include "db/OdbcError.h"

#include <gtest/gtest.h>

namespace qar
{
namespace
{

class BatchInsertTest : public test::DbTest
{
protected:
    /// `rows` change rows numbered from 1, in batches of `batch` rows.
    void insert(int rows, std::size_t batch)
    {
        BatchInsert insert(m_connection, "ChangeTable",
                           {{"REC_ID", BatchInsert::Type::Int},
                            {"Table_Name", BatchInsert::Type::Text},
                            {"Key_Value", BatchInsert::Type::Int}},
                           batch);
        for (int i = 1; i <= rows; ++i) {
            insert.add(i);
            insert.add(std::string(static_cast<std::size_t>(i % 7), 'x') + std::to_string(i));
            insert.add(-i);
            insert.endRow();
        }
        insert.flush();
        EXPECT_EQ(insert.rowsWritten(), static_cast<std::size_t>(rows));
    }
};

TEST_P(BatchInsertTest, KeepsTheOrderOfTheRowsWhateverTheBatchLeavesOver)
{
    // 50 rows a VALUES list: whole lists only, lists and a rest, a rest alone, several batches.
    for (const auto& [rows, batch] : {std::pair{100, 100}, {123, 2000}, {7, 2000}, {260, 100}}) {
        SCOPED_TRACE(std::to_string(rows) + " rows, batches of " + std::to_string(batch));
        db().exec("DELETE FROM [ChangeTable]");
        insert(rows, batch);
        std::vector<std::vector<std::optional<std::string>>> expected;
        for (int i = 1; i <= rows; ++i) {
            expected.push_back({std::to_string(i),
                                std::string(static_cast<std::size_t>(i % 7), 'x') + std::to_string(i),
                                std::to_string(-i)});
        }
        // Insertion order is table order: the tool lists rows as the table holds them.
        EXPECT_EQ(db().query("SELECT [REC_ID], [Table_Name], [Key_Value] FROM [ChangeTable]"), expected);
    }
}

TEST_P(BatchInsertTest, ARefusedRowFailsItsBatch)
{
    for (int refused : {60, 110}) { // in a whole VALUES list, among the rows left over
        SCOPED_TRACE(refused);
        db().exec("DELETE FROM [ChangeTable]");
        db().refuseInserts("ChangeTable", "NEW.[REC_ID] = " + std::to_string(refused));
        m_connection.beginTransaction();
        EXPECT_THROW(insert(120, 2000), DbError);
        m_connection.rollback();
        db().exec("DROP TRIGGER refuse");
        EXPECT_EQ(db().count("[ChangeTable]"), 0);
    }
}

QAR_DB_TEST_ON_BOTH_ENGINES(BatchInsertTest);

} // namespace
} // namespace qar
