#pragma once

#include "GuiTestSupport.h"
#include "OdbcTestDb.h"
#include "app/ui/CMainDlg.h"
#include "db/ChangeLog.h"
#include "db/ColumnMap.h"

#include <QCoreApplication>
#include <QTest>

#include <memory>
#include <string>

Q_DECLARE_METATYPE(qar::test::DbKind)

namespace qar::test
{

/// The main window on a fresh database (SQLite unless told): a program folder of its own whose DB.dat names
/// the database, column maps and change-log numbers read anew, headless prompts.
class MainWindowOnDatabase
{
public:
    explicit MainWindowOnDatabase(DbKind kind = DbKind::Sqlite)
    {
        readAnew();
        m_db = std::make_unique<OdbcTestDb>(kind);
        writeFile(m_box.dir.file("UserData/config/DB.dat"), m_db->dbDat());
    }
    ~MainWindowOnDatabase()
    {
        m_dlg.reset();
        m_host.reset();
        m_db.reset();
        readAnew();
    }
    MainWindowOnDatabase(const MainWindowOnDatabase&) = delete;
    MainWindowOnDatabase& operator=(const MainWindowOnDatabase&) = delete;

    OdbcTestDb& db() { return *m_db; }
    const TempDir& dir() const { return m_box.dir; }
    ui::CMainDlg& window() { return *m_dlg; }
    FakeShellHost& host() { return *m_host; }

    /// Opens the window anew as the tool does at start, its post-initialisation step (which loads the
    /// pages) done.
    ui::CMainDlg& open(const StartOptions& options = {}, bool serverRunning = true)
    {
        m_dlg.reset();
        m_host = std::make_unique<FakeShellHost>(m_db->connectString(), serverRunning);
        m_dlg = std::make_unique<ui::CMainDlg>(options, *m_host, m_launcher);
        [this] { QVERIFY(m_dlg->initialise()); }();
        m_dlg->show();
        QCoreApplication::sendPostedEvents();
        return *m_dlg;
    }

private:
    static void readAnew()
    {
        ColumnMap::resetAllForTesting();
        ResetChangeLogForTesting();
    }

    ProgramSandbox m_box;
    std::unique_ptr<OdbcTestDb> m_db;
    RecordingLauncher m_launcher;
    std::unique_ptr<FakeShellHost> m_host;
    std::unique_ptr<ui::CMainDlg> m_dlg;
};

/// Unit `id` ("d<id>", in service) below `superId` (0 for the top) at tree level `level` of group `groupId`.
inline void addUnit(OdbcTestDb& db, int id, int superId, int level, int groupId = 1)
{
    db.exec("INSERT INTO [UnitTable] ([UNIT_ID], [UNIT_NAME], [SUPER_ID], [TREE_CLASS], [UNIT_STATUS], [CAN_LOG], "
            "[OL_TIME], [UNIT_ALIAS], [LOG_PWD], [GROUP_ID], [UNIT_FLAG]) VALUES (" +
            std::to_string(id) + ", 'd" + std::to_string(id) + "', " + std::to_string(superId) + ", " +
            std::to_string(level) + ", 1, 0, 0, '', '', " + std::to_string(groupId) + ", 0)");
}

/// User `id` ("u<id>", in service, no privileges) in unit `unitId`, of group `groupId`.
inline void addUser(OdbcTestDb& db, int id, int unitId, int groupId = 1)
{
    db.exec("INSERT INTO [BaseTable] ([USER_ID], [NAME], [UNIT_ID], [USER_STATUS], [POWER_FLAG], [GROUP_ID]) VALUES (" +
            std::to_string(id) + ", 'u" + std::to_string(id) + "', " + std::to_string(unitId) + ", 1, 0, " +
            std::to_string(groupId) + ")");
}

/// Groups 1 "One" and 2 "Two", unit 100 at the top of group 1 and unit 110 below it.
inline void addSmallTree(OdbcTestDb& db)
{
    db.exec("INSERT INTO [GroupTable] ([GROUP_ID], [GROUP_NAME]) VALUES (1, 'One'), (2, 'Two')");
    addUnit(db, 100, 0, 1);
    addUnit(db, 110, 100, 2);
}

/// The data column "engine" of a test run on both engines: a row for SQLite and one for MariaDB.
inline void addEngineRows()
{
    QTest::addColumn<DbKind>("engine");
    QTest::newRow("SQLite") << DbKind::Sqlite;
    QTest::newRow("MariaDB") << DbKind::MariaDb;
}

/// A main window on `engine` (not yet opened), or null when MariaDB is asked for and no server is
/// configured: the test is then skipped, or failed under QAR_REQUIRE_MARIADB=1.
inline std::unique_ptr<MainWindowOnDatabase> mainWindowOn(DbKind engine)
{
    if (engine == DbKind::MariaDb && !mariaDbFromEnv()) {
        if (mariaDbRequired()) {
            QTest::qFail("QAR_REQUIRE_MARIADB=1 but no MariaDB server is configured", __FILE__, __LINE__);
        } else {
            QTest::qSkip("no MariaDB server configured (QAR_TEST_MARIADB_*)", __FILE__, __LINE__);
        }
        return nullptr;
    }
    return std::make_unique<MainWindowOnDatabase>(engine);
}

} // namespace qar::test
