#include "GuiTestSupport.h"
#include "app/ui/CAdminApp.h"
#include "app/ui/MessageService.h"
#include "app/ui/ShellEvent.h"
#include "groups/ui/CGroupFilesDlg.h"
#include "groups/ui/CGroupPropDlg.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTreeView>

using namespace qar;
using namespace qar::ui;
using test::child;
using test::click;

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

// The property form's in-place editors driven by clicks and keys, its OK rules and saving; the
// configuration-file form's buttons. Both on files of a program folder of their own.
class CGroupFormsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initResources(); }
    void init()
    {
        m_box = std::make_unique<test::ProgramSandbox>();
        test::writeFile(m_box->dir.file("UserData/setting/PropDef.dat"), kDefinitions);
    }
    void cleanup() { m_box.reset(); }

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
        test::writeFile(m_box->dir.file("UserData/setting/PropDef.dat"), many + "</INFO></PRM_CONFIG>");
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
        std::filesystem::create_directories(m_box->dir.file("UserData/config/XMLs"));
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
        QCOMPARE(launcher.launched[0].arguments, std::vector<std::string>{m_box->dir.file("XMLs_Back/5_AppUrls.xml")});
    }

private:
    std::unique_ptr<test::ProgramSandbox> m_box;
};

QTEST_MAIN(CGroupFormsTest)
#include "CGroupFormsTest.moc"
