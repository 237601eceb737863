#include "CatalogGuiSupport.h"
#include "MainWindowOnDatabase.h"
#include "app/ui/CAdminApp.h"
#include "app/ui/MessageService.h"
#include "app/ui/UiText.h"
#include "catalog/CEnvParamModel.h"
#include "catalog/ui/CAppEditDlg.h"
#include "catalog/ui/CAppPage.h"
#include "catalog/ui/CEnvParamPage.h"
#include "catalog/ui/CMsgTypeEditDlg.h"
#include "catalog/ui/CMsgTypePage.h"
#include "catalog/ui/CWebsiteEditDlg.h"
#include "catalog/ui/CWebsitePage.h"
#include "platform/Paths.h"
#include "resources/StringIds.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

#include <filesystem>

using namespace qar;
using namespace qar::ui;
using test::child;
using test::click;
using test::setField;

constexpr const char* kApps = "<QAR_APPS><A ID=\"9\" N=\"Nine\" URL=\"http://nine\" G=\"0\" T=\"0\"/></QAR_APPS>";

// The rules behind the forms are the core's tests; these click through the real catalogue pages and their
// forms: the enabling rules, the icon limits with real files, the files the pages write, and a save that
// fails.
class CataloguePagesTest : public QObject
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

    void appPageAddsEditsAndDeletesThroughTheForm()
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

    // In the main window the group list comes from the groups table and the unitive box follows the extended
    // interface field of the environment parameters, which their hidden page reads at start and again on its
    // Refresh only.
    void groupsAndAccountModeComeFromTheMainWindow()
    {
        test::MainWindowOnDatabase main;
        test::writeFile(main.dir().file("UserData/config/xmldata/apps.xml"), kApps);
        test::writeFile(EnvParamDatPath(), "[EnvParam]\nPassword_Method=PwdMethod\nExtend_Interface_Field=ExtField\n");
        main.db().exec("INSERT INTO [ParamTable] ([Param_Name], [Param_Value]) VALUES ('PwdMethod', 'MD5'), "
                       "('Mail', NULL)");
        main.db().exec("INSERT INTO [GroupTable] ([GROUP_ID], [GROUP_NAME]) VALUES (2, 'G'), (0, 'G'), (5, 'G')");
        CMainDlg& window = main.open({}, false);
        auto& params = *window.page(PageKind::EnvironmentParameters);
        auto* listed = child<QTreeWidget>(params, "paramsTreeWidget");
        QCOMPARE(test::listedRows(*listed, 2),
                 (QStringList{QStringLiteral("PwdMethod|MD5"), QStringLiteral("Mail|<Not assigned>")}));
        QVERIFY(!params.isVisibleTo(&window));
        auto* modify = child<QPushButton>(params, "modifyButton");
        QVERIFY(!modify->isEnabled());
        listed->setCurrentItem(listed->topLevelItem(0));
        QVERIFY(modify->isEnabled());

        auto* page = qobject_cast<CAppPage*>(window.page(PageKind::Applications));
        page->selectRow(0);
        const auto unitiveOffered = [page] {
            bool offered = false;
            test::whenModal<CAppEditDlg>([&offered](CAppEditDlg& form) {
                auto* groups = child<QComboBox>(form, "groupComboBox");
                QCOMPARE(groups->count(), 3);
                QCOMPARE(groups->itemText(1) + QLatin1Char('|') + groups->itemText(2), QStringLiteral("2 - G|5 - G"));
                QCOMPARE(groups->currentIndex(), 0);
                offered = child<QCheckBox>(form, "unitiveCheckBox")->isVisibleTo(&form);
            });
            click(*page, "editButton");
            return offered;
        };
        QVERIFY(!unitiveOffered());
        main.db().exec("UPDATE [ParamTable] SET [Param_Value] = '' WHERE [Param_Name] = 'PwdMethod'");
        main.db().exec("INSERT INTO [ParamTable] ([Param_Name], [Param_Value]) VALUES ('ExtField', 'Setting')");
        QVERIFY(!unitiveOffered());
        QCOMPARE(CEnvParamPage::valuesOf(&window).passwordMethod, std::string("MD5"));
        click(params, "refreshButton");
        QCOMPARE(test::listedRows(*listed, 2),
                 (QStringList{QStringLiteral("PwdMethod|<Not assigned>"), QStringLiteral("Mail|<Not assigned>"),
                              QStringLiteral("ExtField|Setting")}));
        QVERIFY(!modify->isEnabled()); // the reloaded list has no selection
        QVERIFY(CEnvParamPage::valuesOf(&window).passwordMethod.empty());
        QVERIFY(unitiveOffered());
        QVERIFY(MessageService::instance().shown().isEmpty());
    }

    // The numbers, bits and checks are the core's tests: the preselection, a box writing into the mark code,
    // the mask tool and the file the page writes.
    void msgTypePageAddsModifiesAndDeletesThroughTheForm()
    {
        std::string used = "<QAR_JOBMSG>";
        for (int n = 1; n <= 20; ++n) {
            used += "<J T=\"" + std::to_string(n) + "\" N=\"System\" M=\"0\"/>";
        }
        test::writeFile(path("UserData/config/xmldata/jobmsg.xml"), used + "<J T=\"22\" M=\"1\"/></QAR_JOBMSG>");
        test::RecordingLauncher launcher;
        CMsgTypePage page;
        page.setLauncher(&launcher);
        auto* list = child<QTreeView>(page, "msgTypesTreeView");
        QCOMPARE(list->model()->rowCount(), 21);
        QCOMPARE(test::listedRows(*list, 1).at(6), QStringLiteral("007"));

        test::whenModal<CMsgTypeEditDlg>([&](CMsgTypeEditDlg& form) {
            auto* numbers = child<QComboBox>(form, "typeComboBox");
            QCOMPARE(numbers->currentText(), QStringLiteral("21"));
            QCOMPARE(numbers->count(), 219);
            click(form, "maskGenButton"); // no mask tool installed: nothing starts, and the tool is named
            QVERIFY(launcher.launched.empty());
            QCOMPARE(MessageService::instance().lastText(),
                     formatText(str::kCannotStartProgram, {QString::fromStdString(path("MsgShaper.exe"))}));
            test::writeFile(path("MsgShaper.exe"), "");
            click(form, "maskGenButton");
            QCOMPARE(launcher.launched.size(), 1U);
            QCOMPARE(launcher.launched[0].workingDirectory, GetProgramDir());

            // A typed code is taken as it stands; a click sets its box's bit in it.
            setField(form, "markLineEdit", QStringLiteral("2147483648"));
            child<QCheckBox>(form, "ignoreSameCheckBox")->click();
            QCOMPARE(child<QLineEdit>(form, "markLineEdit")->text(), QStringLiteral("2147487744"));
            click(form, "okButton");
            QCOMPARE(MessageService::instance().lastText(), text(str::kInputCantBeNull));
            setField(form, "nameLineEdit", QStringLiteral("Leave"));
            click(form, "okButton");
        });
        click(page, "addButton");
        QCOMPARE(test::listedRows(*list, 3).at(20), QStringLiteral("021|Leave|-2147479552"));
        QVERIFY(test::readFile(path("UserData/config/xmldata/jobmsg.xml"))
                    .find("<J T=\"021\" N=\"Leave\" M=\"-2147479552\"/>\r\r\n<J T=\"022\" N=\"\" M=\"1\"/>") !=
                std::string::npos);

        page.selectRow(21);
        test::whenModal<CMsgTypeEditDlg>([](CMsgTypeEditDlg& form) {
            QCOMPARE(child<QComboBox>(form, "typeComboBox")->count(), 1);
            QVERIFY(!child<QCheckBox>(form, "ignoreSameCheckBox")->isChecked());
            setField(form, "markLineEdit", QStringLiteral("-1"));
            setField(form, "nameLineEdit", QStringLiteral("Claim"));
            click(form, "okButton");
            QCOMPARE(MessageService::instance().lastText(), text(str::kEnterPositiveInteger));
            setField(form, "markLineEdit", QStringLiteral("8192"));
            click(form, "okButton");
        });
        click(page, "modifyButton");
        QCOMPARE(test::listedRows(*list, 3).at(21), QStringLiteral("022|Claim|8192"));

        MessageService::instance().setNextAnswer(Answer::Ok);
        click(page, "deleteButton");
        QCOMPARE(list->model()->rowCount(), 21);
        CMsgTypeCatalog written(path("UserData/config/xmldata/jobmsg.xml"));
        QVERIFY(written.load());
        QCOMPARE(written.rows().size(), 21U);
    }
    // The proposal, the checks as prompts, an icon copied at once and kept when the site goes.
    void websitePageAddsEditsAndDeletesThroughTheForm()
    {
        const std::string file = path("UserData/config/xmldata/weburl.xml");
        test::writeFile(file,
                        "<QAR_URLS><URL ID=\"7\" N=\"Seven\" U=\"http://7\"/><URL ID=\"3\" N=\"Three\"/></QAR_URLS>");
        const QString icon = QString::fromUtf8(path("Iconlib/limit.ico"));
        CWebsitePage page;
        auto* list = child<QTreeView>(page, "websitesTreeView");

        test::whenModal<CWebsiteEditDlg>([&](CWebsiteEditDlg& form) {
            QCOMPARE(child<QLineEdit>(form, "idLineEdit")->text(), QStringLiteral("8"));
            MessageService::instance().setNextFileName(icon);
            click(form, "setIconButton");
            QVERIFY(std::filesystem::exists(path("UserData/config/icodata/w_8.ico")));
            for (const char* id : {"7", "65536", "0"}) {
                setField(form, "idLineEdit", QString::fromLatin1(id));
                click(form, "okButton");
            }
            QCOMPARE(MessageService::instance().shown().at(0).text, text(str::kIdMustBeUnique));
            QCOMPARE(MessageService::instance().shown().at(1).text,
                     formatText(str::kEnterIntegerRange, {QStringLiteral("1"), QStringLiteral("65535")}));
            setField(form, "idLineEdit", QStringLiteral("8"));
            setField(form, "nameLineEdit", QStringLiteral("Eight"));
            click(form, "okButton");
            QCOMPARE(MessageService::instance().lastText(), text(str::kInputCantBeNull)); // no address
            setField(form, "urlLineEdit", QStringLiteral("http://8"));
            click(form, "okButton");
        });
        click(page, "addButton");
        QCOMPARE(test::listedRows(*list, 3),
                 (QStringList{QStringLiteral("3|Three|"), QStringLiteral("7|Seven|http://7"),
                              QStringLiteral("8|Eight|http://8")}));

        page.selectRow(0);
        test::whenModal<CWebsiteEditDlg>([](CWebsiteEditDlg& form) {
            QVERIFY(child<QLineEdit>(form, "idLineEdit")->isReadOnly());
            setField(form, "urlLineEdit", QStringLiteral("http://3"));
            click(form, "okButton");
        });
        click(page, "editButton");
        QCOMPARE(test::readFile(file), "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\r\n"
                                       "<QAR_URLS>\r\r\n<URL ID=\"3\" N=\"Three\" U=\"http://3\"/>\r\r\n"
                                       "<URL ID=\"7\" N=\"Seven\" U=\"http://7\"/>\r\r\n"
                                       "<URL ID=\"8\" N=\"Eight\" U=\"http://8\"/>\r\r\n</QAR_URLS>\r\r\n");

        // Site 8 goes, its icon stays and greets the next site 8.
        page.selectRow(2);
        MessageService::instance().setNextAnswer(Answer::Ok);
        click(page, "deleteButton");
        QCOMPARE(list->model()->rowCount(), 2);
        test::whenModal<CWebsiteEditDlg>([](CWebsiteEditDlg& form) {
            QCOMPARE(child<QLineEdit>(form, "idLineEdit")->text(), QStringLiteral("8"));
            QVERIFY(!child<QLabel>(form, "iconPictureLabel")->pixmap().isNull());
        });
        click(page, "addButton");
    }

private:
    std::string path(const std::string& relative) const { return m_box->dir.file(relative); }

    std::unique_ptr<test::ProgramSandbox> m_box;
};

QTEST_MAIN(CataloguePagesTest)
#include "CataloguePagesTest.moc"
