#include "catalog/ui/CEnvParamPage.h"

#include "GuiTestSupport.h"
#include "OdbcTestDb.h"
#include "app/ui/CAdminApp.h"
#include "app/ui/CMainDlg.h"
#include "app/ui/MessageService.h"
#include "catalog/CEnvParamModel.h"
#include "db/ChangeLog.h"
#include "db/ColumnMap.h"

#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <memory>

using namespace qar;
using namespace qar::ui;

namespace
{

/// The main window's services on a real database, with the server stopped.
class DbShellHost : public ShellHost
{
public:
    explicit DbShellHost(const std::string& connect) : databaseSession(connect) {}

    CDatabaseSession databaseSession;
    test::StoppedServer server;
    CChangeLog log{databaseSession.tableChangeTmp(), server};
    test::FakeProbe probe;

    void ensureDataSource() override {}
    bool openDatabase() override { return databaseSession.OpenDatabase(); }
    void refreshConnection() override {}
    void closeDatabase() override { databaseSession.CloseAll(); }
    int groupUserLimit(int) override { return 0; }
    CDatabaseSession& session() override { return databaseSession; }
    CChangeLog& changeLog() override { return log; }
    IServerProbe& serverProbe() override { return probe; }
    std::unique_ptr<IVexLink> makeNetworkClient(const StartOptions&, VexEventSink) override
    {
        return std::make_unique<test::RecordingLink>();
    }
};

} // namespace

class CEnvParamPageTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initResources(); }

    void init()
    {
        m_programDir = std::make_unique<test::TempDir>();
        m_programEnv = std::make_unique<test::ScopedEnv>("QAR_PROGRAM_DIR", m_programDir->path().c_str());
        ColumnMap::resetAllForTesting();
        m_db = std::make_unique<test::OdbcTestDb>(test::DbKind::Sqlite);
        test::writeFile(m_programDir->file("UserData/config/DB.dat"), m_db->dbDat());
        test::writeFile(EnvParamDatPath(), "[EnvParam]\nPassword_Method=PwdMethod\nExtend_Interface_Field=ExtField\n");
        m_messages = std::make_unique<test::HeadlessMessages>();
    }

    void cleanup()
    {
        m_dlg.reset();
        m_host.reset();
        m_messages.reset();
        m_db.reset();
        m_programEnv.reset();
        m_programDir.reset();
    }

    void loadsOnceAtStartAndStaysHidden()
    {
        param("PwdMethod", "'MD5'");
        param("ExtField", "'Setting'");
        param("Mail", "NULL");
        openWindow();

        QCOMPARE(listed(), (QStringList{QStringLiteral("PwdMethod|MD5"), QStringLiteral("ExtField|Setting"),
                                        QStringLiteral("Mail|<Not assigned>")}));
        const EnvParamValues values = CEnvParamPage::valuesOf(m_dlg.get());
        QCOMPARE(values.passwordMethod, std::string("MD5"));
        QVERIFY(values.accountMode());
        QVERIFY(CEnvParamPage::valuesOf(nullptr).passwordMethod.empty());

        // No side-bar entry ever brings the page up.
        auto* bar = m_dlg->findChild<QListWidget*>(QStringLiteral("sideBarList"));
        for (int row = 0; row < bar->count(); ++row) {
            bar->setCurrentRow(row);
            QVERIFY(!page().isVisible());
        }
        QVERIFY(!page().isVisibleTo(m_dlg.get()));

        // Without Refresh the page keeps what it read at start.
        m_db->exec("UPDATE [ParamTable] SET [Param_Value] = 'Plain' WHERE [Param_Name] = 'PwdMethod'");
        QCOMPARE(CEnvParamPage::valuesOf(m_dlg.get()).passwordMethod, std::string("MD5"));
    }

    void refreshReloadsTheListAndModifyFollowsTheSelection()
    {
        param("PwdMethod", "'MD5'");
        openWindow();
        auto* modify = page().findChild<QPushButton*>(QStringLiteral("modifyButton"));
        QVERIFY(!modify->isEnabled());
        list()->setCurrentItem(list()->topLevelItem(0));
        QVERIFY(modify->isEnabled());

        m_db->exec("UPDATE [ParamTable] SET [Param_Value] = '' WHERE [Param_Name] = 'PwdMethod'");
        param("ExtField", "'setting'");
        page().findChild<QPushButton*>(QStringLiteral("refreshButton"))->click();
        QCOMPARE(listed(),
                 (QStringList{QStringLiteral("PwdMethod|<Not assigned>"), QStringLiteral("ExtField|setting")}));
        QVERIFY(!modify->isEnabled()); // the reloaded list has no selection
        const EnvParamValues values = page().values();
        QCOMPARE(values.passwordMethod, std::string());
        QVERIFY(!values.accountMode());
        QVERIFY(MessageService::instance().shown().isEmpty());
    }

private:
    void param(const char* name, const char* valueSql)
    {
        m_db->exec(std::string("INSERT INTO [ParamTable] ([Param_Name], [Param_Value]) VALUES ('") + name + "', " +
                   valueSql + ")");
    }
    void openWindow()
    {
        m_host = std::make_unique<DbShellHost>(m_db->connectString());
        m_dlg = std::make_unique<CMainDlg>(StartOptions{}, *m_host, m_launcher);
        QVERIFY(m_dlg->initialise());
        m_dlg->show();
        QCoreApplication::sendPostedEvents(); // the post-initialisation step loads the pages
    }
    CEnvParamPage& page() { return *qobject_cast<CEnvParamPage*>(m_dlg->page(PageKind::EnvironmentParameters)); }
    QTreeWidget* list() { return page().findChild<QTreeWidget*>(QStringLiteral("paramsTreeWidget")); }
    QStringList listed()
    {
        QStringList rows;
        for (int i = 0; i < list()->topLevelItemCount(); ++i) {
            rows << list()->topLevelItem(i)->text(0) + QLatin1Char('|') + list()->topLevelItem(i)->text(1);
        }
        return rows;
    }
    std::unique_ptr<test::TempDir> m_programDir;
    std::unique_ptr<test::ScopedEnv> m_programEnv;
    std::unique_ptr<test::OdbcTestDb> m_db;
    std::unique_ptr<test::HeadlessMessages> m_messages;
    test::RecordingLauncher m_launcher;
    std::unique_ptr<DbShellHost> m_host;
    std::unique_ptr<CMainDlg> m_dlg;
};

QTEST_MAIN(CEnvParamPageTest)
#include "CEnvParamPageTest.moc"
