// A page shown again through the side bar reads again only when what it shows changed since it last read:
// another connection's write, the tool's own write through its connection, another program's file. Refresh
// always reads. A page that reads rebuilds its tree (a new revision) or resets its list's model. On MariaDB
// the test lets the server's background work end after writing, since it too makes the pages read.
#include "MainWindowOnDatabase.h"
#include "app/ui/CAdminApp.h"
#include "app/ui/MessageService.h"
#include "db/CDatabaseSession.h"
#include "org/ui/CUnitUserPage.h"

#include <QAbstractItemView>
#include <QListWidget>
#include <QSignalSpy>

using namespace qar;
using namespace qar::ui;
using test::child;
using test::click;

namespace
{

// Side-bar rows of a system manager.
constexpr int kGroupsRow = 0;
constexpr int kRolesRow = 1;
constexpr int kUnitsRow = 2;
constexpr int kAppsRow = 3;

constexpr const char* kOneApp = "<QAR_APPS><A ID=\"9\" N=\"Nine\" URL=\"http://nine\" G=\"0\" T=\"0\"/></QAR_APPS>";
constexpr const char* kTwoApps = "<QAR_APPS><A ID=\"9\" N=\"Nine\" URL=\"http://nine\" G=\"0\" T=\"0\"/>"
                                 "<A ID=\"8\" N=\"Eight\" URL=\"http://eight\" G=\"0\" T=\"0\"/></QAR_APPS>";

} // namespace

class PageShowAgainTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initResources(); }
    void cleanup() { m_main.reset(); }

    void databasePagesReadAgainOnlyAfterAWrite_data() { test::addEngineRows(); }
    void databasePagesReadAgainOnlyAfterAWrite()
    {
        QFETCH(test::DbKind, engine);
        if (!openOn(engine)) {
            return;
        }
        show(kUnitsRow); // its first build used the rows read as the database opened
        QSignalSpy groupsRead(groupList()->model(), &QAbstractItemModel::modelReset);

        std::uint64_t revision = tree().revision();
        show(kGroupsRow);
        show(kUnitsRow);
        QCOMPARE(tree().revision(), revision);
        QCOMPARE(groupsRead.count(), 0);

        // Another connection renames a group and a unit.
        m_main->db().exec("UPDATE [GroupTable] SET [GROUP_NAME] = 'Uno' WHERE [GROUP_ID] = 1");
        m_main->db().exec("UPDATE [UnitTable] SET [UNIT_NAME] = 'Lower' WHERE [UNIT_ID] = 110");
        settle();
        show(kGroupsRow);
        QCOMPARE(groupsRead.count(), 1);
        QCOMPARE(groupList()->model()->index(0, 1).data().toString(), QStringLiteral("Uno"));
        show(kUnitsRow);
        QVERIFY(tree().revision() != revision);
        QVERIFY(nodeText(units().model().index().groupNodes.at(1)).find("Uno") != std::string::npos);
        QVERIFY(nodeText(units().model().index().unitNodes.at(110)).find("Lower") != std::string::npos);

        // The tool writes through its own connection, as another page of it does.
        revision = tree().revision();
        CXTableUnit& unitTable = m_main->window().session().tableUnit();
        unitTable.Open();
        for (unitTable.MoveFirst(); unitTable.m_UNIT_ID != 110; unitTable.MoveNext()) {
        }
        unitTable.Edit();
        unitTable.m_UNIT_NAME = std::string("Own");
        QVERIFY(unitTable.Update());
        settle();
        show(kGroupsRow);
        show(kUnitsRow);
        QVERIFY(tree().revision() != revision);
        QVERIFY(nodeText(units().model().index().unitNodes.at(110)).find("Own") != std::string::npos);

        // Refresh reads whatever the check would say.
        revision = tree().revision();
        click(units(), "refreshButton");
        QVERIFY(tree().revision() != revision);
        show(kGroupsRow);
        const int reads = groupsRead.count();
        click(page(PageKind::Groups), "refreshButton");
        QCOMPARE(groupsRead.count(), reads + 1);
        QVERIFY(MessageService::instance().shown().isEmpty());
    }

    void cataloguePageReadsAgainOnlyAfterItsFileChanged()
    {
        if (!openOn(test::DbKind::Sqlite)) {
            return;
        }
        const std::string apps = m_main->dir().file("UserData/config/xmldata/apps.xml");
        test::writeFile(apps, kOneApp);
        show(kAppsRow);
        auto* list = page(PageKind::Applications).findChild<QAbstractItemView*>();
        QCOMPARE(list->model()->rowCount(), 1);
        QSignalSpy read(list->model(), &QAbstractItemModel::modelReset);

        show(kRolesRow);
        show(kAppsRow);
        QCOMPARE(read.count(), 0);

        // Another program rewrites the file at once, and then again with the same size: only its content
        // tells the second write from the first within the file system's clock tick.
        test::writeFile(apps, kTwoApps);
        show(kRolesRow);
        show(kAppsRow);
        QCOMPARE(read.count(), 1);
        QCOMPARE(list->model()->rowCount(), 2);
        std::string sameSize = kTwoApps;
        sameSize.replace(sameSize.find("Eight"), 5, "Acht!");
        test::writeFile(apps, sameSize);
        show(kRolesRow);
        show(kAppsRow);
        QCOMPARE(read.count(), 2);

        click(page(PageKind::Applications), "refreshButton");
        QCOMPARE(read.count(), 3);
    }

private:
    /// The main window on `engine` with groups 1 and 2 and units 100 and 110 in group 1; false (the test
    /// skipped) without a MariaDB server to run on.
    bool openOn(test::DbKind engine)
    {
        m_main = test::mainWindowOn(engine);
        if (!m_main) {
            return false;
        }
        m_kind = engine;
        test::OdbcTestDb& db = m_main->db();
        if (engine == test::DbKind::MariaDb) {
            // Statistics recalculated in the background would move the redo log at a moment of their own.
            for (const char* table : {"GroupTable", "UnitTable", "BaseTable"}) {
                db.exec(std::string("ALTER TABLE [") + table + "] STATS_AUTO_RECALC = 0");
            }
        }
        test::addSmallTree(db);
        settle();
        m_main->open();
        MessageService::instance().reset();
        return true;
    }

    /// MariaDB's background work (purge after an update, statistics) also moves the redo log on which the
    /// check relies: the test waits until the server is quiet, so that only the test's writes tell.
    void settle() const
    {
        if (m_kind != test::DbKind::MariaDb) {
            return;
        }
        std::optional<std::string> last;
        for (int i = 0; i < 40; ++i) {
            const test::Rows lsn = m_main->db().query("SHOW GLOBAL STATUS LIKE 'Innodb_lsn_current'");
            if (!lsn.empty() && lsn[0][1] == last) {
                return;
            }
            last = lsn.empty() ? std::nullopt : lsn[0][1];
            QTest::qWait(300);
        }
    }

    void show(int row) { child<QListWidget>(m_main->window(), "sideBarList")->setCurrentRow(row); }
    CAdminPage& page(PageKind kind) { return *m_main->window().page(kind); }
    CUnitUserPage& units() { return *static_cast<CUnitUserPage*>(&page(PageKind::UnitsAndUsers)); }
    const OrgTree& tree() { return units().model().tree(); }
    std::string nodeText(OrgTree::NodeId node) { return std::string(tree().text(node)); }
    QAbstractItemView* groupList() { return page(PageKind::Groups).findChild<QAbstractItemView*>(); }

    std::unique_ptr<test::MainWindowOnDatabase> m_main;
    test::DbKind m_kind = test::DbKind::Sqlite;
};

QTEST_MAIN(PageShowAgainTest)
#include "PageShowAgainTest.moc"
