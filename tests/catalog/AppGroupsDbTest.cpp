#include "OdbcTestDb.h"
#include "catalog/AppCatalog.h"
#include "db/CXTableGroup.h"

#include <gtest/gtest.h>

namespace qar
{
namespace
{

using AppGroupsDbTest = test::DbTest;

TEST_P(AppGroupsDbTest, ListsThePublicEntryThenEachGroupWithItsName)
{
    db().exec("INSERT INTO [GroupTable] ([GROUP_ID], [GROUP_NAME]) VALUES (0, 'Default'), (7, 'Sales'), (-1, 'Odd'), "
              "(3, NULL)");
    CXTableGroup groups(&m_connection);
    std::vector<std::string> shown;
    for (const AppGroupChoice& choice : ReadGroupChoices(&groups)) {
        shown.push_back(AppGroupChoiceText(choice));
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"0", "7 - Sales", "3"}));
    EXPECT_EQ(ReadGroupChoices(nullptr).size(), 1u);
}

QAR_DB_TEST_ON_BOTH_ENGINES(AppGroupsDbTest);

} // namespace
} // namespace qar
