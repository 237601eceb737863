// The units-and-users page on a users table read in chunks while the tree is in use: whatever happens
// meanwhile (Refresh, the timer, another read of the table), the tree ends as a read in one go builds it;
// a command that needs every user waits for the rest; a read that fails says so and leaves the page usable.
#include "DataGenerator.h"
#include "MainWindowOnDatabase.h"
#include "OrgDbTest.h"
#include "app/ui/CAdminApp.h"
#include "app/ui/MessageService.h"
#include "app/ui/UiText.h"
#include "db/CDatabaseSession.h"
#include "org/ui/COrgFindBar.h"
#include "org/ui/CUnitUserPage.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"

#include <QLineEdit>
#include <QTreeView>

using namespace qar;
using namespace qar::ui;

namespace
{

struct NoEffects : IOrgEffects
{
    void setUnitsChanged() override {}
    void setUsersChanged() override {}
    void setGroupsChanged() override {}
    void updateServiceButtons() override {}
    void logChange(const std::string&, const std::string&, std::int32_t, std::uint8_t) override {}
};

} // namespace

class UserChunksTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        initResources();
        MessageService::instance().setHeadless(true);
    }
    void init()
    {
        // Every read runs its early pass and shows the tree before the rest, 53 rows a chunk.
        CUnitUserPage::setUserReadLimits(0, 53, 1);
        MessageService::instance().reset();
    }
    void cleanup()
    {
        m_main.reset();
        CUnitUserPage::setUserReadLimits(150'000, 20'000);
    }

    void refreshTimerAndAnotherReadMeanwhileEndInTheOneShotTree_data() { test::addEngineRows(); }
    void refreshTimerAndAnotherReadMeanwhileEndInTheOneShotTree()
    {
        QFETCH(test::DbKind, engine);
        if (!generate(engine)) {
            return;
        }
        const std::vector<std::string> expected = oneShotTree();
        CUnitUserPage& units = page();
        QVERIFY(units.readingUsers());
        const std::size_t early = units.model().tree().size();

        // Refresh, then the timer's tick, then the groups page reading the users object for its account
        // list, each while chunks are still coming.
        test::click(units, "refreshButton");
        QVERIFY(units.readingUsers());
        QCOMPARE(units.model().tree().size(), early); // read anew, not added to what was there
        takeSomeChunks();
        m_main->window().session().RefreshConnection();
        units.connectionRefreshed();
        takeSomeChunks();
        QVERIFY(units.readingUsers());
        CXTableUser& users = m_main->window().session().tableUser();
        users.Close();
        users.Open();
        QTRY_VERIFY(!units.readingUsers());
        QCOMPARE(test::dumpTree(units.model().tree()), expected);

        test::click(units, "refreshButton");
        QTRY_VERIFY(!units.readingUsers());
        QCOMPARE(test::dumpTree(units.model().tree()), expected);
        QVERIFY(MessageService::instance().shown().isEmpty());
    }

    void findWaitsForEveryUser()
    {
        if (!generate(test::DbKind::Sqlite)) {
            return;
        }
        CUnitUserPage& units = page();
        QVERIFY(units.readingUsers());
        units.openFindBar();
        QVERIFY(!units.readingUsers());
        // The user added last is the last row read.
        test::child<QLineEdit>(units, "findLineEdit")->setText(QStringLiteral("10900"));
        const OrgTree& tree = units.model().tree();
        QCOMPARE(tree.kind(units.selectedNode()), NodeKind::User);
        QCOMPARE(tree.itemData(units.selectedNode()), 10900);
    }

    void aReadFailingHalfWaySaysSoAndLeavesThePageUsable()
    {
        if (!generate(test::DbKind::Sqlite)) {
            return;
        }
        page().waitForUsers();
        // A row key beyond what a chunked read can go by, in the last group's unit: the read fails at its
        // last chunk, after the tree was shown.
        m_main->db().exec("INSERT INTO [BaseTable] (rowid, [USER_ID], [NAME], [UNIT_ID], [GROUP_ID]) SELECT "
                          "3000000000, 99, 'far', MAX([UNIT_ID]), 3 FROM [UnitTable] WHERE [GROUP_ID] = 3");
        test::click(page(), "refreshButton");
        page().waitForUsers();
        const QList<ShownMessage>& shown = MessageService::instance().shown();
        QVERIFY(!shown.isEmpty());
        QCOMPARE(shown.first().text, ui::text(str::kOperationFailed));
        QVERIFY(shown.first().details.contains(QStringLiteral("BaseTable")));
        QVERIFY(page().model().tree().size() > 0); // the groups and units stay in view

        m_main->db().exec("DELETE FROM [BaseTable] WHERE [USER_ID] = 99");
        MessageService::instance().reset();
        test::click(page(), "refreshButton");
        page().waitForUsers();
        QVERIFY(MessageService::instance().shown().isEmpty());
        QCOMPARE(test::dumpTree(page().model().tree()), oneShotTree());
    }

private:
    bool generate(test::DbKind engine)
    {
        m_main = test::mainWindowOn(engine);
        if (!m_main) {
            return false;
        }
        CXDatabase db;
        db.Open(m_main->db().connectString());
        DataGenOptions o;
        o.groups = 3;
        o.units = 40;
        o.depth = 4;
        o.users = 900;
        o.seed = 5;
        generateData(db, o);
        m_main->open();
        return true;
    }

    CUnitUserPage& page() { return *static_cast<CUnitUserPage*>(m_main->window().page(PageKind::UnitsAndUsers)); }

    void takeSomeChunks()
    {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::processEvents();
        }
    }

    /// The tree a build from tables read in one go shows, on a connection of its own.
    std::vector<std::string> oneShotTree()
    {
        CXDatabase db;
        db.Open(m_main->db().connectString());
        CXTableGroup groups(&db);
        CXTableUnit units(&db);
        CXTableUser users(&db);
        groups.Open();
        units.Open();
        users.Open();
        NoEffects effects;
        CUnitUserModel model(OrgTables{&groups, &units, &users}, effects, OrgTexts::load(LoadAnsiString));
        model.buildTree();
        return test::dumpTree(model.tree());
    }

    std::unique_ptr<test::MainWindowOnDatabase> m_main;
};

QTEST_MAIN(UserChunksTest)
#include "UserChunksTest.moc"
