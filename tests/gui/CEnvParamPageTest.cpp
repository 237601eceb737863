#include "catalog/ui/CEnvParamPage.h"

#include "CatalogGuiSupport.h"
#include "MainWindowOnDatabase.h"
#include "app/ui/CAdminApp.h"
#include "app/ui/MessageService.h"
#include "catalog/CEnvParamModel.h"

#include <QPushButton>
#include <QTreeWidget>

using namespace qar;
using namespace qar::ui;
using test::child;

// Reading the settings and the rows is covered by the core's tests; these show the hidden page in the
// main window loading once at start and again on Refresh only.
class CEnvParamPageTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initResources(); }

    void init()
    {
        m_main = std::make_unique<test::MainWindowOnDatabase>();
        m_db = &m_main->db();
        test::writeFile(EnvParamDatPath(), "[EnvParam]\nPassword_Method=PwdMethod\nExtend_Interface_Field=ExtField\n");
        m_db->exec("INSERT INTO [ParamTable] ([Param_Name], [Param_Value]) VALUES ('PwdMethod', 'MD5')");
        m_db->exec("INSERT INTO [ParamTable] ([Param_Name], [Param_Value]) VALUES ('Mail', NULL)");
        m_dlg = &m_main->open({}, false);
    }

    void cleanup() { m_main.reset(); }

    void loadsOnceAtStartAndAgainOnRefresh()
    {
        QCOMPARE(listed(), (QStringList{QStringLiteral("PwdMethod|MD5"), QStringLiteral("Mail|<Not assigned>")}));
        QCOMPARE(CEnvParamPage::valuesOf(m_dlg).passwordMethod, std::string("MD5"));
        QVERIFY(!CEnvParamPage::valuesOf(m_dlg).accountMode());
        QVERIFY(CEnvParamPage::valuesOf(nullptr).passwordMethod.empty());
        QVERIFY(!page().isVisibleTo(m_dlg));

        auto* modify = child<QPushButton>(page(), "modifyButton");
        QVERIFY(!modify->isEnabled());
        list()->setCurrentItem(list()->topLevelItem(0));
        QVERIFY(modify->isEnabled());

        m_db->exec("UPDATE [ParamTable] SET [Param_Value] = '' WHERE [Param_Name] = 'PwdMethod'");
        m_db->exec("INSERT INTO [ParamTable] ([Param_Name], [Param_Value]) VALUES ('ExtField', 'Setting')");
        QCOMPARE(CEnvParamPage::valuesOf(m_dlg).passwordMethod, std::string("MD5"));
        child<QPushButton>(page(), "refreshButton")->click();
        QCOMPARE(listed(), (QStringList{QStringLiteral("PwdMethod|<Not assigned>"),
                                        QStringLiteral("Mail|<Not assigned>"), QStringLiteral("ExtField|Setting")}));
        QVERIFY(!modify->isEnabled()); // the reloaded list has no selection
        QVERIFY(page().values().passwordMethod.empty());
        QVERIFY(page().values().accountMode());
        QVERIFY(MessageService::instance().shown().isEmpty());
    }

private:
    CEnvParamPage& page() { return *qobject_cast<CEnvParamPage*>(m_dlg->page(PageKind::EnvironmentParameters)); }
    QTreeWidget* list() { return child<QTreeWidget>(page(), "paramsTreeWidget"); }
    QStringList listed() { return test::listedRows(*list(), 2); }
    std::unique_ptr<test::MainWindowOnDatabase> m_main;
    test::OdbcTestDb* m_db = nullptr;
    CMainDlg* m_dlg = nullptr;
};

QTEST_MAIN(CEnvParamPageTest)
#include "CEnvParamPageTest.moc"
