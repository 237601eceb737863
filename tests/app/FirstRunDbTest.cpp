#include "OdbcTestDb.h"
#include "app/Corporation.h"
#include "db/CDatabaseSession.h"
#include "db/OdbcError.h"

#include <gtest/gtest.h>

#include <optional>

namespace qar
{
namespace
{

class FirstRunDbTest : public test::DbTest
{
protected:
    void SetUp() override
    {
        test::DbTest::SetUp();
        m_windows = std::make_unique<test::ScopedEnv>("QAR_WINDOWS_DIR", programDir().file("windows").c_str());
    }

    void TearDown() override
    {
        m_session.reset();
        m_windows.reset();
        test::DbTest::TearDown();
    }

    void writeHandOff(bool withImage)
    {
        if (withImage) {
            test::writeFile(programDir().file("windows/Data0.d_t"), "BMP");
        }
        test::writeFile(programDir().file("windows/Data1.d_t"), "units");
        test::writeFile(programDir().file("windows/Data2.d_t"), "users");
        test::writeFile(programDir().file("windows/Data3.d_t"), "[Info]\nm_sCorp=Acme\nm_sHttp=http://acme.example\n");
    }

    /// Runs the set-up; the form "accepts" what it was offered, or `typed` when given. `meanwhile` is run
    /// by another program while the form is open.
    void run(std::optional<CorporationInfo> typed = std::nullopt, const std::string& meanwhile = {})
    {
        m_session = std::make_unique<CDatabaseSession>();
        ASSERT_TRUE(m_session->OpenDatabase()) << m_session->lastError();
        RunFirstRunSetup(*m_session, [&](const CorporationInfo& initial, bool autoAccept) {
            m_asked = initial;
            m_autoAccept = autoAccept;
            if (!meanwhile.empty()) {
                db().exec(meanwhile);
            }
            return typed ? *typed : initial;
        });
    }

    std::optional<CorporationInfo> m_asked;
    bool m_autoAccept = false;
    std::unique_ptr<test::ScopedEnv> m_windows;
    std::unique_ptr<CDatabaseSession> m_session; ///< the main window's, after the set-up
};

TEST_P(FirstRunDbTest, CompleteHandOffNamesGroupOneAndSeedsTheRootUnit)
{
    db().exec("INSERT INTO [GroupTable] ([GROUP_ID], [GROUP_NAME]) VALUES (1, 'Default')");
    db().exec("INSERT INTO [GroupTable] ([GROUP_ID], [GROUP_NAME]) VALUES (2, 'Other')");
    writeHandOff(true);
    run();
    ASSERT_TRUE(m_asked);
    EXPECT_EQ(*m_asked, (CorporationInfo{"Acme", "http://acme.example"}));
    EXPECT_TRUE(m_autoAccept);
    EXPECT_EQ(test::readFile(programDir().file("AppConf.bmp")), "BMP");
    EXPECT_EQ(ReadCorporationInfo(), (CorporationInfo{"Acme", "http://acme.example"}));
    using Row = std::vector<std::optional<std::string>>;
    EXPECT_EQ(db().query("SELECT [GROUP_NAME], [GROUP_URL] FROM [GroupTable] ORDER BY [GROUP_ID]"),
              (std::vector<Row>{{"Acme", "http://acme.example"}, {"Other", std::nullopt}}));
    EXPECT_EQ(db().query("SELECT [UNIT_ID], [UNIT_NAME], [SUPER_ID], [TREE_CLASS], [CAN_LOG], [UNIT_ALIAS], "
                         "[GROUP_ID] FROM [UnitTable]"),
              test::rows({{"101", "Acme", "0", "1", "0", "", "1"}}));
    EXPECT_EQ(m_session->tableUnit().GetRecordCount(), 1); // the pages build their first tree from it
}

TEST_P(FirstRunDbTest, IncompleteHandOffTakesNothingOverAndAsksTheAdministrator)
{
    db().exec("INSERT INTO [GroupTable] ([GROUP_ID]) VALUES (1)");
    db().exec("INSERT INTO [UnitTable] ([UNIT_ID], [UNIT_NAME]) VALUES (5, 'Existing')");
    writeHandOff(false);
    run(CorporationInfo{"Typed", "http://typed"});
    ASSERT_TRUE(m_asked);
    EXPECT_EQ(*m_asked, (CorporationInfo{"", "http://"}));
    EXPECT_FALSE(m_autoAccept);
    EXPECT_FALSE(std::filesystem::exists(programDir().file("AppConf.bmp")));
    EXPECT_EQ(ReadCorporationInfo(), (CorporationInfo{"Typed", "http://typed"}));
    // An organisation that has units keeps them as they are.
    EXPECT_EQ(db().count("[UnitTable]"), 1);
}

TEST_P(FirstRunDbTest, NothingHappensUnlessTheFirstGroupIsGroupOne)
{
    for (bool withGroup : {false, true}) {
        SCOPED_TRACE(withGroup);
        if (withGroup) {
            db().exec("INSERT INTO [GroupTable] ([GROUP_ID]) VALUES (2)");
            db().exec("INSERT INTO [GroupTable] ([GROUP_ID]) VALUES (1)");
        }
        run();
        EXPECT_FALSE(m_asked);
        EXPECT_FALSE(std::filesystem::exists(programDir().file("UserData/config/EnvInfo.dat")));
        EXPECT_EQ(db().count("[UnitTable]"), 0);
    }
}

// Group 1 renamed by another program while the form is open: the set-up fails (the window shows 253) and
// keeps that name. Deleted meanwhile: there is nothing to name, the rest of the set-up goes on.
TEST_P(FirstRunDbTest, GroupOneChangedMeanwhileFailsTheSetUpAndDeletedMeanwhileIsPassedOver)
{
    db().exec("INSERT INTO [GroupTable] ([GROUP_ID], [GROUP_NAME]) VALUES (1, 'Default')");
    EXPECT_THROW(run(CorporationInfo{"Typed", "http://typed"},
                     "UPDATE [GroupTable] SET [GROUP_NAME] = 'Theirs' WHERE [GROUP_ID] = 1"),
                 DbError);
    EXPECT_EQ(db().query("SELECT [GROUP_NAME] FROM [GroupTable]"), test::rows({{"Theirs"}}));
    EXPECT_FALSE(std::filesystem::exists(programDir().file("UserData/config/EnvInfo.dat")));

    EXPECT_NO_THROW(run(CorporationInfo{"Typed", "http://typed"}, "DELETE FROM [GroupTable] WHERE [GROUP_ID] = 1"));
    EXPECT_EQ(db().count("[GroupTable]"), 0);
    EXPECT_EQ(ReadCorporationInfo(), (CorporationInfo{"Typed", "http://typed"}));
    EXPECT_EQ(db().count("[UnitTable] WHERE [UNIT_ID] = 101"), 1);
}

QAR_DB_TEST_ON_BOTH_ENGINES(FirstRunDbTest);

} // namespace
} // namespace qar
