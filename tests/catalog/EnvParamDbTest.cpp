#include "OdbcTestDb.h"
#include "catalog/CEnvParamModel.h"
#include "db/CXDatabase.h"
#include "db/CXTableEnvParam.h"
#include "resources/StringIds.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace qar
{
namespace
{

using Params = std::vector<std::pair<std::string, const char*>>; // nullptr: NULL value

class EnvParamDbTest : public test::DbTest
{
protected:
    void writeSettings(const std::string& passwordMethod, const std::string& extendField)
    {
        test::writeFile(EnvParamDatPath(), "[EnvParam]\nPassword_Method=" + passwordMethod +
                                               "\nExtend_Interface_Field=" + extendField + "\n");
    }

    void insert(const Params& params)
    {
        for (const auto& [name, value] : params) {
            db().exec("INSERT INTO [ParamTable] ([Param_Name], [Param_Value]) VALUES ('" + name + "', " +
                      (value != nullptr ? "'" + std::string(value) + "'" : std::string("NULL")) + ")");
        }
    }

    /// A model on a freshly opened record object, loaded once as the page does at start.
    CEnvParamModel& started()
    {
        m_table.Open();
        m_model.refresh();
        return m_model;
    }

    CXTableEnvParam m_table{&m_connection};
    CEnvParamModel m_model{&m_table};
};

TEST_P(EnvParamDbTest, ListsRowsInTableOrderAndPicksBothValuesByExactName)
{
    writeSettings("PwdMethod", "ExtField");
    insert({{"PwdMethod", "MD5"}, {"pwdmethod", "plain"}, {"ExtField", "Setting"}, {"Empty", ""}, {"Null", nullptr}});
    const CEnvParamModel& model = started();

    ASSERT_EQ(model.rows().size(), 5u);
    const char* names[] = {"PwdMethod", "pwdmethod", "ExtField", "Empty", "Null"};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(model.rows()[i].name, names[i]);
    }
    EXPECT_EQ(model.rows()[0].valueTextId, 0);
    // Empty and NULL values are both shown as "<Not assigned>".
    EXPECT_EQ(model.rows()[3].valueTextId, str::kNotAssigned);
    EXPECT_EQ(model.rows()[4].valueTextId, str::kNotAssigned);
    EXPECT_EQ(model.rows()[4].value, "");
    EXPECT_EQ(model.passwordMethod(), "MD5");
    EXPECT_EQ(model.extendInterfaceField(), "Setting");
    EXPECT_TRUE(model.accountMode());
}

TEST_P(EnvParamDbTest, EmptyOrMissingSettingsPickNothingEvenFromARowWithoutName)
{
    insert({{"", "MD5"}, {"Password_Method", "MD5"}});
    started(); // no EnvParam.dat at all
    EXPECT_EQ(m_model.rows().size(), 2u);
    EXPECT_EQ(m_model.passwordMethod(), "");
    writeSettings("", "");
    m_model.refresh();
    EXPECT_EQ(m_model.passwordMethod(), "");
    EXPECT_EQ(m_model.extendInterfaceField(), "");
}

TEST_P(EnvParamDbTest, RefreshReadsSettingsAndRowsAnewButKeepsAValueNoRowMatches)
{
    writeSettings("Pwd", "Ext");
    insert({{"Pwd", "MD5"}, {"Ext", "Setting"}});
    started();
    db().exec("UPDATE [ParamTable] SET [Param_Value] = 'Plain' WHERE [Param_Name] = 'Pwd'");
    db().exec("DELETE FROM [ParamTable] WHERE [Param_Name] = 'Ext'");
    insert({{"Other", "x"}});

    EXPECT_TRUE(m_model.refresh());
    ASSERT_EQ(m_model.rows().size(), 2u);
    EXPECT_EQ(m_model.rows()[1].name, "Other");
    EXPECT_EQ(m_model.passwordMethod(), "Plain");
    EXPECT_EQ(m_model.extendInterfaceField(), "Setting"); // no row named "Ext" any more

    writeSettings("Other", "Ext");
    m_model.refresh();
    EXPECT_EQ(m_model.passwordMethod(), "x");
}

TEST_P(EnvParamDbTest, EmptyTableOrClosedObjectLeavesListAndValuesAlone)
{
    writeSettings("Pwd", "Ext");
    insert({{"Pwd", "MD5"}, {"Ext", "Setting"}});
    started();
    db().exec("DELETE FROM [ParamTable]");
    EXPECT_FALSE(m_model.refresh());
    EXPECT_EQ(m_model.rows().size(), 2u);
    EXPECT_EQ(m_model.passwordMethod(), "MD5");

    // A reopen that fails (the table is gone) leaves the object closed and says nothing.
    insert({{"Pwd", "Plain"}});
    db().exec("DROP TABLE [ParamTable]");
    EXPECT_FALSE(m_model.refresh());
    EXPECT_FALSE(m_table.IsOpen());
    EXPECT_EQ(m_model.rows().size(), 2u);
    EXPECT_EQ(m_model.extendInterfaceField(), "Setting");

    CEnvParamModel detached;
    EXPECT_FALSE(detached.refresh());
    EXPECT_TRUE(detached.rows().empty());
}

QAR_DB_TEST_ON_BOTH_ENGINES(EnvParamDbTest);

} // namespace
} // namespace qar
