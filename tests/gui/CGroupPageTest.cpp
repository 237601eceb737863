#include "groups/ui/CGroupPage.h"

#include "CatalogGuiSupport.h"
#include "MainWindowOnDatabase.h"
#include "app/ui/CAdminApp.h"
#include "app/ui/MessageService.h"
#include "app/ui/UiText.h"
#include "db/CDatabaseSession.h"
#include "groups/ui/CGroupAttrDlg.h"
#include "groups/ui/CGroupEditDlg.h"
#include "groups/ui/CGroupFilesDlg.h"
#include "groups/ui/CGroupPropDlg.h"
#include "org/ui/CIndepUserDlg.h"
#include "resources/StringIds.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTreeWidget>

#include <filesystem>

using namespace qar;
using namespace qar::ui;
using test::child;
using test::click;
using test::setField;

namespace
{

const std::string kDefinitions = "<PRM_CONFIG><INFO CATALOG=\"Company\">"
                                 "<ITEM VAR=\"CORP\" PROP=\"M\">Name</ITEM>"
                                 "<ITEM VAR=\"NUMS\" PROP=\"N\">Members</ITEM>"
                                 "<ITEM VAR=\"AREA\" TYPE=\"L\" NAME=\"Area\"><SUBITEM>North</SUBITEM>"
                                 "<SUBITEM>South</SUBITEM></ITEM>"
                                 "<ITEM VAR=\"END\" TYPE=\"D\">End</ITEM>"
                                 "<ITEM>Never stored</ITEM>"
                                 "</INFO></PRM_CONFIG>";
enum Row
{
    kName = 1,
    kMembers = 2,
    kArea = 3,
    kEnd = 4,
    kNoKey = 5,
};

QString value(const CGroupPropDlg& form, int row)
{
    return QString::fromStdString(form.model().rows()[static_cast<std::size_t>(row)].value);
}

/// A click on the value cell of a row, where the in-place editor opens.
void clickValue(CGroupPropDlg& form, int row)
{
    QTreeView* list = form.list();
    const QRect cell = list->visualRect(list->model()->index(row, 2));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
}

} // namespace

// What the commands write is covered by the core's tests on both engines; these drive the page, the
// group editor and its side forms in the main window on a real database, and the property form's in-place
// editors (clicks and keys, its OK rules and saving) and the configuration-file form's buttons on their own.
class CGroupPageTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initResources(); }

    void init()
    {
        m_main = std::make_unique<test::MainWindowOnDatabase>();
        for (const char* row : {"(0, 'Default', 'http://0', 0, 0, 0, 0)", "(2, 'Two', 'http://2', 0, 0, 0, 6)",
                                "(10, 'Ten', 'http://10', 0, 0, 9, 0)"}) {
            db().exec(std::string("INSERT INTO [GroupTable] VALUES ") + row);
        }
        test::writeFile(m_main->dir().file("UserData/setting/PropDef.dat"), kDefinitions);
    }

    void cleanup() { m_main.reset(); }

    void listSortsByNumberTextAndButtonsFollowTheServer()
    {
        openPage();
        QCOMPARE(test::listedRows(*list(), 1),
                 (QStringList{QStringLiteral("0"), QStringLiteral("10"), QStringLiteral("2")}));
        auto* add = child<QPushButton>(page(), "addButton");
        auto* edit = child<QPushButton>(page(), "editButton");
        auto* remove = child<QPushButton>(page(), "deleteButton");
        QVERIFY(!add->isEnabled() && !edit->isEnabled() && !remove->isEnabled());
        page().selectGroup(2);
        QVERIFY(edit->isEnabled() && !remove->isEnabled());
        std::unique_ptr<QMenu> menu(page().createContextMenu());
        QVERIFY(!menu->actions().at(0)->isEnabled() && menu->actions().at(1)->isEnabled());

        installServer();
        page().refresh();
        QCOMPARE(page().selectedGroup(), std::optional<std::int32_t>(2));
        QVERIFY(add->isEnabled() && edit->isEnabled() && remove->isEnabled());
    }

    void addChecksTheFormSetsAttributesAndLogsTheNewGroup()
    {
        installServer();
        openPage();
        QString proposed;
        QStringList messages;
        test::whenModal<CGroupEditDlg>([&](CGroupEditDlg& form) {
            proposed = child<QLineEdit>(form, "numberMathEdit")->text();
            QVERIFY(child<QWidget>(form, "detailFrame")->isHidden()); // no SvrFlag.dat
            setField(form, "nameLineEdit", QStringLiteral("Eleven"));
            click(form, "okButton");
            messages << lastMessage();
            QCOMPARE(form.focusWidget(), child<QLineEdit>(form, "homePageLineEdit"));
            setField(form, "homePageLineEdit", QStringLiteral("http://11"));
            test::whenModal<CGroupAttrDlg>([](CGroupAttrDlg& attributes) {
                QVERIFY(child<QCheckBox>(attributes, "publicProgramsCheckBox")->isEnabled());
                child<QCheckBox>(attributes, "eaCheckBox")->click(); // clears bits 2, 20, 21, 22
                QVERIFY(!child<QCheckBox>(attributes, "publicProgramsCheckBox")->isEnabled());
                click(attributes, "okButton");
            });
            click(form, "setAttributesButton");
            click(form, "okButton");
        });
        click(page(), "addButton");
        QCOMPARE(proposed, QStringLiteral("11"));
        QCOMPARE(messages, QStringList{QStringLiteral("Input can't be null!")});
        QCOMPARE(db().query("SELECT [GROUP_NAME], [GROUP_POWER], [GROUP_FTP_IP] FROM [GroupTable] WHERE "
                            "[GROUP_ID] = 11"),
                 test::rows({{"Eleven", "1046538", "0"}}));
        QCOMPARE(db().count("[ChangeTable] WHERE [Key_Value] = 11 AND [Change_Act] = 0"), 1LL);
        QVERIFY(m_main->window().changeFlags().groups);
        QCOMPARE(list()->topLevelItemCount(), 4);
        QCOMPARE(page().selectedGroup(), std::optional<std::int32_t>(11));
        m_main->window().ClearChangeFlags();
        QVERIFY(!page().changeFlags().groups);
    }

    void editKeepsWhatWasTypedWhenTheRowChangedMeanwhileAndSavesOnTheNextOk()
    {
        installServer();
        openPage();
        page().selectGroup(2);
        QStringList messages;
        bool stayedOpen = false;
        test::whenModal<CGroupEditDlg>([&](CGroupEditDlg& form) {
            setField(form, "numberMathEdit", QStringLiteral("10"));
            click(form, "okButton");
            messages << lastMessage();
            setField(form, "numberMathEdit", QStringLiteral("2"));
            setField(form, "nameLineEdit", QStringLiteral("Mine"));
            db().exec("UPDATE [GroupTable] SET [GROUP_URL] = 'http://theirs' WHERE [GROUP_ID] = 2");
            click(form, "okButton");
            messages << lastMessage();
            stayedOpen = form.isVisible();
            // What was typed stays; what was not takes the other program's values, and OK again saves.
            QCOMPARE(child<QLineEdit>(form, "nameLineEdit")->text(), QStringLiteral("Mine"));
            QCOMPARE(child<QLineEdit>(form, "homePageLineEdit")->text(), QStringLiteral("http://theirs"));
            QCOMPARE(db().count("[GroupTable] WHERE [GROUP_NAME] = 'Two'"), 1LL);
            click(form, "okButton");
        });
        page().editGroup();
        QVERIFY(stayedOpen);
        QCOMPARE(messages, (QStringList{QStringLiteral("Enterprise code already exist, try another!"),
                                        text(str::kOperationFailed) + QStringLiteral("\n\n") +
                                            formatText(str::kGroupChangedMeanwhile, {QStringLiteral("2")})}));
        QCOMPARE(db().query("SELECT [GROUP_NAME], [GROUP_URL] FROM [GroupTable] WHERE [GROUP_ID] = 2"),
                 test::rows({{"Mine", "http://theirs"}}));
        QVERIFY(m_main->window().changeFlags().groups);
    }

    // Prop Setup and File Setup saving and logging are the end-to-end scenario's; the account lists open on
    // the main window's users in the mode of their button.
    void detailButtonsReachTheSideFormsAndTheOtherPrograms()
    {
        installServer();
        test::writeFile(m_main->dir().file("UserData/setting/SvrFlag.dat"), "[SvrFlag]\r\nSP=1\r\n");
        test::writeFile(m_main->dir().file("SheetIntake.exe"), "");
        openPage();
        test::RecordingLauncher launcher;
        page().setLauncher(&launcher);
        db().exec("INSERT INTO [BaseTable] ([USER_ID], [NAME], [UNIT_ID], [POWER_FLAG], [GROUP_ID]) VALUES "
                  "(1, 'Unit admin', 5, 65536, 10), (2, 'Loner', 0, 0, 10), (3, 'Elsewhere', 0, 0, 2)");
        const auto accounts = [](CIndepUserDlg& list) -> QString {
            const QStringList rows = test::listedRows(*child<QTreeWidget>(list, "accountsTreeWidget"), 2);
            return list.windowTitle() + QLatin1Char(':') + rows.join(QLatin1Char(',')) + QLatin1Char(':') +
                   child<QComboBox>(list, "groupComboBox")->currentText() +
                   (child<QPushButton>(list, "addButton")->isEnabled() ? QStringLiteral(":add") : QString());
        };
        QStringList lists;
        page().selectGroup(10);
        test::whenModal<CGroupEditDlg>([&](CGroupEditDlg& form) {
            QVERIFY(!child<QWidget>(form, "detailFrame")->isHidden());
            test::whenModal<CGroupPropDlg>([](CGroupPropDlg& properties) {
                QCOMPARE(properties.windowTitle(), QStringLiteral("Set Property (Group-ID: 10)"));
                QVERIFY(!child<QPushButton>(properties, "defaultButton")->isHidden()); // no data file yet
            });
            click(form, "propSetupButton");
            click(form, "dataInputButton");
            for (const char* button : {"manageUserButton", "indepUserButton"}) {
                test::whenModal<CIndepUserDlg>([&](CIndepUserDlg& list) { lists << accounts(list); });
                click(form, button);
            }
            form.reject();
        });
        page().editGroup();
        QCOMPARE(launcher.launched.size(), std::size_t{1});
        QCOMPARE(launcher.launched[0].path, m_main->dir().file("SheetIntake.exe"));
        QVERIFY(launcher.launched[0].arguments.at(0).ends_with("-grps10|-dgrp10"));
        QCOMPARE(lists, (QStringList{QStringLiteral("Manage User:1|Unit admin:10 - Ten"),
                                     QStringLiteral("indep. User:2|Loner:10 - Ten:add")}));
        QVERIFY(MessageService::instance().shown().isEmpty());
        QCOMPARE(db().count("[ChangeTable]"), 0LL); // the property form was cancelled
    }

    // File Setup's OK fails while the private files' folder cannot hold them (a file in its place): the form
    // stays open, and Cancel then tells the server nothing. OK once it works does.
    void fileSetupTellsTheServerOnlyOnOk()
    {
        installServer();
        test::writeFile(m_main->dir().file("UserData/setting/SvrFlag.dat"), "[SvrFlag]\r\nSP=1\r\n");
        test::writeFile(m_main->dir().file("UserData/config/XMLs"), "not a folder");
        openPage();
        page().selectGroup(10);
        for (const bool ok : {false, true}) {
            test::whenModal<CGroupEditDlg>([&](CGroupEditDlg& form) {
                test::whenModal<CGroupFilesDlg>([&](CGroupFilesDlg& files) {
                    click(files, "defaultButton");
                    if (ok) {
                        std::filesystem::remove(m_main->dir().file("UserData/config/XMLs"));
                        std::filesystem::create_directories(m_main->dir().file("UserData/config/XMLs"));
                    }
                    click(files, "okButton");
                    QCOMPARE(files.isVisible(), !ok);
                });
                click(form, "fileSetupButton");
                form.reject();
            });
            page().editGroup();
            QCOMPARE(db().query("SELECT [Key_Value], [Change_Act] FROM [ChangeTable]"),
                     ok ? test::rows({{"10", "2"}}) : test::Rows{});
        }
    }

    // A groups table found closed (the server restarted) is read again at once; while the database stays
    // away, Edit and Refresh say so with the cause under Details instead of showing the old list.
    void aClosedTableIsReadAgainOrReportedWithItsCause()
    {
        openPage();
        CXTableGroup& groups = m_main->window().session().tableGroup();
        groups.Close();
        page().selectGroup(2);
        test::whenModal<CGroupEditDlg>([](CGroupEditDlg& form) { form.reject(); });
        page().editGroup();
        QVERIFY(MessageService::instance().shown().isEmpty());

        db().exec("ALTER TABLE [GroupTable] RENAME TO [Away]");
        groups.Close();
        page().editGroup();
        click(page(), "refreshButton");
        QCOMPARE(MessageService::instance().shown().size(), 2);
        for (const ShownMessage& m : MessageService::instance().shown()) {
            QCOMPARE(m.text, text(str::kUnableToOpenDb));
            QVERIFY(m.details.contains(QStringLiteral("GroupTable")));
        }
        db().exec("ALTER TABLE [Away] RENAME TO [GroupTable]");
    }

    void editorsCommitOnEnterAndClicksAndDropOnEscape()
    {
        CGroupData data(std::map<std::string, std::string>{{"CORP", "Acme"}, {"AREA", "South"}, {"END", "2010-13-1"}});
        CGroupPropDlg form(&data, nullptr);
        form.show();
        QApplication::setActiveWindow(&form);
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QCOMPARE(form.list()->currentIndex().row(), 1);
        QVERIFY(child<QPushButton>(form, "defaultButton")->isHidden());

        clickValue(form, kMembers);
        auto* edit = child<QLineEdit>(form, "valueEdit");
        QVERIFY(edit->isVisible() && edit->hasFocus());
        QTest::keyClicks(edit, QStringLiteral("4a2"));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(value(form, kMembers), QStringLiteral("42")); // digits only
        QVERIFY(!edit->isVisible());

        clickValue(form, kName);
        QTest::keyClicks(edit, QStringLiteral("Dropped"));
        QTest::keyClick(edit, Qt::Key_Escape);
        QCOMPARE(value(form, kName), QStringLiteral("Acme"));
        QVERIFY(form.isVisible());

        // A click on the list while an editor is open commits and starts nothing.
        clickValue(form, kName);
        QTest::keyClicks(edit, QStringLiteral("Beta"));
        clickValue(form, kMembers);
        QCOMPARE(value(form, kName), QStringLiteral("Beta"));
        QCOMPARE(form.editingRow(), -1);

        clickValue(form, kArea);
        auto* area = child<QComboBox>(form, "valueListComboBox");
        QCOMPARE(area->currentText(), QStringLiteral("South"));
        area->hidePopup();
        area->setCurrentIndex(0);
        form.commitEdit();
        QCOMPARE(value(form, kArea), QStringLiteral("North"));

        auto* date = child<QDateEdit>(form, "valueDateEdit");
        date->setDate(QDate(2001, 1, 1));
        clickValue(form, kEnd); // month 13: the picker keeps its date
        QCOMPARE(date->date(), QDate(2001, 1, 1));
        date->setDate(QDate(2010, 3, 7));
        QTest::keyClick(date, Qt::Key_Return);
        QCOMPARE(value(form, kEnd), QStringLiteral("2010-3-7"));

        // Enter on the list edits the selected row and moves the selection on.
        form.list()->setCurrentIndex(form.list()->model()->index(kName, 0));
        form.list()->setFocus();
        QTest::keyClick(form.list(), Qt::Key_Return);
        QCOMPARE(form.editingRow(), int(kName));
        QCOMPARE(form.list()->currentIndex().row(), int(kMembers));
    }

    void scrollingTheListDropsTheEdit()
    {
        std::string many = "<PRM_CONFIG><INFO CATALOG=\"Many\">";
        for (int i = 0; i < 200; ++i) {
            many += "<ITEM VAR=\"K" + std::to_string(i) + "\">Item " + std::to_string(i) + "</ITEM>";
        }
        test::writeFile(m_main->dir().file("UserData/setting/PropDef.dat"), many + "</INFO></PRM_CONFIG>");
        CGroupPropDlg form(nullptr, nullptr);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCoreApplication::sendPostedEvents();
        form.startEdit(1);
        QTest::keyClicks(child<QLineEdit>(form, "valueEdit"), QStringLiteral("typed"));
        QCoreApplication::sendPostedEvents(); // the edit's own placing does not count as a scroll
        QCOMPARE(form.editingRow(), 1);
        form.list()->verticalScrollBar()->setValue(50);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(form.editingRow(), -1);
        QCOMPARE(value(form, 1), QString());
    }

    void okChecksValuesThenSavesAndKeepsThemWhenTheSaveFails()
    {
        CGroupData data;
        data.setGroup(7);
        const CGroupData defaults(std::map<std::string, std::string>{{"NUMS", "5"}});
        bool saveWorks = false;
        int saves = 0;
        CGroupPropDlg form(&data, &defaults, [&] {
            ++saves;
            return saveWorks;
        });
        form.show();
        click(form, "okButton");
        QCOMPARE(MessageService::instance().lastText(), QStringLiteral("The content of input is null."));
        click(form, "defaultButton");
        QCOMPARE(value(form, kMembers), QStringLiteral("5"));
        click(form, "okButton");
        QCOMPARE(MessageService::instance().lastText(), QStringLiteral("\"Name\" must be filled in."));
        form.startEdit(kNoKey);
        QTest::keyClicks(child<QLineEdit>(form, "valueEdit"), QStringLiteral("shown only"));
        form.startEdit(kName); // the edit box's text goes to its row first
        QTest::keyClicks(child<QLineEdit>(form, "valueEdit"), QStringLiteral("Acme"));
        click(form, "okButton"); // commits the open edit first
        QCOMPARE(saves, 1);
        QVERIFY(
            MessageService::instance().lastText().startsWith(QStringLiteral("The property file could not be saved")));
        QVERIFY(form.isVisible());
        QCOMPARE(value(form, kName), QStringLiteral("Acme"));
        QCOMPARE(value(form, kNoKey), QStringLiteral("shown only"));
        saveWorks = true;
        click(form, "okButton");
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(data.get("CORP"), std::string("Acme"));
        QCOMPARE(data.get("AREA"), std::string());
        QCOMPARE(data.values().size(), std::size_t{4});
    }

    void configFilesOpenAndEditWhatExists()
    {
        std::filesystem::create_directories(m_main->dir().file("UserData/config/XMLs"));
        test::RecordingLauncher launcher;
        CGroupFilesDlg form(5, launcher);
        form.show();
        QVERIFY(child<QRadioButton>(form, "channelPublicRadioButton")->isChecked());
        click(form, "channelPublicOpenButton");
        QCOMPARE(MessageService::instance().lastText(), QStringLiteral("The File is not exist."));
        test::ScopedEnv visual("VISUAL", "myeditor");
        click(form, "appUrlsPrivateEditButton"); // prepares a parked file; the group stays on the public one
        QCOMPARE(launcher.launched.size(), std::size_t{1});
        QCOMPARE(launcher.launched[0].path, std::string("myeditor"));
        QCOMPARE(launcher.launched[0].arguments,
                 std::vector<std::string>{m_main->dir().file("XMLs_Back/5_AppUrls.xml")});
    }

private:
    static QString lastMessage() { return MessageService::instance().lastText(); }

    void installServer() { test::writeFile(m_main->dir().file("RXServer.exe"), ""); }

    /// The main window on the database, initialised as at start: the page shows the groups.
    void openPage()
    {
        m_main->open();
        MessageService::instance().reset();
    }
    test::OdbcTestDb& db() { return m_main->db(); }
    CGroupPage& page() { return *static_cast<CGroupPage*>(m_main->window().page(PageKind::Groups)); }
    QTreeWidget* list() { return page().list(); }

    std::unique_ptr<test::MainWindowOnDatabase> m_main;
};

QTEST_MAIN(CGroupPageTest)
#include "CGroupPageTest.moc"
