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
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>

#include <filesystem>

using namespace qar;
using namespace qar::ui;
using test::child;
using test::click;
using test::setField;

// What the commands write is covered by the core's tests on both engines; these drive the page, the
// group editor and its side forms in the main window on a real database.
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
