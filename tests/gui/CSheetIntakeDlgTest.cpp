#include "intake/ui/CSheetIntakeDlg.h"

#include "CatalogGuiSupport.h"
#include "GuiTestSupport.h"
#include "OdbcTestDb.h"
#include "app/ui/CAdminApp.h"
#include "app/ui/MessageService.h"
#include "db/ChangeLog.h"
#include "db/ColumnMap.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>

using namespace qar;
using namespace qar::ui;
using test::child;

// The import tool's window on a real SQLite database: the report, the mapping, the import on its worker
// thread with the refresh of the window it came from, Cancel, and the export. The data check's report is
// the units page's test.
class CSheetIntakeDlgTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initResources(); }

    void init()
    {
        m_box = std::make_unique<test::ProgramSandbox>();
        ColumnMap::resetAllForTesting();
        ResetChangeLogForTesting();
        m_db = std::make_unique<test::OdbcTestDb>(test::DbKind::Sqlite);
        m_db->exec("INSERT INTO [GroupTable] ([GROUP_ID], [GROUP_NAME], [GROUP_COUNT]) VALUES (1, 'One', 0), "
                   "(2, 'Two', 0)");
        m_connection.Open(m_db->connectString());
        m_csv = test::writeFile(m_box->dir.file("units.csv"), "ID,Name,Parent\n101,Head,0\n102,Sales,101\n103,,101\n"
                                                              "104,Desk,102\n");
    }

    void cleanup()
    {
        m_connection.Close();
        m_db.reset();
        m_box.reset();
    }

    void importsCheckedRowsAndAsksTheWindowToRefresh()
    {
        std::vector<std::uint64_t> refreshed;
        CSheetIntakeDlg dlg(args(), m_connection, server(&refreshed));
        dlg.loadFiles({{m_csv, std::nullopt}});
        auto* report = child<QTableView>(dlg, "reportTableView");
        QCOMPARE(test::listedRows(*report, 4), QStringList{QStringLiteral("units.csv|4|Name|Input can't be null!")});
        child<QLineEdit>(dlg, "filterLineEdit")->setText(QStringLiteral("no such text"));
        QCOMPARE(report->model()->rowCount(), 0);

        // "Name" read from no column: the sheet lacks a required column and nothing can be imported.
        auto* mapping = child<QTableWidget>(dlg, "mappingTableWidget");
        auto* nameField = qobject_cast<QComboBox*>(mapping->cellWidget(1, 2));
        nameField->setCurrentIndex(0);
        QVERIFY(!child<QPushButton>(dlg, "importButton")->isEnabled());
        nameField = qobject_cast<QComboBox*>(mapping->cellWidget(1, 2));
        nameField->setCurrentIndex(nameField->findText(QStringLiteral("Name")));
        QVERIFY(child<QPushButton>(dlg, "importButton")->isEnabled());

        child<QPushButton>(dlg, "importButton")->click();
        QTRY_VERIFY(!dlg.importRunning());
        QCOMPARE(m_db->count("[UnitTable]"), 3);
        QCOMPARE(refreshed, std::vector<std::uint64_t>{4194311});
        QVERIFY(MessageService::instance().lastText().startsWith(QStringLiteral("Imported: 3 units")));
    }

    void cancelKeepsNothing()
    {
        // Cancel is pressed as soon as the import has started.
        CSheetIntakeDlg::Server server;
        server.running = [this] {
            child<QPushButton>(*m_current, "cancelButton")->click();
            return true;
        };
        CSheetIntakeDlg cancelled(args(), m_connection, server);
        m_current = &cancelled;
        cancelled.loadFiles({{m_csv, std::nullopt}});
        child<QPushButton>(cancelled, "importButton")->click();
        QTRY_VERIFY(!cancelled.importRunning());
        QCOMPARE(m_db->count("[UnitTable]"), 0);
        QCOMPARE(MessageService::instance().lastText(), QStringLiteral("The import was cancelled; nothing was kept."));
    }

    // After a first-run set-up: the installer's files, whatever their name, are units then users, into
    // group 1 in one import; the window closes once they are in.
    void firstRunHandOffImportsUnitsThenUsersIntoGroupOne()
    {
        // Group 1 is not the first the database lists.
        m_db->exec("DELETE FROM [GroupTable] WHERE [GROUP_ID] = 1");
        m_db->exec("INSERT INTO [GroupTable] ([GROUP_ID], [GROUP_NAME], [GROUP_COUNT]) VALUES (1, 'One', 0)");
        SheetIntakeArgs handOff;
        handOff.window = 99;
        handOff.unitsFile =
            test::writeFile(m_box->dir.file("win/Data1.d_t"), "ID,Name,Parent\n101,Head,0\n102,Sales,101\n");
        handOff.usersFile =
            test::writeFile(m_box->dir.file("win/Data2.d_t"), "ID,Name,Password,Unit\n501,Ann,pw,102\n");
        std::vector<std::uint64_t> refreshed;
        CSheetIntakeDlg dlg(handOff, m_connection, server(&refreshed));
        QVERIFY(!child<QPushButton>(dlg, "browseButton")->isEnabled());
        child<QPushButton>(dlg, "importButton")->click();
        QTRY_VERIFY(!dlg.importRunning());
        QCOMPARE(m_db->query("SELECT [UNIT_ID], [GROUP_ID] FROM [UnitTable] ORDER BY [UNIT_ID]"),
                 test::rows({{"101", "1"}, {"102", "1"}}));
        QCOMPARE(m_db->query("SELECT [USER_ID], [UNIT_ID], [GROUP_ID] FROM [BaseTable]"),
                 test::rows({{"501", "102", "1"}}));
        QCOMPARE(refreshed, std::vector<std::uint64_t>{99});
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
    }

    void exportsTheChosenGroup()
    {
        m_db->exec("INSERT INTO [UnitTable] ([UNIT_ID], [UNIT_NAME], [SUPER_ID], [TREE_CLASS], [GROUP_ID]) VALUES "
                   "(201, 'Two', 0, 1, 2)");
        CSheetIntakeDlg dlg(args(), m_connection, {});
        const std::string out = m_box->dir.file("group2.csv");
        MessageService::instance().setNextFileName(QString::fromStdString(out));
        child<QPushButton>(dlg, "exportButton")->click();
        QVERIFY(test::readFile(out).find("201,Two,0,1,2") != std::string::npos);

        // Units and users together make a workbook: a CSV name is refused, never given a workbook.
        auto* what = child<QComboBox>(dlg, "exportWhatComboBox");
        what->setCurrentIndex(2);
        const std::string both = m_box->dir.file("both.csv");
        MessageService::instance().setNextFileName(QString::fromStdString(both));
        child<QPushButton>(dlg, "exportButton")->click();
        QVERIFY(!QFile::exists(QString::fromStdString(both)));
        QCOMPARE(MessageService::instance().lastText(),
                 QStringLiteral("A CSV file holds units or users, not both: choose XLSX for both."));

        // Passwords only when asked for, as the dialog says.
        m_db->exec("INSERT INTO [BaseTable] ([USER_ID], [NAME], [PASSWORD], [UNIT_ID], [GROUP_ID]) VALUES "
                   "(20001, 'Bo', 'hush', 201, 2)");
        what->setCurrentIndex(1);
        for (const bool asked : {false, true}) {
            child<QCheckBox>(dlg, "withPasswordsCheckBox")->setChecked(asked);
            const std::string users = m_box->dir.file(asked ? "with.csv" : "without.csv");
            MessageService::instance().setNextFileName(QString::fromStdString(users));
            child<QPushButton>(dlg, "exportButton")->click();
            QCOMPARE(test::readFile(users).find("hush") != std::string::npos, asked);
        }
        QVERIFY(child<QLabel>(dlg, "passwordsNoteLabel")->text().contains(QStringLiteral("left out")));
    }

private:
    static SheetIntakeArgs args()
    {
        SheetIntakeArgs a;
        a.window = 4194311;
        a.groups = {1, 2};
        a.selectedGroup = 2;
        return a;
    }
    static CSheetIntakeDlg::Server server(std::vector<std::uint64_t>* refreshed)
    {
        CSheetIntakeDlg::Server s;
        s.running = [] { return false; };
        s.refreshWindow = [refreshed](std::uint64_t window) {
            refreshed->push_back(window);
            return true;
        };
        return s;
    }

    std::unique_ptr<test::ProgramSandbox> m_box;
    std::unique_ptr<test::OdbcTestDb> m_db;
    CXDatabase m_connection;
    std::string m_csv;
    CSheetIntakeDlg* m_current = nullptr;
};

QTEST_MAIN(CSheetIntakeDlgTest)
#include "CSheetIntakeDlgTest.moc"
