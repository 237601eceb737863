#include "MainWindowOnDatabase.h"
#include "app/ui/CAboutDlg.h"
#include "app/ui/CAdminApp.h"
#include "app/ui/CStatusLine.h"
#include "app/ui/MessageService.h"
#include "app/ui/UiText.h"
#include "catalog/ui/CAppEditDlg.h"
#include "catalog/ui/CHelpViewerDlg.h"
#include "org/ui/CPowerDlg.h"
#include "resources/StringIds.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeView>

using namespace qar;
using namespace qar::ui;
using test::child;

namespace
{

QAbstractItemView* shownList(QWidget& window, const QString& name)
{
    for (auto* view : window.findChildren<QAbstractItemView*>(name)) {
        if (view->isVisible()) {
            return view;
        }
    }
    return nullptr;
}

} // namespace

// The keyboard as a new administrator uses it: the list pages' keys, Escape and F1 in the forms.
class KeyboardTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initResources(); }

    void listPagesOpenAndDeleteByKey_data()
    {
        QTest::addColumn<int>("sideBarRow");
        QTest::addColumn<QString>("list");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("editor");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("status");
        QTest::newRow("groups") << 0 << "groupTreeWidget" << 2 << "qar::ui::CGroupEditDlg"
                                << "Sales (2)"
                                << "Group 2 deleted";
        QTest::newRow("roles") << 1 << "rolesTreeWidget" << 1 << "qar::ui::CRoleEditDlg"
                               << "Lead (4)"
                               << "Role 4 deleted";
        QTest::newRow("applications") << 3 << "appsTreeView" << 0 << "qar::ui::CAppEditDlg"
                                      << "Nine (9)"
                                      << "Application 9 deleted";
        QTest::newRow("websites") << 4 << "websitesTreeView" << 0 << "qar::ui::CWebsiteEditDlg"
                                  << "Seven (7)"
                                  << "Website 7 deleted";
        QTest::newRow("message types") << 5 << "msgTypesTreeView" << 0 << "qar::ui::CMsgTypeEditDlg"
                                       << "Approval (021)"
                                       << "Message type 21 deleted";
    }

    // Enter opens the selected entry, Delete asks with the system's question and the entry's name below
    // it; the status line says what went while that page is in view. The last column reaches the edge.
    void listPagesOpenAndDeleteByKey()
    {
        QFETCH(int, sideBarRow);
        QFETCH(QString, list);
        QFETCH(int, row);
        QFETCH(QString, editor);
        QFETCH(QString, item);
        QFETCH(QString, status);
        test::MainWindowOnDatabase main;
        const auto xml = [&main](const char* file, const std::string& content) {
            test::writeFile(main.dir().file(std::string("UserData/config/xmldata/") + file), content);
        };
        xml("apps.xml", "<QAR_APPS><A ID=\"9\" N=\"Nine\" URL=\"http://nine\" G=\"0\" T=\"0\"/></QAR_APPS>");
        xml("role.xml", "<QAR_ROLE><R ID=\"0\" N=\"Staff\"/><R ID=\"4\" N=\"Lead\"/></QAR_ROLE>");
        xml("weburl.xml", "<QAR_URLS><URL ID=\"7\" N=\"Seven\" U=\"http://7\"/></QAR_URLS>");
        xml("jobmsg.xml", "<QAR_JOBMSG><J T=\"21\" N=\"Approval\" M=\"0\"/></QAR_JOBMSG>");
        test::writeFile(main.dir().file("RXServer.exe"), "");
        main.db().exec("INSERT INTO [GroupTable] ([GROUP_ID], [GROUP_NAME]) VALUES (0, 'Default'), (10, 'Ten'), "
                       "(2, 'Sales')");
        CMainDlg& window = main.open();
        auto* sideBar = child<QListWidget>(window, "sideBarList");
        sideBar->setCurrentRow(sideBarRow);
        QAbstractItemView* view = shownList(window, list);
        QVERIFY(view != nullptr);
        const int rows = view->model()->rowCount();
        view->setCurrentIndex(view->model()->index(row, 0));

        QString opened;
        test::whenModal<QDialog>(
            [&opened](QDialog& form) { opened = QString::fromLatin1(form.metaObject()->className()); });
        QTest::keyClick(view, Qt::Key_Return);
        QCOMPARE(opened, editor);

        MessageService& messages = MessageService::instance();
        messages.setNextAnswer(Answer::Cancel);
        QTest::keyClick(view, Qt::Key_Delete);
        QCOMPARE(messages.lastText(), text(str::kConfirmDeleteItem));
        QCOMPARE(messages.shown().back().informative, item);
        QCOMPARE(view->model()->rowCount(), rows);
        QCOMPARE(window.statusLine()->change(), QString());
        QTest::keyClick(view, Qt::Key_Delete); // answered OK
        QCOMPARE(view->model()->rowCount(), rows - 1);
        QCOMPARE(window.statusLine()->change(), status);

        sideBar->setCurrentRow(sideBarRow == 1 ? 0 : 1);
        QCOMPARE(window.statusLine()->change(), QString());
        sideBar->setCurrentRow(sideBarRow);
        QCOMPARE(window.statusLine()->change(), status);

        window.resize(1200, 700); // room beyond the columns' own widths
        QCoreApplication::processEvents();
        const QHeaderView* header = static_cast<QTreeView*>(view)->header();
        int last = header->count() - 1;
        while (header->isSectionHidden(last)) {
            --last;
        }
        QCOMPARE(header->sectionViewportPosition(last) + header->sectionSize(last), view->viewport()->width());
    }

    void escapeAsksBeforeDiscardingTypedValues_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("closed");
        QTest::newRow("nothing typed") << "" << static_cast<int>(Answer::Yes) << false << true;
        QTest::newRow("typed, kept") << "Mail" << static_cast<int>(Answer::No) << true << false;
        QTest::newRow("typed, discarded") << "Mail" << static_cast<int>(Answer::Yes) << true << true;
        QTest::newRow("typed and erased") << "M\b" << static_cast<int>(Answer::No) << false << true;
        QTest::newRow("a type chosen") << "type" << static_cast<int>(Answer::No) << true << false;
        QTest::newRow("a box ticked") << "box" << static_cast<int>(Answer::No) << true << false;
    }

    void escapeAsksBeforeDiscardingTypedValues()
    {
        QFETCH(QString, typed);
        QFETCH(int, answer);
        QFETCH(bool, asked);
        QFETCH(bool, closed);
        test::ProgramSandbox box;
        test::RecordingLauncher launcher;
        const AppFormModel model(AppFormSetup{false, 9, {9}, {{0, {}}}});
        CAppEditDlg form(model, AppEntry{9, "Nine", "http://nine", 0, 1, "", "", 0, 0, 0}, false, launcher);
        form.show();
        auto* name = child<QLineEdit>(form, "nameLineEdit");
        if (typed == QLatin1String("type")) {
            child<QComboBox>(form, "typeComboBox")->setCurrentIndex(2);
        } else if (typed == QLatin1String("box")) {
            child<QAbstractButton>(form, "needPasswordCheckBox")->click();
        } else if (typed.endsWith(u'\b')) {
            QTest::keyClicks(name, typed.chopped(1));
            QTest::keyClick(name, Qt::Key_Backspace);
        } else {
            QTest::keyClicks(name, typed);
        }
        MessageService::instance().setNextAnswer(static_cast<Answer>(answer));
        QTest::keyClick(name, Qt::Key_Escape);
        QCOMPARE(MessageService::instance().shown().size(), asked ? 1 : 0);
        if (asked) {
            QCOMPARE(MessageService::instance().lastText(), text(str::kDiscardTypedChanges));
        }
        QCOMPARE(form.isVisible(), !closed);
        if (closed) {
            QCOMPARE(form.result(), static_cast<int>(QDialog::Rejected));
        }
        // Cancel is a choice already made: it never asks.
        if (!closed) {
            child<QPushButton>(form, "cancelButton")->click();
            QCOMPARE(MessageService::instance().shown().size(), 1);
            QVERIFY(!form.isVisible());
        }
    }

    // F1 presses the Help of the form in front, which shows its file read-only from the top; in the main
    // window it shows About, which the window's context menu offers too.
    void f1OpensTheHelpOfTheWindowInFront()
    {
        test::ProgramSandbox box;
        test::writeFile(box.dir.file("Help_Power.txt"), "first\r\nsecond\r\n");
        CPowerDlg privileges(0, PowerNames{});
        privileges.show();
        QApplication::setActiveWindow(&privileges);
        QString shown;
        test::whenModal<CHelpViewerDlg>([&shown](CHelpViewerDlg& help) {
            auto* viewer = child<QPlainTextEdit>(help, "helpPlainTextEdit");
            QVERIFY(viewer->isReadOnly() && viewer->textCursor().position() == 0);
            shown = help.windowTitle() + QLatin1Char('|') + help.text();
            child<QPushButton>(help, "closeButton")->click();
            QVERIFY(!help.isVisible());
        });
        QTest::keyClick(&privileges, Qt::Key_F1);
        QCOMPARE(shown, QStringLiteral("Help|first\nsecond\n\n"));

        test::writeFile(box.dir.file("AppConf.mht"), "");
        test::RecordingLauncher launcher;
        const AppFormModel model(AppFormSetup{true, 0, {}, {{0, {}}}});
        CAppEditDlg application(model, AppEntry{}, false, launcher);
        application.show();
        QApplication::setActiveWindow(&application);
        QTest::keyClick(&application, Qt::Key_F1);
        QCOMPARE(launcher.launched.size(), std::size_t{1});
        application.close();

        test::MainWindowOnDatabase main;
        CMainDlg& window = main.open();
        QApplication::setActiveWindow(&window);
        QVERIFY(window.actions().contains(child<QAction>(window, "aboutAction")));
        QString about;
        test::whenModal<CAboutDlg>([&about](CAboutDlg& dlg) { about = dlg.windowTitle(); });
        QTest::keyClick(&window, Qt::Key_F1);
        QCOMPARE(about, QStringLiteral("About QAR Data Management"));
    }
};

QTEST_MAIN(KeyboardTest)
#include "KeyboardTest.moc"
