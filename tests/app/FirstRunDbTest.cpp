#include "OdbcTestDb.h"
#include "app/Corporation.h"
#include "db/CDatabaseSession.h"

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

    /// Runs the set-up; the form "accepts" what it was offered, or `typed` when given.
    void run(std::optional<CorporationInfo> typed = std::nullopt)
    {
        CDatabaseSession session;
        ASSERT_TRUE(session.OpenDatabase()) << session.lastError();
        RunFirstRunSetup(session, [&](const CorporationInfo& initial, bool autoAccept) {
            m_asked = initial;
            m_autoAccept = autoAccept;
            return typed ? *typed : initial;
        });
    }

    std::optional<CorporationInfo> m_asked;
    bool m_autoAccept = false;
    std::unique_ptr<test::ScopedEnv> m_windows;
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

QAR_DB_TEST_ON_BOTH_ENGINES(FirstRunDbTest);

} // namespace
} // namespace qar
