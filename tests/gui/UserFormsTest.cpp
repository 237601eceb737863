#include "CatalogGuiSupport.h"
#include "OdbcTestDb.h"
#include "app/ui/CAdminApp.h"
#include "app/ui/MessageService.h"
#include "catalog/ui/CRoleEditDlg.h"
#include "catalog/ui/CRolePage.h"
#include "db/CXDatabase.h"
#include "db/CXTableUser.h"
#include "db/ColumnMap.h"
#include "org/ui/CIndepUserDlg.h"
#include "org/ui/CPowerDlg.h"
#include "org/ui/CUserShortDlg.h"

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

// The privilege form, the roles page with its editor, and the user-account list with the short user form,
// each on its own as the role page and the group editor open them.
class UserFormsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initResources(); }
    void init() { m_box = std::make_unique<test::ProgramSandbox>(); }
    void cleanup() { m_box.reset(); }

    void privilegeFormNamesItsBoxesAndDropsBitsWithoutABox()
    {
        const PowerNames names = ReadPowerNames(test::writeFile(
            m_box->dir.file("Power.dat"), "[Names]\r\nnum=21\r\nDef_Name=-\r\nName_0=Files\r\nName_1=-\r\n"));
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
            test::writeFile(m_box->dir.file("UserData/config/xmldata/role.xml"),
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
    std::unique_ptr<test::ProgramSandbox> m_box;
};

QTEST_MAIN(UserFormsTest)
#include "UserFormsTest.moc"
