#include "catalog/ui/CMsgTypePage.h"

#include "CatalogGuiSupport.h"
#include "app/ui/CAdminApp.h"
#include "app/ui/MessageService.h"
#include "app/ui/UiText.h"
#include "catalog/ui/CMsgTypeEditDlg.h"
#include "platform/Paths.h"
#include "resources/StringIds.h"

#include <QCheckBox>
#include <QComboBox>

using namespace qar;
using namespace qar::ui;
using test::child;
using test::click;
using test::setField;

// The numbers, bits and checks are the core's tests; these drive the page and its form: the
// preselection, the boxes writing into the mark code, the mask tool and the file the page writes.
class CMsgTypePageTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initResources(); }

    void addsModifiesAndDeletesThroughTheForm()
    {
        test::ProgramSandbox box;
        std::string used = "<QAR_JOBMSG>";
        for (int n = 1; n <= 20; ++n) {
            used += "<J T=\"" + std::to_string(n) + "\" N=\"System\" M=\"0\"/>";
        }
        test::writeFile(box.dir.file("UserData/config/xmldata/jobmsg.xml"),
                        used + "<J T=\"22\" M=\"1\"/></QAR_JOBMSG>");
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
                     formatText(str::kCannotStartProgram, {QString::fromStdString(box.dir.file("MsgShaper.exe"))}));
            test::writeFile(box.dir.file("MsgShaper.exe"), "");
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
        QVERIFY(test::readFile(box.dir.file("UserData/config/xmldata/jobmsg.xml"))
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
        CMsgTypeCatalog written(box.dir.file("UserData/config/xmldata/jobmsg.xml"));
        QVERIFY(written.load());
        QCOMPARE(written.rows().size(), 21U);
    }
};

QTEST_MAIN(CMsgTypePageTest)
#include "CMsgTypePageTest.moc"
