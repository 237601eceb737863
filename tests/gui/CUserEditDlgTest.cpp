#include "org/ui/CUserEditDlg.h"

#include "CatalogGuiSupport.h"
#include "MainWindowOnDatabase.h"
#include "OrgDbTest.h"
#include "app/ui/CAdminApp.h"
#include "app/ui/CMainDlg.h"
#include "app/ui/CStatusLine.h"
#include "app/ui/MessageService.h"
#include "app/ui/UiText.h"
#include "catalog/ui/CRoleEditDlg.h"
#include "catalog/ui/CRolePage.h"
#include "db/CXTableUser.h"
#include "db/ColumnMap.h"
#include "org/ui/CIndepUserDlg.h"
#include "org/ui/CNetDiskDlg.h"
#include "org/ui/CPowerDlg.h"
#include "org/ui/CPrivilegeBoxes.h"
#include "org/ui/CSignDomainDlg.h"
#include "org/ui/CUnitUserPage.h"
#include "org/ui/CUserShortDlg.h"
#include "org/ui/CVirtualUnitsDlg.h"
#include "org/ui/OrgTreeModel.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"
#include "xml/DomainUserFile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeView>
#include <QTreeWidget>

#include <cstring>
#include <filesystem>

using namespace qar;
using namespace qar::ui;
using test::child;
using test::click;

namespace
{

QLineEdit* field(QWidget& form, const char* name)
{
    return child<QLineEdit>(form, name);
}

QString lastMessage()
{
    return MessageService::instance().lastText();
}

} // namespace

// The rules and what is written are the core's tests on both engines; these drive the user form and its
// small forms from the page in the main window on a real SQLite database, and the privilege form, the roles
// page with its editor and the account lists with the short user form on their own, as the role page and
// the group editor open them.
class CUserEditDlgTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initResources(); }

    void init()
    {
        m_main = std::make_unique<test::MainWindowOnDatabase>();
        m_db = &m_main->db();
        test::writeFile(file("UserData/config/xmldata/role.xml"),
                        "<QAR_ROLE><R ID=\"0\" N=\"Staff\" SMS=\"5\" P=\"0\"/>"
                        "<R ID=\"4\" N=\"Lead\" SMS=\"9\" P=\"524290\"/></QAR_ROLE>");
        test::writeFile(file("UserData/data/Userx.xml"), "<QAR_USERX><DOMAIN/></QAR_USERX>");
        m_db->exec("INSERT INTO [GroupTable] ([GROUP_ID], [GROUP_NAME]) VALUES (1, 'One'), (2, 'Two')");
        m_db->exec("INSERT INTO [UnitTable] ([UNIT_ID], [UNIT_NAME], [SUPER_ID], [TREE_CLASS], [UNIT_STATUS], "
                   "[GROUP_ID]) VALUES (101, 'Sales', 0, 1, 1, 1), (201, 'Far', 0, 1, 1, 2)");
        m_db->exec("INSERT INTO [BaseTable] ([USER_ID], [PASSWORD], [NAME], [UNIT_ID], [USER_STATUS], [POWER_FLAG], "
                   "[GROUP_ID], [EMAIL], [MOBILE], [DUTY]) VALUES (10001, 'pw', 'Ann', 201, 1, 262144, 2, '', '', '')");
    }

    void cleanup()
    {
        m_main.reset();
        SetUiLanguage(UiLanguage::English);
    }

    void addsAUserWithTheRolesPrivilegesUnderTheSelectedUnit()
    {
        openPage();
        child<QListWidget>(*m_dlg, "sideBarList")->setCurrentRow(2); // the units and users in view
        page().selectNode(page().model().index().unitNodes.at(101));
        test::whenModal<CUserEditDlg>([](CUserEditDlg& form) {
            QCOMPARE(form.windowTitle(), QStringLiteral("Add User"));
            QCOMPARE(field(form, "userIdLineEdit")->text(), QStringLiteral("10002"));
            QCOMPARE(field(form, "groupLineEdit")->text(), QStringLiteral("1"));
            QVERIFY(!child<QPushButton>(form, "synchronizeButton")->isVisible());
            QVERIFY(!child<QPushButton>(form, "virtualUnitsButton")->isVisible()); // the English form has none
            field(form, "nameLineEdit")->setText(QStringLiteral("Bo \"B\"; 100%"));
            field(form, "passwordLineEdit")->setText(QStringLiteral("x"));
            field(form, "passwordAgainLineEdit")->setText(QStringLiteral("y"));
            click(form, "okButton");
            QCOMPARE(lastMessage(), QStringLiteral("The twice passwords are different!"));
            QVERIFY(form.isVisible());
            QCOMPARE(form.focusWidget(), field(form, "passwordLineEdit"));
            field(form, "passwordAgainLineEdit")->setText(QStringLiteral("x"));
            child<QComboBox>(form, "roleComboBox")->setCurrentIndex(1); // 4 - Lead: SYS 19 and Reserved 1
            auto* boxes = child<CPrivilegeBoxes>(form, "privilegeBoxes");
            QVERIFY(child<QCheckBox>(*boxes, "sys19CheckBox")->isChecked());
            child<QCheckBox>(*boxes, "smsUnlimitedCheckBox")->setChecked(true);
            click(form, "okButton");
        });
        page().addUser();
        QCOMPARE(m_db->query("SELECT [NAME], [PASSWORD], [DUTY_CLASS], [POWER_FLAG], [GROUP_ID] FROM [BaseTable] "
                             "WHERE [USER_ID] = 10002"),
                 test::rows({{"Bo \"B\"; 100%", "x", "4", "655362", "1"}}));
        QVERIFY(m_dlg->changeFlags().users);
        // The new user is selected and in view, as a new unit is.
        const QModelIndex added = page().treeModel().indexOf(userNode(10002));
        auto* tree = child<QTreeView>(page(), "orgTreeView");
        QCOMPARE(tree->currentIndex(), added);
        const QRect row = tree->visualRect(added);
        QVERIFY(row.top() >= 0 && row.bottom() <= tree->viewport()->height());
        QCOMPARE(m_dlg->statusLine()->change(), QStringLiteral("User 10002 added"));
    }

    void groupManagerSeesTheAdministratorBitButCannotChangeIt()
    {
        openPage(false, 2);
        page().selectNode(userNode(10001));
        test::whenModal<CUserEditDlg>([](CUserEditDlg& form) {
            auto* admin = child<QCheckBox>(form, "administratorCheckBox");
            QVERIFY(admin->isChecked());
            QVERIFY(!admin->isEnabled());
            field(form, "mobileLineEdit")->setText(QStringLiteral("13900000000"));
            click(form, "okButton");
        });
        page().edit();
        QCOMPARE(m_db->query("SELECT [POWER_FLAG], [MOBILE] FROM [BaseTable]"),
                 test::rows({{"262144", "13900000000"}}));
        QCOMPARE(m_dlg->statusLine()->change(), QStringLiteral("User 10001 saved"));
    }

    void extendedDataGoesThroughTheSignDomainAndNetDiskForms()
    {
        test::writeFile(file("UserData/config/EnvInfo.dat"), "[EnvInfo]\r\nm_nMaxUDiskMem_MB=64\r\n");
        openPage();
        page().selectNode(userNode(10001));
        test::whenModal<CUserEditDlg>([this](CUserEditDlg& form) {
            QCOMPARE(child<QLabel>(form, "signDomainLabel")->text(), QStringLiteral("(The domain for sign is: )"));
            // An account without a sign domain: the message, then the sign-domain form.
            field(form, "domainNameLineEdit")->setText(QStringLiteral("ann"));
            test::whenModal<CSignDomainDlg>([](CSignDomainDlg& sign) {
                QCOMPARE(field(sign, "userNameLineEdit")->text(), QStringLiteral("ann"));
                field(sign, "domainLineEdit")->setText(QStringLiteral("CORP"));
                click(sign, "okButton");
            });
            click(form, "okButton");
            QCOMPARE(lastMessage(), QStringLiteral("Please set the domain for sign."));
            QCOMPARE(child<QLabel>(form, "signDomainLabel")->text(), QStringLiteral("(The domain for sign is: CORP)"));

            test::whenModal<CNetDiskDlg>([](CNetDiskDlg& disk) {
                QVERIFY(child<QRadioButton>(disk, "defaultRadioButton")->isChecked());
                QVERIFY(!field(disk, "sizeLineEdit")->isEnabled());
                QCOMPARE(field(disk, "systemDefaultLineEdit")->text(), QStringLiteral("64"));
                child<QRadioButton>(disk, "specificRadioButton")->click();
                QVERIFY(field(disk, "sizeLineEdit")->isEnabled());
                field(disk, "sizeLineEdit")->setText(QStringLiteral("70000"));
                click(disk, "okButton");
                QCOMPARE(lastMessage(), QStringLiteral("Please enter an integer between 0 and 65535."));
                field(disk, "sizeLineEdit")->setText(QStringLiteral("500"));
                field(disk, "systemDefaultLineEdit")->setText(QStringLiteral("128"));
                click(disk, "okButton");
            });
            click(form, "setSizeButton");
            QCOMPARE(field(form, "netDiskLineEdit")->text(), QStringLiteral("500"));
            click(form, "okButton");
        });
        page().edit();
        QCOMPARE(m_dlg->domainUsers().domain, std::string("CORP"));
        QVERIFY(test::readFile(file("UserData/config/EnvInfo.dat")).find("=128") != std::string::npos);
        // The extended data alone makes no change row.
        QCOMPARE(m_db->count("[ChangeTable]"), 0LL);
        // The account and the size are written with the row.
        QVERIFY(test::readFile(file("UserData/data/Userx.xml")).find("DN=\"ann\" UD=\"500\"") != std::string::npos);
    }

    // A stored role role.xml lacks is shown as such, in either language, and stays unless another is
    // picked; deleting a role users still have says how many first; a delete whose record file cannot be
    // written names the file and the cause.
    void aMissingRoleIsShownAndWhatCannotFollowAUserIsSaid()
    {
        m_db->exec("UPDATE [BaseTable] SET [DUTY_CLASS] = 5");
        for (const auto& [language, shown] :
             {std::pair{UiLanguage::English, QStringLiteral("5 – not in role.xml")},
              std::pair{UiLanguage::SimplifiedChinese, QStringLiteral("5 – 不在 role.xml 中")}}) {
            SetUiLanguage(language);
            openPage();
            page().selectNode(userNode(10001));
            test::whenModal<CUserEditDlg>([&shown = shown](CUserEditDlg& form) {
                QCOMPARE(child<QComboBox>(form, "roleComboBox")->currentText(), shown);
                click(form, "okButton");
            });
            page().edit();
        }
        SetUiLanguage(UiLanguage::English);
        QCOMPARE(m_db->count("[BaseTable] WHERE [DUTY_CLASS] = 5"), 1LL);

        m_db->exec("UPDATE [BaseTable] SET [DUTY_CLASS] = 4");
        auto& roles = *m_dlg->page(PageKind::Roles);
        auto* list = child<QTreeWidget>(roles, "rolesTreeWidget");
        list->setCurrentItem(list->topLevelItem(1));
        MessageService::instance().setNextAnswer(Answer::Cancel);
        click(roles, "deleteButton");
        QVERIFY(MessageService::instance().lastText().startsWith(QStringLiteral("Users with this role: 1.")));
        QCOMPARE(list->topLevelItemCount(), 2);

        const std::string userx = test::writeFile(file("UserData/data/Userx.xml"),
                                                  "<QAR_USERX><DOMAIN/><USERS><U ID=\"10001\" DN=\"ann\"/></USERS>"
                                                  "</QAR_USERX>");
        openPage();
        page().selectNode(userNode(10001));
        const test::ScopedSaveFailure blocked(userx);
        page().deleteSelected();
        QCOMPARE(m_db->count("[BaseTable]"), 0LL);
        QCOMPARE(lastMessage(), formatText(str::kUserRecordsNotSaved,
                                           {QString::fromStdString(userx), QString::fromUtf8(std::strerror(EISDIR))}));
    }

    void withoutTheDataFolderTheExtendedDataIsNotOffered()
    {
        std::filesystem::remove_all(file("UserData/data"));
        openPage();
        page().selectNode(userNode(10001));
        test::whenModal<CUserEditDlg>([](CUserEditDlg& form) {
            QVERIFY(!field(form, "domainNameLineEdit")->isEnabled());
            QVERIFY(field(form, "netDiskLineEdit")->text().isEmpty());
            QVERIFY(!child<QPushButton>(form, "setSizeButton")->isVisible());
            QVERIFY(!child<QLabel>(form, "signDomainLabel")->isVisible());
        });
        page().edit();
    }

    void chineseFormEditsVirtualUnitsAndKeepsThemWhenTheFileCannotBeWritten()
    {
        SetUiLanguage(UiLanguage::SimplifiedChinese);
        openPage();
        page().selectNode(userNode(10001));
        const std::string muser = file("UserData/config/xmldata/MUser.xml");
        test::whenModal<CUserEditDlg>([&](CUserEditDlg& form) {
            test::whenModal<CVirtualUnitsDlg>([&](CVirtualUnitsDlg& units) {
                for (int repeat = 0; repeat < 2; ++repeat) {
                    test::whenModal<CAddVirtualUnitDlg>([](CAddVirtualUnitDlg& add) {
                        auto* choices = child<QComboBox>(add, "unitComboBox");
                        QCOMPARE(choices->itemText(0), QStringLiteral("Far [201]"));
                        choices->setCurrentIndex(1);
                        click(add, "okButton");
                    });
                    click(units, "addButton");
                }
                QCOMPARE(MessageService::instance().lastText(), QString::fromUtf8(StringUtf8(260)));
                auto* list = child<QListWidget>(units, "unitsListWidget");
                QCOMPARE(list->count(), 1);
                QCOMPARE(list->item(0)->text(), QStringLiteral("Sales [101]"));
                // A folder stands where the file goes: the form says so and stays open with the list.
                std::filesystem::create_directory(muser);
                click(units, "okButton");
                QVERIFY(units.isVisible());
                QVERIFY(MessageService::instance().lastText().contains(QStringLiteral("MUser.xml")));
                std::filesystem::remove(muser);
                click(units, "okButton");
            });
            QVERIFY(child<QPushButton>(form, "virtualUnitsButton")->isVisible());
            click(form, "virtualUnitsButton");
        });
        page().edit();
        QVERIFY(test::readFile(muser).find("<USER ID=\"10001\" UNITS=\"101\"/>") != std::string::npos);
    }

    void privilegeFormNamesItsBoxesAndDropsBitsWithoutABox()
    {
        const PowerNames names = ReadPowerNames(
            test::writeFile(file("Power.dat"), "[Names]\r\nnum=21\r\nDef_Name=-\r\nName_0=Files\r\nName_1=-\r\n"));
        CPowerDlg form(0x80000001u | 0x80000, names);
        QCOMPARE(child<QCheckBox>(form, "sys19CheckBox")->text(), QStringLiteral("Files"));
        QVERIFY(child<QCheckBox>(form, "sys19CheckBox")->isChecked());
        QVERIFY(!child<QCheckBox>(form, "sys20CheckBox")->isEnabled());
        QVERIFY(child<QCheckBox>(form, "administratorCheckBox")->isEnabled());
        QCOMPARE(form.value(), 0x80000u);
        child<QCheckBox>(form, "reserved9CheckBox")->setChecked(true);
        QCOMPARE(form.value(), 0x80200u);
    }

    void rolesPageAddsEditsAndDeletesThroughItsEditor()
    {
        const std::string path =
            test::writeFile(file("UserData/config/xmldata/role.xml"),
                            "<QAR_ROLE><R ID=\"0\" N=\"Staff\"/><R ID=\"1\" N=\"Lead\"/></QAR_ROLE>");
        CRolePage page;
        auto* list = child<QTreeWidget>(page, "rolesTreeWidget");
        QCOMPARE(test::listedRows(*list, 2), (QStringList{QStringLiteral("0|Staff"), QStringLiteral("1|Lead")}));
        QVERIFY(!child<QPushButton>(page, "editButton")->isEnabled());
        const std::unique_ptr<QMenu> menu(page.createContextMenu());
        QCOMPARE(menu->actions().size(), 3);
        QVERIFY(menu->actions()[0]->isEnabled() && !menu->actions()[1]->isEnabled());

        test::whenModal<CRoleEditDlg>([path](CRoleEditDlg& editor) {
            auto* ids = child<QComboBox>(editor, "idComboBox");
            QCOMPARE(ids->count(), 98);
            QCOMPARE(ids->currentText(), QStringLiteral("2"));
            child<QLineEdit>(editor, "nameLineEdit")->setText(QStringLiteral("Temp"));
            child<QLineEdit>(editor, "smsLineEdit")->setText(QStringLiteral("256"));
            click(editor, "okButton");
            QCOMPARE(MessageService::instance().lastText(),
                     QStringLiteral("Please enter an integer between 0 and 255."));
            child<QLineEdit>(editor, "smsLineEdit")->setText(QStringLiteral("255"));
            ids->setCurrentIndex(ids->findText(QStringLiteral("10")));
            test::whenModal<CPowerDlg>([](CPowerDlg& power) {
                child<QCheckBox>(power, "smsUnlimitedCheckBox")->setChecked(true);
                click(power, "okButton");
            });
            click(editor, "setButton");
            QCOMPARE(child<QLineEdit>(editor, "privilegesLineEdit")->text(), QStringLiteral("131072"));
            // A folder in the file's place: the editor says so and keeps what was typed.
            std::filesystem::rename(path, path + ".kept");
            std::filesystem::create_directory(path);
            click(editor, "okButton");
            QVERIFY(editor.isVisible());
            QCOMPARE(child<QLineEdit>(editor, "nameLineEdit")->text(), QStringLiteral("Temp"));
            std::filesystem::remove(path);
            std::filesystem::rename(path + ".kept", path);
            click(editor, "okButton");
        });
        page.addRole();
        QCOMPARE(test::listedRows(*list, 2),
                 (QStringList{QStringLiteral("0|Staff"), QStringLiteral("1|Lead"), QStringLiteral("10|Temp")}));
        QVERIFY(test::readFile(path).find("<R ID=\"10\" N=\"Temp\" SMS=\"255\" P=\"131072\"/>") != std::string::npos);

        list->setCurrentItem(list->topLevelItem(2));
        QVERIFY(child<QPushButton>(page, "editButton")->isEnabled());
        test::whenModal<CRoleEditDlg>([](CRoleEditDlg& editor) {
            QCOMPARE(child<QComboBox>(editor, "idComboBox")->count(), 1);
            child<QLineEdit>(editor, "nameLineEdit")->setText(QStringLiteral("Temporary"));
            click(editor, "okButton");
        });
        page.editRole();
        MessageService::instance().setNextAnswer(Answer::Ok);
        list->setCurrentItem(list->topLevelItem(0));
        page.deleteRole();
        QCOMPARE(test::listedRows(*list, 2), (QStringList{QStringLiteral("1|Lead"), QStringLiteral("10|Temporary")}));
        RoleList reread;
        reread.load(path);
        QCOMPARE(reread.rows().size(), std::size_t{2});
    }

    void accountListAddsEditsAndDeletesIndependentUsers()
    {
        ColumnMap::resetAllForTesting();
        test::OdbcTestDb db(test::DbKind::Sqlite);
        db.exec(
            "INSERT INTO [BaseTable] ([USER_ID], [NAME], [UNIT_ID], [POWER_FLAG], [GROUP_ID], [EMAIL], "
            "[PASSWORD]) VALUES (100, 'Unit user', 101, 65536, 1, '', ''), (200, 'Loner', 0, 0, 2, 'abc@d.e', 'p')");
        CXDatabase connection;
        connection.Open(db.connectString());
        CXTableUser users(&connection);
        users.Open();

        CIndepUserDlg admins(&users, AccountListMode::Administrators, QStringLiteral("Manage User"),
                             {"1 - One", "2 - Two"}, 1);
        QCOMPARE(admins.windowTitle(), QStringLiteral("Manage User"));
        QVERIFY(!child<QPushButton>(admins, "addButton")->isEnabled());
        QCOMPARE(test::listedRows(*child<QTreeWidget>(admins, "accountsTreeWidget"), 4),
                 QStringList{QStringLiteral("100|Unit user|1|User Admin.")});

        CIndepUserDlg independent(&users, AccountListMode::IndependentUsers, QStringLiteral("indep. User"),
                                  {"1 - One", "2 - Two"}, -1);
        auto* list = child<QTreeWidget>(independent, "accountsTreeWidget");
        QCOMPARE(test::listedRows(*list, 2), QStringList{QStringLiteral("200|Loner")});
        QVERIFY(!child<QPushButton>(independent, "editButton")->isEnabled());
        test::whenModal<CUserShortDlg>([](CUserShortDlg& form) {
            QCOMPARE(child<QLineEdit>(form, "userIdLineEdit")->text(), QStringLiteral("10000"));
            QCOMPARE(child<QLineEdit>(form, "groupLineEdit")->text(), QStringLiteral("-1"));
            QCOMPARE(child<QCheckBox>(form, "smsUnlimitedCheckBox")->text(), QStringLiteral("SMS unlimited"));
            child<QLineEdit>(form, "nameLineEdit")->setText(QStringLiteral("New"));
            child<QLineEdit>(form, "passwordLineEdit")->setText(QStringLiteral("p"));
            child<QLineEdit>(form, "passwordAgainLineEdit")->setText(QStringLiteral("p"));
            click(form, "okButton");
            QCOMPARE(MessageService::instance().lastText(), QStringLiteral("Invalid e-mail!"));
            child<QLineEdit>(form, "emailLineEdit")->setText(QStringLiteral("new@x.org"));
            click(form, "okButton");
        });
        independent.addUser();
        QCOMPARE(test::listedRows(*list, 2), (QStringList{QStringLiteral("200|Loner"), QStringLiteral("10000|New")}));

        list->setCurrentItem(list->topLevelItem(0));
        QVERIFY(child<QPushButton>(independent, "deleteButton")->isEnabled());
        test::whenModal<CUserShortDlg>([](CUserShortDlg& form) {
            QVERIFY(!child<QLineEdit>(form, "userIdLineEdit")->isEnabled());
            child<QLineEdit>(form, "nameLineEdit")->setText(QStringLiteral("Lone"));
            click(form, "okButton");
        });
        independent.editUser();
        list->setCurrentItem(list->topLevelItem(0));
        MessageService::instance().setNextAnswer(Answer::Ok);
        independent.deleteUser();
        QCOMPARE(MessageService::instance().lastText(), QStringLiteral("Are you sure to delete \"Lone\" ?"));
        QCOMPARE(db.query("SELECT [USER_ID], [NAME] FROM [BaseTable] ORDER BY [USER_ID]"),
                 test::rows({{"100", "Unit user"}, {"10000", "New"}}));
        ColumnMap::resetAllForTesting();
    }

private:
    void openPage(bool systemManager = true, int currentGroup = 0)
    {
        StartOptions options;
        options.systemManager = systemManager;
        options.currentGroup = currentGroup;
        m_dlg = &m_main->open(options);
        MessageService::instance().reset();
    }
    std::string file(const std::string& relative) const { return m_main->dir().file(relative); }
    CUnitUserPage& page() { return *static_cast<CUnitUserPage*>(m_dlg->page(PageKind::UnitsAndUsers)); }
    OrgTree::NodeId userNode(int id) { return test::findUserNode(page().model().tree(), id); }

    std::unique_ptr<test::MainWindowOnDatabase> m_main;
    test::OdbcTestDb* m_db = nullptr;
    CMainDlg* m_dlg = nullptr;
};

QTEST_MAIN(CUserEditDlgTest)
#include "CUserEditDlgTest.moc"
