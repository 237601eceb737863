#include "org/ui/CUnitUserPage.h"

#include "GuiTestSupport.h"
#include "MainWindowOnDatabase.h"
#include "OrgDbTest.h"
#include "app/ui/CAdminApp.h"
#include "app/ui/CStatusLine.h"
#include "app/ui/MessageService.h"
#include "app/ui/OperationProgress.h"
#include "intake/ui/CCheckDataDlg.h"
#include "org/ui/COrgFindBar.h"
#include "org/ui/CSearchDlg.h"
#include "org/ui/CUnitAttrDlg.h"
#include "org/ui/CUnitEditDlg.h"
#include "org/ui/CUserEditDlg.h"
#include "org/ui/OrgTreeModel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeView>

using namespace qar;
using namespace qar::ui;
using test::child;
using test::click;
using test::setField;

// What the commands write is covered by the core's tests on both engines; these drive the page and its
// forms in the main window on a real database, for the prompts, the forms' checks and the view.
class CUnitUserPageTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initResources(); }

    void init()
    {
        m_main = std::make_unique<test::MainWindowOnDatabase>();
        m_db = &m_main->db();
        test::addSmallTree(*m_db); // every test's tree starts with units 100 and 110 of group 1
    }

    void cleanup() { m_main.reset(); }

    void addsAUnitUnderAUserNodeBesideTheUser()
    {
        user(10001, 110);
        openPage();
        QVERIFY(!m_dlg->changeFlags().units);
        page().selectNode(userNode(10001));
        test::whenModal<CUnitEditDlg>([](CUnitEditDlg& form) {
            QCOMPARE(form.windowTitle(), QStringLiteral("Add Department"));
            setField(form, "departmentLineEdit", QStringLiteral("Research"));
            click(form, "okButton");
        });
        page().addUnit();

        QCOMPARE(page().selectedNode(), unitNode(111));
        QVERIFY(view()->currentIndex().data().toString().startsWith(QStringLiteral("Unit:Research [ID:111]")));
        QVERIFY(view()->isExpanded(page().treeModel().indexOf(unitNode(110))));
        QVERIFY(m_dlg->changeFlags().units);
    }

    // The parent list and what a new code re-points are the core's. The attribute form rebuilds the value
    // from its boxes alone (bits 0 and 8 have none), the fields the form never shows are kept, and the view
    // shows the new code at once with the subtree below it.
    void modifyKeepsHiddenFieldsAndShowsTheNewCodeAtOnce()
    {
        m_db->exec("UPDATE [UnitTable] SET [UNIT_FLAG] = 257, [CAN_LOG] = 1, [UNIT_ALIAS] = 'desk', [LOG_PWD] = 'pw' "
                   "WHERE [UNIT_ID] = 100");
        openPage();
        page().selectNode(unitNode(100));
        QString shownAttribute;
        test::whenModal<CUnitEditDlg>([&](CUnitEditDlg& form) {
            QCOMPARE(form.windowTitle(), QStringLiteral("Modify Department"));
            test::whenModal<CUnitAttrDlg>([](CUnitAttrDlg& attributes) {
                QVERIFY(!child<QCheckBox>(attributes, "reservedCheckBox")->isEnabled());
                child<QCheckBox>(attributes, "vipDeptCheckBox")->setChecked(true);
                click(attributes, "okButton");
            });
            click(form, "setAttributesButton");
            shownAttribute = child<QLineEdit>(form, "attributeLineEdit")->text();
            setField(form, "codeLineEdit", QStringLiteral("150"));
            click(form, "okButton");
        });
        page().edit();
        QCOMPARE(shownAttribute, QStringLiteral("64"));
        QCOMPARE(m_db->query(
                     "SELECT [UNIT_FLAG], [CAN_LOG], [UNIT_ALIAS], [LOG_PWD] FROM [UnitTable] WHERE [UNIT_ID] = 150"),
                 test::rows({{"64", "1", "desk", "pw"}}));
        QVERIFY(view()->currentIndex().data().toString().contains(QStringLiteral("[ID:150]")));
        QCOMPARE(page().treeModel().indexOf(unitNode(110)).parent(), page().treeModel().indexOf(unitNode(150)));
        QVERIFY(page().changeFlags().units);
        QVERIFY(MessageService::instance().shown().isEmpty());
    }

    void searchSelectsByIdOrTellsWhatWasNotFound()
    {
        user(10001, 100);
        user(10002, 100);
        openPage();
        page().selectNode(page().model().index().groupNodes.at(1));
        bool stayedOpen = false;
        for (const QString& input : {QStringLiteral("[ID:10002]"), QStringLiteral("Nobody"), QString()}) {
            test::whenModal<CSearchDlg>([&](CSearchDlg& form) {
                form.findChild<QLineEdit*>()->setText(input);
                click(form, "okButton");
                stayedOpen = form.isVisible();
            });
            page().search();
        }
        QCOMPARE(page().selectedNode(), userNode(10002));
        QCOMPARE(view()->currentIndex(), page().treeModel().indexOf(userNode(10002)));
        QVERIFY(stayedOpen);
        const auto& shown = MessageService::instance().shown();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0].text, QStringLiteral("Nobody not found?"));
        QCOMPARE(shown[1].text, QStringLiteral("Please input the user or department you want to find!"));
    }

    // Who may import is the core's; the tool must be installed and gets the main window's id.
    void importExportNeedsTheSheetToolAndGetsTheMainWindowsId()
    {
        openPage();
        test::RecordingLauncher launcher;
        page().setLauncher(&launcher);
        page().selectNode(page().model().index().groupNodes.at(2));
        page().importExport();
        QVERIFY(launcher.launched.empty());
        QCOMPARE(
            lastMessage(),
            QStringLiteral("Unable to start %1.").arg(QString::fromStdString(m_main->dir().file("SheetIntake.exe"))));
        test::writeFile(m_main->dir().file("SheetIntake.exe"), "");
        page().importExport();
        QCOMPARE(launcher.launched.size(), std::size_t{1});
        QCOMPARE(launcher.launched[0].path, m_main->dir().file("SheetIntake.exe"));
        // The main window's id; the page itself stays a plain child widget.
        QCOMPARE(launcher.launched[0].arguments.at(0), "-bysys-h" + std::to_string(m_dlg->winId()) + "-grps1|2|-dgrp2");
        QVERIFY(!page().testAttribute(Qt::WA_NativeWindow));
    }

    // A group manager checks the own group: another group's users, e-mails and mobiles stay unseen.
    void aGroupManagersDataCheckShowsTheGroupAlone()
    {
        unit(200, 0, 1, 2);
        m_db->exec("INSERT INTO [BaseTable] ([USER_ID], [NAME], [PASSWORD], [UNIT_ID], [USER_STATUS], [GROUP_ID], "
                   "[EMAIL], [MOBILE]) VALUES (10001, 'Ann', 'x', 100, 1, 1, 'ann@corp.example', '13800000001'), "
                   "(20001, 'Bo', 'x', 200, 1, 2, 'ann@corp.example', '13800000001'), "
                   "(20002, 'Cy', 'x', 999, 1, 2, 'bad', '')");
        StartOptions groupManager;
        groupManager.systemManager = false;
        groupManager.currentGroup = 1;
        m_dlg = &m_main->open(groupManager);
        QString report;
        test::whenModal<CCheckDataDlg>([&report](CCheckDataDlg& form) { report = form.report(); });
        click(page(), "checkDataButton");
        QCOMPARE(report, QStringLiteral("User 10001 (#1): e-mail ann@corp.example is held by 2 users\n"
                                        "User 10001 (#1): mobile 13800000001 is held by 2 users"));
    }

    // Three levels open and a user selected far down: a Refresh after another program moved the user's
    // unit, the timer's refresh, and a parent change in the unit form all keep the place.
    void keepsThePlaceAcrossRefreshesAndAParentChange()
    {
        unit(120, 0, 1);
        for (int id = 10001; id <= 10060; ++id) {
            user(id, 110);
        }
        openPage();
        child<QListWidget>(*m_dlg, "sideBarList")->setCurrentRow(2); // the timer refreshes a page in view
        QVERIFY(QTest::qWaitForWindowExposed(m_dlg));
        for (const OrgTree::NodeId n : {page().model().index().groupNodes.at(1), unitNode(100), unitNode(110)}) {
            view()->expand(page().treeModel().indexOf(n));
        }
        page().selectNode(userNode(10050));
        const auto placeKept = [this](OrgTree::NodeId selected, std::initializer_list<OrgTree::NodeId> open) {
            QCOMPARE(page().selectedNode(), selected);
            const QModelIndex current = page().treeModel().indexOf(selected);
            QCOMPARE(view()->currentIndex(), current);
            QVERIFY(view()->viewport()->rect().contains(view()->visualRect(current)));
            for (const OrgTree::NodeId n : open) {
                QVERIFY(view()->isExpanded(page().treeModel().indexOf(n)));
            }
            for (const char* button : {"addUserButton", "editButton", "deleteButton"}) {
                QVERIFY2(child<QPushButton>(page(), button)->isEnabled(), button);
            }
        };
        const OrgTree::NodeId group = page().model().index().groupNodes.at(1);
        placeKept(userNode(10050), {group, unitNode(100), unitNode(110)});

        m_db->exec("UPDATE [UnitTable] SET [SUPER_ID] = 120 WHERE [UNIT_ID] = 110");
        click(page(), "refreshButton");
        placeKept(userNode(10050), {group, unitNode(120), unitNode(110)});

        m_db->exec("DELETE FROM [BaseTable] WHERE [USER_ID] = 10050");
        m_dlg->session().RefreshConnection();
        QVERIFY(QMetaObject::invokeMethod(child<QTimer>(*m_dlg, "refreshTimer"), "timeout", Qt::DirectConnection));
        placeKept(userNode(10051), {group, unitNode(120), unitNode(110)});

        page().selectNode(unitNode(110));
        test::whenModal<CUnitEditDlg>([](CUnitEditDlg& form) {
            auto* parents = child<QComboBox>(form, "parentComboBox");
            parents->setCurrentIndex(parents->findText(QStringLiteral("[ID:100]"), Qt::MatchEndsWith));
            click(form, "okButton");
        });
        page().edit();
        QCOMPARE(page().model().tree().parent(unitNode(110)), unitNode(100));
        placeKept(unitNode(110), {group, unitNode(100), unitNode(110)});
        QCOMPARE(m_dlg->statusLine()->change(), QStringLiteral("Unit 110 saved"));
    }

    // The find bar looks through the whole tree, closed nodes and other groups included, whatever the
    // selection, ignoring case and width.
    void findBarFindsAnyNodeAndStepsRoundTheTree()
    {
        unit(200, 0, 1, 2);
        user(10001, 100);
        user(10002, 100);
        user(10003, 200);
        openPage();
        child<QListWidget>(*m_dlg, "sideBarList")->setCurrentRow(2); // shortcuts of a hidden page do not fire
        QVERIFY(QTest::qWaitForWindowActive(m_dlg));
        page().selectNode(unitNode(100));
        QTest::keyClick(view(), Qt::Key_F, Qt::ControlModifier);
        auto* text = child<QLineEdit>(page(), "findLineEdit");
        auto* count = child<QLabel>(page(), "matchLabel");
        QVERIFY(text->isVisible() && text->hasFocus());

        for (const QChar c : QStringLiteral("Ｕ１０００３")) { // typed in full width
            QTest::sendKeyEvent(QTest::Click, text, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
        QCOMPARE(page().selectedNode(), userNode(10003));
        QVERIFY(view()->isExpanded(page().treeModel().indexOf(unitNode(200))));
        QVERIFY(view()->viewport()->rect().contains(view()->visualRect(view()->currentIndex())));
        QCOMPARE(count->text(), QStringLiteral("1 of 1"));
        QVERIFY(text->hasFocus());
        // The selected node's image is drawn as it is, not tinted into the highlight.
        const auto icon = view()->currentIndex().data(Qt::DecorationRole).value<QIcon>();
        QCOMPARE(icon.pixmap(16, QIcon::Selected).toImage(), icon.pixmap(16, QIcon::Normal).toImage());

        text->clear();
        QTest::keyClicks(text, QStringLiteral("1000"));
        QCOMPARE(count->text(), QStringLiteral("3 of 3")); // the selected match stays
        QTest::keyClick(text, Qt::Key_Return);
        QCOMPARE(page().selectedNode(), userNode(10001));
        QCOMPARE(count->text(), QStringLiteral("1 of 3"));
        QTest::keyClick(text, Qt::Key_F3);
        QCOMPARE(page().selectedNode(), userNode(10002));
        QTest::keyClick(text, Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(page().selectedNode(), userNode(10001));

        QTest::keyClicks(text, QStringLiteral("9"));
        QCOMPARE(count->text(), QStringLiteral("No match"));
        QCOMPARE(page().selectedNode(), userNode(10001));
        QTest::keyClick(text, Qt::Key_Escape);
        QVERIFY(!text->isVisible());
        QVERIFY(view()->hasFocus());
        QVERIFY(MessageService::instance().shown().isEmpty());
    }

    // Delete on the tree is the Delete button: the same refusals (warnings), the same question naming
    // the node, and the selection goes to the next node; the status line says what was written.
    void deleteRefusesOrAsksNamingTheNodeAndHandsTheSelectionOn()
    {
        for (int id : {10001, 10002, 10003}) {
            user(id, 110);
        }
        openPage();
        page().selectNode(page().model().index().groupNodes.at(1));
        QTest::keyClick(view(), Qt::Key_Delete);
        QCOMPARE(lastMessage(), QStringLiteral("You can not delete the group from here."));
        QCOMPARE(MessageService::instance().shown().back().severity, Severity::Error);
        page().selectNode(unitNode(100));
        click(page(), "deleteButton");
        QCOMPARE(lastMessage(), QStringLiteral("Unable to be removed, it has sub nodes!"));

        page().selectNode(userNode(10002));
        MessageService::instance().setNextAnswer(Answer::Cancel);
        QTest::keyClick(view(), Qt::Key_Delete);
        QCOMPARE(m_db->count("[BaseTable]"), 3LL);
        QTest::keyClick(view(), Qt::Key_Delete); // answered OK
        QCOMPARE(lastMessage(), QStringLiteral("Are you sure to delete the item?"));
        QCOMPARE(MessageService::instance().shown().back().informative,
                 QStringLiteral("User:u10002 [ID:10002]  [Status]1 In service"));
        QCOMPARE(MessageService::instance().shown().back().severity, Severity::Question);
        QCOMPARE(m_db->count("[BaseTable]"), 2LL);
        QCOMPARE(page().selectedNode(), userNode(10003));
        QCOMPARE(view()->currentIndex(), page().treeModel().indexOf(userNode(10003)));
        QCOMPARE(m_dlg->statusLine()->change(), QStringLiteral("User 10002 deleted"));
    }

    // The checks and the group rule are the core's. A refused code keeps the form open with the message (a
    // text of the table, or the field's range) and the code selected. Without a weight column the form says
    // why the weight is off; a parent of another group brings its group along.
    void unitFormRefusesBadCodesAndFollowsTheParentsGroup()
    {
        unit(200, 0, 1, 2);
        openPage();
        page().selectNode(unitNode(100));
        QStringList refused;
        test::whenModal<CUnitEditDlg>([&](CUnitEditDlg& form) {
            auto* weight = child<QLineEdit>(form, "weightLineEdit");
            QVERIFY(!weight->isEnabled() && weight->toolTip().contains(QStringLiteral("UNTB_WEIGHT")));
            setField(form, "departmentLineEdit", QStringLiteral("Branch"));
            for (const char* code : {"100", "40000"}) {
                setField(form, "codeLineEdit", QString::fromLatin1(code));
                click(form, "okButton");
                QVERIFY(form.isVisible());
                refused << lastMessage() + QLatin1Char('|') + child<QLineEdit>(form, "codeLineEdit")->selectedText();
            }
            auto* parents = child<QComboBox>(form, "parentComboBox");
            parents->setCurrentIndex(parents->findText(QStringLiteral("[ID:200]"), Qt::MatchEndsWith));
            QCOMPARE(child<QComboBox>(form, "groupComboBox")->currentText(), QStringLiteral("2"));
            setField(form, "codeLineEdit", QStringLiteral("201"));
            click(form, "okButton");
        });
        page().addUnit();
        QCOMPARE(refused, (QStringList{QStringLiteral("ID must be Unique!|100"),
                                       QStringLiteral("Please enter an integer between 1 and 32767.|40000")}));
        QCOMPARE(m_dlg->statusLine()->change(), QStringLiteral("Unit 201 added"));
    }

    // A top-level unit given another group is shown under that group's node at once, open as it was.
    void aTopLevelUnitOfAnotherGroupMovesThereAtOnce()
    {
        user(10001, 110);
        openPage();
        page().selectNode(userNode(10001)); // opens its group and both units
        page().selectNode(unitNode(100));
        test::whenModal<CUnitEditDlg>([](CUnitEditDlg& form) {
            auto* groups = child<QComboBox>(form, "groupComboBox");
            groups->setCurrentIndex(groups->findText(QStringLiteral("2")));
            click(form, "okButton");
        });
        page().edit();
        const OrgTreeModel& shown = page().treeModel();
        QCOMPARE(shown.indexOf(unitNode(100)).parent(), shown.indexOf(page().model().index().groupNodes.at(2)));
        QCOMPARE(view()->currentIndex(), shown.indexOf(unitNode(100)));
        QVERIFY(view()->isExpanded(shown.indexOf(unitNode(100))) && view()->isExpanded(shown.indexOf(unitNode(110))));
        QCOMPARE(m_dlg->statusLine()->change(),
                 QStringLiteral("Unit 100 saved; 1 sub-unit moved; 1 user moved to group 2"));
    }

    void buttonsMenuAndEnterFollowTheSelection()
    {
        user(10001, 100);
        openPage();
        auto* edit = child<QPushButton>(page(), "editButton");
        QVERIFY(!edit->isEnabled());
        const auto menuTexts = [this] {
            std::unique_ptr<QMenu> menu(page().createContextMenu());
            QStringList texts;
            for (QAction* a : menu->actions()) {
                texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
            }
            return texts;
        };
        // Moving to a group node disables the node commands; a click, which arrives after the move,
        // enables them again because a node is selected.
        const OrgTree::NodeId group = page().model().index().groupNodes.at(1);
        view()->setCurrentIndex(page().treeModel().indexOf(group));
        QVERIFY(!edit->isEnabled());
        page().selectNode(group);
        QVERIFY(edit->isEnabled());
        QCOMPARE(menuTexts(),
                 (QStringList{QStringLiteral("Add &Unit"), QStringLiteral("-"), QStringLiteral("&Search")}));

        page().selectNode(unitNode(100));
        QCOMPARE(menuTexts().size(), 7);
        const QModelIndex unitIndex = page().treeModel().indexOf(unitNode(100));
        const bool wasExpanded = view()->isExpanded(unitIndex);
        QTest::keyClick(view(), Qt::Key_Return);
        QCOMPARE(view()->isExpanded(unitIndex), !wasExpanded);
        QVERIFY(MessageService::instance().shown().isEmpty());

        page().selectNode(userNode(10001));
        QString opened;
        test::whenModal<CUserEditDlg>([&](CUserEditDlg& form) { opened = form.windowTitle(); });
        QTest::keyClick(view(), Qt::Key_Return);
        QCOMPARE(opened, QStringLiteral("Modify User"));
        QVERIFY(MessageService::instance().shown().isEmpty());
    }

    // A name longer than the view is read by scrolling sideways, not cut short; a short tree fills the view.
    void longLinesScrollSideways()
    {
        openPage();
        auto* bar = view()->horizontalScrollBar();
        child<QListWidget>(*m_dlg, "sideBarList")->setCurrentRow(2);
        m_dlg->resize(1000, 600);
        QCoreApplication::processEvents();
        QCOMPARE(view()->columnWidth(0), view()->viewport()->width());
        QCOMPARE(bar->maximum(), 0);
        m_db->exec("UPDATE [UnitTable] SET [UNIT_NAME] = '" + std::string(300, 'w') + "' WHERE [UNIT_ID] = 110");
        click(page(), "refreshButton");
        page().selectNode(unitNode(110));
        QCoreApplication::processEvents();
        const QModelIndex index = page().treeModel().indexOf(unitNode(110));
        QVERIFY(view()->columnWidth(0) >=
                view()->visualRect(index).left() + view()->fontMetrics().horizontalAdvance(index.data().toString()));
        QVERIFY(bar->maximum() > 0);
    }

    // "Refresh" that cannot read the tables makes the connection anew at once, as the timer does, then says
    // so with the driver's reason under "Details".
    void refreshThatCannotReadTheTablesReconnectsAndSaysWhy()
    {
        openPage();
        m_main->host().calls.clear();
        m_db->exec("DROP TABLE [BaseTable]");
        click(page(), "refreshButton");
        QVERIFY(m_main->host().calls.contains(QStringLiteral("refreshConnection")));
        QCOMPARE(lastMessage(), QStringLiteral("Unable to open DB!"));
        QVERIFY(MessageService::instance().shown().back().details.contains(QStringLiteral("BaseTable")));
    }

    // A timer tick while a unit write shows its progress leaves the tree alone: the record objects hold
    // half of the write until it ends.
    void aTimerTickDuringAWriteLeavesTheTreeAlone()
    {
        openPage();
        child<QListWidget>(*m_dlg, "sideBarList")->setCurrentRow(2); // the timer refreshes a page in view
        page().selectNode(unitNode(100));
        std::uint64_t before = 0;
        std::uint64_t after = 0;
        ShowWatcher shows([&](const QObject* shown) {
            if (shown->objectName() == QStringLiteral("operationProgressDialog") && before == 0) {
                before = page().model().tree().revision();
                QVERIFY(
                    QMetaObject::invokeMethod(child<QTimer>(*m_dlg, "refreshTimer"), "timeout", Qt::DirectConnection));
                after = page().model().tree().revision();
            }
        });
        test::whenModal<CUnitEditDlg>([](CUnitEditDlg& form) {
            setField(form, "codeLineEdit", QStringLiteral("150"));
            click(form, "okButton");
        });
        OperationProgress::setShowAfterForTesting(0);
        page().edit();
        OperationProgress::setShowAfterForTesting(1000);
        QVERIFY(before != 0);
        QCOMPARE(after, before);
        QCOMPARE(m_db->count("[UnitTable] WHERE [UNIT_ID] = 150"), 1LL);
        QVERIFY(page().model().index().unitNodes.contains(150));
    }

private:
    static QString lastMessage() { return MessageService::instance().lastText(); }

    /// Hears of each widget shown while it lives.
    struct ShowWatcher : QObject
    {
        explicit ShowWatcher(std::function<void(const QObject*)> onShow) : m_onShow(std::move(onShow))
        {
            qApp->installEventFilter(this);
        }
        ~ShowWatcher() override { qApp->removeEventFilter(this); }
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() == QEvent::Show) {
                m_onShow(watched);
            }
            return false;
        }
        std::function<void(const QObject*)> m_onShow;
    };

    void unit(int id, int superId, int level, int groupId = 1) { test::addUnit(*m_db, id, superId, level, groupId); }
    void user(int id, int unitId) { test::addUser(*m_db, id, unitId); }

    /// The main window on the database, initialised as at start: the page shows the tree.
    void openPage()
    {
        m_dlg = &m_main->open();
        MessageService::instance().reset();
    }
    CUnitUserPage& page() { return *static_cast<CUnitUserPage*>(m_dlg->page(PageKind::UnitsAndUsers)); }
    QTreeView* view() { return child<QTreeView>(page(), "orgTreeView"); }
    OrgTree::NodeId unitNode(int id) { return page().model().index().unitNodes.at(id); }
    OrgTree::NodeId userNode(int id) { return test::findUserNode(page().model().tree(), id); }

    std::unique_ptr<test::MainWindowOnDatabase> m_main;
    test::OdbcTestDb* m_db = nullptr;
    CMainDlg* m_dlg = nullptr;
};

QTEST_MAIN(CUnitUserPageTest)
#include "CUnitUserPageTest.moc"
