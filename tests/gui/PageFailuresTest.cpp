// No failure ends the tool: the last guard around every command, and every page's commands with the
// tables behind its record objects gone, on both engines.
#include "GuiTestSupport.h"
#include "MainWindowOnDatabase.h"
#include "app/ui/ActionGuard.h"
#include "app/ui/CAdminApp.h"
#include "app/ui/CAdminPage.h"
#include "app/ui/MessageService.h"
#include "org/ui/CUnitUserPage.h"
#include "platform/DiagnosticLog.h"

#include <QAbstractItemView>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

using namespace qar;
using namespace qar::ui;
using test::child;
using test::click;

namespace
{

constexpr const char* kTables[] = {"AppTable",     "DutyClassTable", "ParamTable", "GroupTable",
                                   "MsgtypeTable", "UnitTable",      "BaseTable",  "ChangeTable"};

/// Answers every form the commands open: fills what a form needs to reach its write (or changes it, on an
/// edit), presses OK, and closes a form that stays open (a refusal) the next time it looks.
class FormAnswerer : public QObject
{
public:
    FormAnswerer()
    {
        connect(&m_timer, &QTimer::timeout, this, &FormAnswerer::look);
        m_timer.start(0);
    }

private:
    void look()
    {
        auto* form = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (form == nullptr || qobject_cast<QProgressDialog*>(form) != nullptr) {
            return;
        }
        if (m_seen.contains(form)) {
            form->done(QDialog::Rejected);
            return;
        }
        m_seen << form;
        for (const char* name : {"nameLineEdit", "departmentLineEdit", "homePageLineEdit", "urlLineEdit",
                                 "locationLineEdit", "passwordLineEdit", "passwordAgainLineEdit"}) {
            if (auto* field = child<QLineEdit>(*form, name); field != nullptr && field->isEnabled()) {
                const bool password = QByteArray(name).startsWith("password");
                field->setText(password ? QStringLiteral("pw") : field->text() + QStringLiteral("x"));
            }
        }
        auto* ok = child<QPushButton>(*form, "okButton");
        if (ok != nullptr && ok->isVisible()) {
            ok->click();
        } else {
            form->done(QDialog::Rejected);
        }
    }

    QTimer m_timer;
    QList<QPointer<QDialog>> m_seen;
};

} // namespace

class PageFailuresTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initResources(); }
    void cleanup()
    {
        m_main.reset();
        MessageService::instance().reset();
    }

    void aCommandThatThrowsIsLoggedAndShownWithItsCause()
    {
        test::HeadlessMessages messages;
        std::remove(DiagnosticLogPath().c_str());
        QPushButton button;
        QObject::connect(&button, &QPushButton::clicked, &button,
                         Guarded(&button, [] { throw std::out_of_range("row 7 of 3"); }));
        button.click();
        const auto& shown = MessageService::instance().shown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].text, QStringLiteral("The oparation is not successful. Try it again please."));
        QCOMPARE(shown[0].details, QStringLiteral("row 7 of 3"));
        QVERIFY(test::readFile(DiagnosticLogPath()).find("row 7 of 3") != std::string::npos);
        QVERIFY(RunGuarded(nullptr, [] {}));
    }

    // Every command of every page, first with the record objects holding what they read before the tables
    // went, then after each page's Refresh found them gone. With the tables back, the tree shows again.
    void everyPageSurvivesItsTablesGoing_data() { test::addEngineRows(); }
    void everyPageSurvivesItsTablesGoing()
    {
        QFETCH(test::DbKind, engine);
        if (!openOn(engine)) {
            return;
        }
        for (const char* table : kTables) {
            m_main->db().exec(std::string("ALTER TABLE [") + table + "] RENAME TO [" + table + "Away]");
        }
        FormAnswerer answerer;
        for (int round = 0; round < 2; ++round) {
            for (PageKind kind : kPageCreationOrder) {
                CAdminPage& page = *m_main->window().page(kind);
                for (const char* button : {"addButton", "addUnitButton", "addUserButton", "editButton", "modifyButton",
                                           "deleteButton", "checkDataButton"}) {
                    selectFirstRow(page);
                    if (auto* b = child<QPushButton>(page, button); b != nullptr && b->isEnabled()) {
                        b->click();
                    }
                }
                if (round == 0) {
                    if (auto* refresh = child<QPushButton>(page, "refreshButton")) {
                        refresh->click();
                    }
                }
            }
        }
        for (const char* table : kTables) {
            m_main->db().exec(std::string("ALTER TABLE [") + table + "Away] RENAME TO [" + table + "]");
        }
        click(units(), "refreshButton");
        QVERIFY(units().model().index().unitNodes.contains(100));

        // Only the groups gone: Add user cannot read the group's user limit, and says so (253, with the cause).
        m_main->db().exec("ALTER TABLE [GroupTable] RENAME TO [GroupTableAway]");
        MessageService::instance().reset();
        selectFirstRow(units());
        click(units(), "addUserButton");
        m_main->db().exec("ALTER TABLE [GroupTableAway] RENAME TO [GroupTable]");
        const auto& shown = MessageService::instance().shown();
        QVERIFY(std::any_of(shown.begin(), shown.end(), [](const ShownMessage& m) {
            return m.text == QStringLiteral("The oparation is not successful. Try it again please.") &&
                   m.details.contains(QStringLiteral("GroupTable"));
        }));
    }

private:
    /// The main window on `engine` with groups 1 and 2, units 100 and 110 below it and user 10001 in 110;
    /// false (the test skipped) without a MariaDB server to run on.
    bool openOn(test::DbKind engine)
    {
        m_main = test::mainWindowOn(engine);
        if (!m_main) {
            return false;
        }
        test::addSmallTree(m_main->db());
        test::addUser(m_main->db(), 10001, 110);
        m_main->open();
        MessageService::instance().reset();
        return true;
    }

    CUnitUserPage& units() { return *static_cast<CUnitUserPage*>(m_main->window().page(PageKind::UnitsAndUsers)); }

    /// Selects the first row of the page's list or tree, or the first unit's first child on the tree.
    void selectFirstRow(CAdminPage& page)
    {
        if (&page == &units()) {
            const auto& nodes = units().model().index().unitNodes;
            if (const auto it = nodes.find(110); it != nodes.end()) {
                const OrgTree::NodeId user = units().model().tree().firstChild(it->second);
                units().selectNode(user != OrgTree::kNone ? user : it->second);
            }
            return;
        }
        if (auto* view = page.findChild<QAbstractItemView*>();
            view != nullptr && view->model() != nullptr && view->model()->rowCount() > 0) {
            view->setCurrentIndex(view->model()->index(0, 0));
        }
    }

    std::unique_ptr<test::MainWindowOnDatabase> m_main;
};

QTEST_MAIN(PageFailuresTest)
#include "PageFailuresTest.moc"
