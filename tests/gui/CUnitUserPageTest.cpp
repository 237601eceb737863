#include "org/ui/CUnitUserPage.h"

#include "GuiTestSupport.h"
#include "OdbcTestDb.h"
#include "app/ui/CAdminApp.h"
#include "app/ui/CMainDlg.h"
#include "app/ui/MessageService.h"
#include "controls/ui/CZMathEdit.h"
#include "db/ColumnMap.h"
#include "org/ui/CSearchDlg.h"
#include "org/ui/CUnitAttrDlg.h"
#include "org/ui/CUnitEditDlg.h"
#include "org/ui/OrgTreeModel.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <functional>
#include <memory>

using namespace qar;
using namespace qar::ui;

namespace
{

struct RunningServer : IServerState
{
    bool IsServerRunning() const override { return true; }
};

/// The main window's services on a real database: the page reads and writes through them as it does in
/// the tool.
class DbShellHost : public ShellHost
{
public:
    explicit DbShellHost(const std::string& connect) : databaseSession(connect) {}

    CDatabaseSession databaseSession;
    RunningServer server;
    CChangeLog log{databaseSession.tableChangeTmp(), server};
    test::FakeProbe probe;

    void ensureDataSource() override {}
    bool openDatabase() override { return databaseSession.OpenDatabase(); }
    void refreshConnection() override {}
    void closeDatabase() override { databaseSession.CloseAll(); }
    int groupUserLimit(int) override { return 0; }
    CDatabaseSession& session() override { return databaseSession; }
    CChangeLog& changeLog() override { return log; }
    IServerProbe& serverProbe() override { return probe; }
    std::unique_ptr<IVexLink> makeNetworkClient(const StartOptions&, VexEventSink) override
    {
        return std::make_unique<test::RecordingLink>();
    }
};

/// Runs `act` on the modal form of type T once it is on screen (the command that opens it is called
/// right after). Whatever else is modal then is cancelled.
template <typename T> void whenShown(std::function<void(T&)> act)
{
    QTimer::singleShot(0, [act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* form = qobject_cast<T*>(modal)) {
            act(*form);
        } else if (auto* other = qobject_cast<QDialog*>(modal)) {
            other->reject();
        }
    });
}

void click(QWidget& form, const char* button)
{
    form.findChild<QPushButton*>(QString::fromLatin1(button))->click();
}

void setField(QWidget& form, const char* name, const QString& value)
{
    form.findChild<QLineEdit*>(QString::fromLatin1(name))->setText(value);
}

/// Picks the parent list entry that ends with "[ID:<id>]".
void chooseParent(QWidget& form, int id)
{
    auto* parents = form.findChild<QComboBox*>(QStringLiteral("parentComboBox"));
    parents->setCurrentIndex(parents->findText(QStringLiteral("[ID:%1]").arg(id), Qt::MatchEndsWith));
}

} // namespace

class CUnitUserPageTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initResources(); }

    void init()
    {
        m_programDir = std::make_unique<test::TempDir>();
        m_programEnv = std::make_unique<test::ScopedEnv>("QAR_PROGRAM_DIR", m_programDir->path().c_str());
        ColumnMap::resetAllForTesting();
        ResetChangeLogForTesting();
        m_db = std::make_unique<test::OdbcTestDb>(test::DbKind::Sqlite);
        test::writeFile(m_programDir->file("UserData/config/DB.dat"), m_db->dbDat());
        m_messages = std::make_unique<test::HeadlessMessages>();
        exec("INSERT INTO [GroupTable] ([GROUP_ID], [GROUP_NAME]) VALUES (1, 'One')");
        exec("INSERT INTO [GroupTable] ([GROUP_ID], [GROUP_NAME]) VALUES (2, 'Two')");
    }

    void cleanup()
    {
        m_dlg.reset();
        m_host.reset();
        m_messages.reset();
        m_db.reset();
        ColumnMap::resetAllForTesting();
        ResetChangeLogForTesting();
        m_programEnv.reset();
        m_programDir.reset();
    }

    void addsAUnitUnderAUserNodeBesideTheUser()
    {
        unit(100, 0, 1);
        unit(110, 100, 2);
        user(10001, 110);
        openPage();
        QVERIFY(!m_dlg->changeFlags().units);
        page().selectNode(userNode(10001));

        whenShown<CUnitEditDlg>([](CUnitEditDlg& form) {
            QCOMPARE(form.windowTitle(), QStringLiteral("Add Department"));
            setField(form, "departmentLineEdit", QStringLiteral("Research"));
            click(form, "okButton");
        });
        page().addUnit();

        QCOMPARE(query("SELECT [SUPER_ID], [TREE_CLASS], [GROUP_ID] FROM [UnitTable] WHERE [UNIT_ID] = 111"),
                 rows({{"110", "3", "1"}}));
        const OrgTree& tree = page().model().tree();
        const OrgTree::NodeId added = page().model().index().unitNodes.at(111);
        QCOMPARE(tree.parent(added), unitNode(110));
        QCOMPARE(page().selectedNode(), added);
        QVERIFY(view()->currentIndex().data().toString().startsWith(QStringLiteral("Unit:Research [ID:111]")));
        QVERIFY(view()->isExpanded(page().treeModel().indexOf(unitNode(110))));
        QVERIFY(m_dlg->changeFlags().units);
        QCOMPARE(m_db->count("[ChangeTable] WHERE [Key_Value] = 111 AND [Change_Act] = 0"), 1LL);

        m_dlg->ClearChangeFlags();
        QVERIFY(!page().changeFlags().units);
    }

    void movesASubtreeOneLevelDeeper()
    {
        unit(100, 0, 1);
        unit(200, 0, 1);
        unit(201, 200, 2);
        unit(202, 201, 3);
        user(10001, 202);
        openPage();
        page().selectNode(unitNode(200));

        whenShown<CUnitEditDlg>([](CUnitEditDlg& form) {
            QCOMPARE(form.windowTitle(), QStringLiteral("Modify Department"));
            auto* parents = form.findChild<QComboBox*>(QStringLiteral("parentComboBox"));
            // Its own subtree is not offered as a parent.
            QCOMPARE(parents->findText(QStringLiteral("[ID:201]"), Qt::MatchEndsWith), -1);
            chooseParent(form, 100);
            click(form, "okButton");
        });
        page().edit();

        QCOMPARE(query("SELECT [UNIT_ID], [SUPER_ID], [TREE_CLASS] FROM [UnitTable] WHERE [UNIT_ID] >= 200 ORDER BY "
                       "[UNIT_ID]"),
                 rows({{"200", "100", "2"}, {"201", "200", "3"}, {"202", "201", "4"}}));
        const OrgTree& tree = page().model().tree();
        QCOMPARE(tree.parent(unitNode(200)), unitNode(100));
        QCOMPARE(tree.parent(userNode(10001)), unitNode(202));
        // The view shows the rebuilt tree.
        const QModelIndex moved = page().treeModel().indexOf(unitNode(200));
        QCOMPARE(moved.parent(), page().treeModel().indexOf(unitNode(100)));
        QVERIFY(m_messages != nullptr && MessageService::instance().shown().isEmpty());
    }

    void changingACodeCarriesItsUsersAndSubUnits()
    {
        unit(100, 0, 1);
        unit(110, 100, 2);
        unit(111, 110, 3);
        user(10001, 110);
        user(10002, 110);
        openPage();
        page().selectNode(unitNode(110));

        whenShown<CUnitEditDlg>([](CUnitEditDlg& form) {
            setField(form, "codeLineEdit", QStringLiteral("150"));
            click(form, "okButton");
        });
        page().edit();

        QCOMPARE(m_db->count("[UnitTable] WHERE [UNIT_ID] = 110"), 0LL);
        QCOMPARE(query("SELECT [SUPER_ID] FROM [UnitTable] WHERE [UNIT_ID] = 111"), rows({{"150"}}));
        QCOMPARE(m_db->count("[BaseTable] WHERE [UNIT_ID] = 150"), 2LL);
        QVERIFY(view()->currentIndex().data().toString().contains(QStringLiteral("[ID:150]")));
        QVERIFY(page().changeFlags().units);
    }

    void attributesAreRebuiltFromTheBoxesAndHiddenFieldsKept()
    {
        unit(100, 0, 1);
        exec("UPDATE [UnitTable] SET [UNIT_FLAG] = 257, [CAN_LOG] = 1, [UNIT_ALIAS] = 'desk', [LOG_PWD] = 'pw' "
             "WHERE [UNIT_ID] = 100");
        openPage();
        page().selectNode(unitNode(100));

        QString shownAttribute;
        whenShown<CUnitEditDlg>([&](CUnitEditDlg& form) {
            whenShown<CUnitAttrDlg>([](CUnitAttrDlg& attributes) {
                QVERIFY(!attributes.findChild<QCheckBox*>(QStringLiteral("reservedCheckBox"))->isEnabled());
                attributes.findChild<QCheckBox*>(QStringLiteral("vipDeptCheckBox"))->setChecked(true);
                click(attributes, "okButton");
            });
            click(form, "setAttributesButton");
            shownAttribute = form.findChild<QLineEdit*>(QStringLiteral("attributeLineEdit"))->text();
            click(form, "okButton");
        });
        page().edit();

        // Bits 0 and 8 have no box: the form's value starts from the boxes alone.
        QCOMPARE(shownAttribute, QStringLiteral("64"));
        QCOMPARE(query("SELECT [UNIT_FLAG], [CAN_LOG], [UNIT_ALIAS], [LOG_PWD] FROM [UnitTable]"),
                 rows({{"64", "1", "desk", "pw"}}));
    }

    void unitFormRefusesBadCodesAndStaysOpen_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("existing code") << "100"
                                       << "ID must be Unique!";
        QTest::newRow("above 32000") << "32001"
                                     << "Illegal department ID!";
        QTest::newRow("above the field's range") << "40000"
                                                 << "Please enter an integer between 1 and 32767.";
    }

    void unitFormRefusesBadCodesAndStaysOpen()
    {
        QFETCH(QString, code);
        QFETCH(QString, message);
        unit(100, 0, 1);
        openPage();
        page().selectNode(unitNode(100));

        bool stayedOpen = false;
        bool codeSelected = false;
        whenShown<CUnitEditDlg>([&](CUnitEditDlg& form) {
            setField(form, "departmentLineEdit", QStringLiteral("Twin"));
            setField(form, "codeLineEdit", code);
            click(form, "okButton");
            stayedOpen = form.isVisible();
            codeSelected = form.findChild<QLineEdit*>(QStringLiteral("codeLineEdit"))->selectedText() == code;
            click(form, "cancelButton");
        });
        page().addUnit();

        QVERIFY(stayedOpen);
        QCOMPARE(MessageService::instance().lastText(), message);
        if (code == QLatin1String("100")) {
            QVERIFY(codeSelected);
        }
        QCOMPARE(m_db->count("[UnitTable]"), 1LL);
        QVERIFY(!page().changeFlags().units);
    }

    void deleteRefusesAUnitWithChildrenAndAsksBeforeRemovingALeaf()
    {
        unit(100, 0, 1);
        unit(110, 100, 2);
        openPage();
        page().selectNode(unitNode(100));
        page().deleteSelected();
        QCOMPARE(MessageService::instance().lastText(), QStringLiteral("Unable to be removed, it has sub nodes!"));
        QCOMPARE(m_db->count("[UnitTable]"), 2LL);

        page().selectNode(unitNode(110));
        MessageService::instance().setNextAnswer(Answer::Cancel);
        page().deleteSelected();
        QCOMPARE(m_db->count("[UnitTable]"), 2LL);

        page().deleteSelected(); // answered OK
        QCOMPARE(MessageService::instance().lastText(), QStringLiteral("Are you sure to delete the item?"));
        QCOMPARE(m_db->count("[UnitTable]"), 1LL);
        QCOMPARE(page().treeModel().rowCount(page().treeModel().indexOf(unitNode(100))), 0);
        QVERIFY(m_dlg->changeFlags().units);

        page().selectNode(page().model().index().groupNodes.at(1));
        page().deleteSelected();
        QCOMPARE(MessageService::instance().lastText(), QStringLiteral("You can not delete the group from here."));
    }

    void searchSelectsByIdOrTellsWhatWasNotFound()
    {
        unit(100, 0, 1);
        unit(110, 100, 2);
        user(10001, 110);
        user(10002, 110);
        openPage();
        page().selectNode(page().model().index().groupNodes.at(1));

        const auto searchFor = [this](const QString& input) {
            whenShown<CSearchDlg>([input](CSearchDlg& form) {
                form.findChild<QLineEdit*>()->setText(input);
                click(form, "okButton");
            });
            page().search();
        };
        searchFor(QStringLiteral("[ID:10002]"));
        QCOMPARE(page().selectedNode(), userNode(10002));
        QCOMPARE(view()->currentIndex(), page().treeModel().indexOf(userNode(10002)));

        searchFor(QStringLiteral("Nobody"));
        QCOMPARE(MessageService::instance().lastText(), QStringLiteral("Nobody not found?"));

        bool stayedOpen = false;
        whenShown<CSearchDlg>([&](CSearchDlg& form) {
            click(form, "okButton");
            stayedOpen = form.isVisible();
            form.reject();
        });
        page().search();
        QVERIFY(stayedOpen);
        QCOMPARE(MessageService::instance().lastText(),
                 QStringLiteral("Please input the user or department you want to find!"));
    }

    void groupManagerSeesEveryGroupButOnlyItsOwnUnits()
    {
        unit(100, 0, 1, 1);
        unit(200, 0, 1, 2);
        user(10001, 100, 1);
        user(10002, 200, 2);
        openPage(false, 2);
        const OrgTreeModel& model = page().treeModel();
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.rowCount(model.index(0, 0)), 0);
        QCOMPARE(model.rowCount(model.index(1, 0)), 1);
        QVERIFY(model.index(0, 0, model.index(1, 0)).data().toString().startsWith(QStringLiteral("Unit:d200")));

        page().importExport();
        QCOMPARE(MessageService::instance().lastText(), QStringLiteral("Only administrator is permitted to do this!"));
    }

    void importExportStartsTheSheetToolOnlyWhenItIsInstalled()
    {
        unit(100, 0, 1);
        openPage();
        test::RecordingLauncher launcher;
        page().setLauncher(&launcher);
        page().selectNode(page().model().index().groupNodes.at(2));
        page().importExport();
        QVERIFY(launcher.launched.empty());

        test::writeFile(m_programDir->file("SheetIntake.exe"), "");
        page().importExport();
        QCOMPARE(launcher.launched.size(), std::size_t{1});
        const LaunchRequest& request = launcher.launched.front();
        QCOMPARE(QString::fromStdString(request.path), QString::fromStdString(m_programDir->file("SheetIntake.exe")));
        QCOMPARE(request.arguments.size(), std::size_t{1});
        QVERIFY(QString::fromStdString(request.arguments[0]).endsWith(QStringLiteral("-grps1|2|-dgrp2")));
    }

    void buttonsMenuAndEnterFollowTheSelection()
    {
        unit(100, 0, 1);
        user(10001, 100);
        openPage();
        auto* edit = page().findChild<QPushButton*>(QStringLiteral("editButton"));
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
        QVERIFY(edit->isEnabled());
        QCOMPARE(menuTexts().size(), 7);
        const QModelIndex unitIndex = page().treeModel().indexOf(unitNode(100));
        const bool wasExpanded = view()->isExpanded(unitIndex);
        QTest::keyClick(view(), Qt::Key_Return);
        QCOMPARE(view()->isExpanded(unitIndex), !wasExpanded);
        QVERIFY(MessageService::instance().shown().isEmpty());

        page().selectNode(userNode(10001));
        QTest::keyClick(view(), Qt::Key_Return);
        QCOMPARE(MessageService::instance().lastText(),
                 QStringLiteral("The user editor is not available in this version."));
        QCOMPARE(MessageService::instance().shown().size(), 1);
    }

private:
    void exec(const std::string& sql) { m_db->exec(sql); }
    void unit(int id, int superId, int level, int groupId = 1)
    {
        exec("INSERT INTO [UnitTable] ([UNIT_ID], [UNIT_NAME], [SUPER_ID], [TREE_CLASS], [UNIT_STATUS], [CAN_LOG], "
             "[OL_TIME], [UNIT_ALIAS], [LOG_PWD], [GROUP_ID], [UNIT_FLAG]) VALUES (" +
             std::to_string(id) + ", 'd" + std::to_string(id) + "', " + std::to_string(superId) + ", " +
             std::to_string(level) + ", 1, 0, 0, '', '', " + std::to_string(groupId) + ", 0)");
    }
    void user(int id, int unitId, int groupId = 1)
    {
        exec(
            "INSERT INTO [BaseTable] ([USER_ID], [NAME], [UNIT_ID], [USER_STATUS], [POWER_FLAG], [GROUP_ID]) VALUES (" +
            std::to_string(id) + ", 'u" + std::to_string(id) + "', " + std::to_string(unitId) + ", 1, 0, " +
            std::to_string(groupId) + ")");
    }
    using Rows = std::vector<std::vector<std::optional<std::string>>>;
    Rows query(const std::string& sql) { return m_db->query(sql); }
    static Rows rows(std::initializer_list<std::vector<const char*>> list)
    {
        Rows out;
        for (const auto& row : list) {
            out.emplace_back(row.begin(), row.end());
        }
        return out;
    }

    /// The main window on the database, initialised as at start: the page shows the tree.
    void openPage(bool systemManager = true, int currentGroup = 0)
    {
        StartOptions options;
        options.systemManager = systemManager;
        options.currentGroup = currentGroup;
        m_host = std::make_unique<DbShellHost>(m_db->connectString());
        m_dlg = std::make_unique<CMainDlg>(options, *m_host, m_launcher);
        QVERIFY(m_dlg->initialise());
        QCoreApplication::sendPostedEvents();
        MessageService::instance().reset();
    }
    CUnitUserPage& page() { return *static_cast<CUnitUserPage*>(m_dlg->page(PageKind::UnitsAndUsers)); }
    QTreeView* view() { return page().findChild<QTreeView*>(QStringLiteral("orgTreeView")); }
    OrgTree::NodeId unitNode(int id) { return page().model().index().unitNodes.at(id); }
    OrgTree::NodeId userNode(int id)
    {
        const OrgTree& tree = page().model().tree();
        for (OrgTree::NodeId n = tree.firstChild(OrgTree::kRoot); n != OrgTree::kNone;
             n = tree.nextInSubtree(n, OrgTree::kRoot)) {
            if (tree.kind(n) == NodeKind::User && tree.itemData(n) == id) {
                return n;
            }
        }
        return OrgTree::kNone;
    }

    std::unique_ptr<test::TempDir> m_programDir;
    std::unique_ptr<test::ScopedEnv> m_programEnv;
    std::unique_ptr<test::OdbcTestDb> m_db;
    std::unique_ptr<test::HeadlessMessages> m_messages;
    test::RecordingLauncher m_launcher;
    std::unique_ptr<DbShellHost> m_host;
    std::unique_ptr<CMainDlg> m_dlg;
};

QTEST_MAIN(CUnitUserPageTest)
#include "CUnitUserPageTest.moc"
