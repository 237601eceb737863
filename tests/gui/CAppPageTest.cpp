#include "catalog/ui/CAppPage.h"

#include "CatalogGuiSupport.h"
#include "MainWindowOnDatabase.h"
#include "app/ui/CAdminApp.h"
#include "app/ui/MessageService.h"
#include "app/ui/UiText.h"
#include "catalog/CEnvParamModel.h"
#include "catalog/ui/CAppEditDlg.h"
#include "resources/StringIds.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include <filesystem>

using namespace qar;
using namespace qar::ui;
using test::child;
using test::click;
using test::setField;

constexpr const char* kApps = "<QAR_APPS><A ID=\"9\" N=\"Nine\" URL=\"http://nine\" G=\"0\" T=\"0\"/></QAR_APPS>";

// The rules behind the form are the core's tests; these click through the real page and form: the
// enabling rules, the icon limits with real files, the file the page writes, and a save that fails.
class CAppPageTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initResources(); }

    void init()
    {
        m_box = std::make_unique<test::ProgramSandbox>();
        test::writeFile(path("UserData/config/xmldata/apps.xml"), kApps);
        test::writeFile(path("UserData/config/icodata/9.ico"), test::iconBytes(300));
        test::writeFile(path("Iconlib/limit.ico"), test::iconBytes(8000));
        test::writeFile(path("Iconlib/over.ico"), test::iconBytes(8001));
        test::writeFile(path("Iconlib/text.ico"), "not an icon at all, though the name says so");
    }

    void cleanup() { m_box.reset(); }

    void addsEditsAndDeletesThroughTheForm()
    {
        CAppPage page;
        auto* list = child<QTreeView>(page, "appsTreeView");
        QCOMPARE(test::listedRows(*list, 4), QStringList{QStringLiteral("9|Nine|http://nine|0")});
        QVERIFY(!child<QPushButton>(page, "editButton")->isEnabled());

        test::whenModal<CAppEditDlg>([this](CAppEditDlg& form) {
            QCOMPARE(child<QLineEdit>(form, "idLineEdit")->text(), QStringLiteral("10"));
            QCOMPARE(child<QComboBox>(form, "groupComboBox")->currentIndex(), -1);
            QVERIFY(!child<QCheckBox>(form, "unitiveCheckBox")->isVisibleTo(&form)); // no account mode
            QVERIFY(child<QLabel>(form, "iconPictureLabel")->pixmap().isNull());
            for (const char* icon : {"over.ico", "text.ico", "limit.ico"}) {
                MessageService::instance().setNextFileName(QString::fromUtf8(path(std::string("Iconlib/") + icon)));
                click(form, "setIconButton");
            }
            QCOMPARE(MessageService::instance().shown().size(), 2);
            QCOMPARE(MessageService::instance().shown().at(0).text, text(str::kIconFileTooLarge));
            QCOMPARE(MessageService::instance().shown().at(1).text, text(str::kInvalidIconFile));
            QCOMPARE(test::readFile(path("UserData/config/icodata/10.ico")), test::iconBytes(8000));
            QVERIFY(!child<QLabel>(form, "iconPictureLabel")->pixmap().isNull());

            setField(form, "nameLineEdit", QStringLiteral("Mail"));
            setField(form, "locationLineEdit", QStringLiteral("http://mail"));
            child<QComboBox>(form, "typeComboBox")->setCurrentIndex(1);
            auto* password = child<QCheckBox>(form, "needPasswordCheckBox");
            QVERIFY(password->isEnabled() && !child<QLineEdit>(form, "bsLineEdit")->isEnabled());
            password->click();
            QVERIFY(child<QLineEdit>(form, "bsLineEdit")->isEnabled());
            QVERIFY(!child<QLineEdit>(form, "csTitleLineEdit")->isEnabled());
            QVERIFY(child<QCheckBox>(form, "systemEmailCheckBox")->isEnabled());
            click(form, "okButton");
            QCOMPARE(MessageService::instance().lastText(), text(str::kGroupMustBeAssigned));
            child<QComboBox>(form, "groupComboBox")->setCurrentIndex(0);
            click(form, "okButton");
            QCOMPARE(MessageService::instance().lastText(), text(str::kInputCantBeNull));
            QVERIFY(form.isVisible());
            setField(form, "bsLineEdit", QStringLiteral("login.asp"));
            click(form, "okButton");
        });
        click(page, "addButton");
        QCOMPARE(test::listedRows(*list, 6), (QStringList{QStringLiteral("10|Mail|http://mail|0|5|login.asp"),
                                                          QStringLiteral("9|Nine|http://nine|0|0|")}));
        QCOMPARE(page.firstSelectedRow(), std::optional<std::size_t>(0));
        QVERIFY(test::readFile(path("UserData/config/xmldata/apps.xml")).find("<A ID=\"10\" N=\"Mail\"") !=
                std::string::npos);

        // Client/server with the e-mail account: the browser/server interface is emptied on save.
        test::whenModal<CAppEditDlg>([](CAppEditDlg& form) {
            QVERIFY(child<QLineEdit>(form, "idLineEdit")->isReadOnly());
            setField(form, "locationLineEdit", QStringLiteral("erp.exe"));
            child<QComboBox>(form, "typeComboBox")->setCurrentIndex(2);
            QVERIFY(child<QCheckBox>(form, "needPasswordCheckBox")->isChecked());
            QVERIFY(!child<QLineEdit>(form, "bsLineEdit")->isEnabled());
            QVERIFY(child<QLineEdit>(form, "csId3LineEdit")->isEnabled());
            child<QCheckBox>(form, "systemEmailCheckBox")->click();
            setField(form, "csTitleLineEdit", QStringLiteral("ERP Login"));
            setField(form, "csId1LineEdit", QStringLiteral("1001"));
            click(form, "okButton");
        });
        click(page, "editButton");
        QCOMPARE(test::listedRows(*list, 8).first(), QStringLiteral("10|Mail|erp.exe|0|15||ERP Login|1001"));

        MessageService::instance().setNextAnswer(Answer::Cancel);
        click(page, "deleteButton");
        QCOMPARE(list->model()->rowCount(), 2);
        MessageService::instance().setNextAnswer(Answer::Ok);
        click(page, "deleteButton");
        QCOMPARE(test::listedRows(*list, 1), QStringList{QStringLiteral("9")});
        QVERIFY(!std::filesystem::exists(path("UserData/config/icodata/10.ico")));
        QVERIFY(std::filesystem::exists(path("UserData/config/icodata/9.ico")));

        // What another program writes shows on Refresh.
        test::writeFile(path("UserData/config/xmldata/apps.xml"), "<QAR_APPS><A ID=\"2\"/><A ID=\"9\"/></QAR_APPS>");
        page.selectRow(0);
        click(page, "refreshButton");
        QCOMPARE(test::listedRows(*list, 1), (QStringList{QStringLiteral("2"), QStringLiteral("9")}));
        QCOMPARE(page.firstSelectedRow(), std::optional<std::size_t>(1)); // still on ID 9
    }

    void aSaveThatFailsKeepsTheFormAndTheList()
    {
        std::filesystem::remove(path("UserData/config/xmldata/apps.xml"));
        test::writeFile(path("UserData/config/xmldata/apps.xml/in-the-way"), "");
        std::filesystem::remove_all(path("UserData/config/icodata"));
        CAppPage page;
        test::RecordingLauncher desktop;
        desktop.starts = false; // no program opens the help file
        page.setLauncher(&desktop);
        test::writeFile(path("AppConf.mht"), "help");
        test::whenModal<CAppEditDlg>([this](CAppEditDlg& form) {
            click(form, "helpButton");
            QCOMPARE(MessageService::instance().lastText(),
                     formatText(str::kCannotOpenDocument, {QString::fromStdString(path("AppConf.mht"))}));
            QVERIFY(!child<QPushButton>(form, "setIconButton")->isVisibleTo(&form)); // no icon folder
            setField(form, "nameLineEdit", QStringLiteral("Mail"));
            setField(form, "locationLineEdit", QStringLiteral("mail.exe"));
            child<QComboBox>(form, "groupComboBox")->setCurrentIndex(0);
            click(form, "okButton");
            QVERIFY(MessageService::instance().lastText().contains(QStringLiteral("apps.xml could not be written")));
            QVERIFY(form.isVisible());
            QCOMPARE(child<QLineEdit>(form, "nameLineEdit")->text(), QStringLiteral("Mail"));
        });
        click(page, "addButton");
        QCOMPARE(child<QTreeView>(page, "appsTreeView")->model()->rowCount(), 0);
    }

    // In the main window the group list comes from the groups table and the unitive box follows the
    // extended interface field.
    void groupsAndAccountModeComeFromTheMainWindow()
    {
        test::MainWindowOnDatabase main;
        test::writeFile(main.dir().file("UserData/config/xmldata/apps.xml"), kApps);
        test::writeFile(EnvParamDatPath(), "[EnvParam]\nExtend_Interface_Field=ExtField\n");
        main.db().exec("INSERT INTO [ParamTable] ([Param_Name], [Param_Value]) VALUES ('ExtField', 'Setting')");
        for (const char* id : {"2", "0", "5"}) {
            main.db().exec(std::string("INSERT INTO [GroupTable] ([GROUP_ID], [GROUP_NAME]) VALUES (") + id + ", 'G')");
        }
        auto* page = qobject_cast<CAppPage*>(main.open({}, false).page(PageKind::Applications));
        page->selectRow(0);
        test::whenModal<CAppEditDlg>([](CAppEditDlg& form) {
            auto* groups = child<QComboBox>(form, "groupComboBox");
            QCOMPARE(groups->count(), 3);
            QCOMPARE(groups->itemText(1) + QLatin1Char('|') + groups->itemText(2), QStringLiteral("2 - G|5 - G"));
            QCOMPARE(groups->currentIndex(), 0);
            QVERIFY(child<QCheckBox>(form, "unitiveCheckBox")->isVisibleTo(&form));
        });
        click(*page, "editButton");
    }

private:
    std::string path(const std::string& relative) const { return m_box->dir.file(relative); }

    std::unique_ptr<test::ProgramSandbox> m_box;
};

QTEST_MAIN(CAppPageTest)
#include "CAppPageTest.moc"
