#include "org/ui/CUnitUserPage.h"

#include "app/ShellCommands.h"
#include "app/ui/ActionGuard.h"
#include "app/ui/CStatusLine.h"
#include "app/ui/FileFailureMessage.h"
#include "app/ui/Launcher.h"
#include "app/ui/ListKeys.h"
#include "app/ui/MessageService.h"
#include "app/ui/OperationProgress.h"
#include "app/ui/PageHost.h"
#include "app/ui/UiText.h"
#include "db/CDatabaseSession.h"
#include "db/ChunkedTableRead.h"
#include "db/OdbcError.h"
#include "db/TableStamp.h"
#include "intake/ui/CCheckDataDlg.h"
#include "org/ui/COrgFindBar.h"
#include "org/ui/CSearchDlg.h"
#include "org/ui/CUnitEditDlg.h"
#include "org/ui/OrgTreeModel.h"
#include "org/ui/UserEditorRun.h"
#include "platform/Paths.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"
#include "ui_CUnitUserPage.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QResizeEvent>
#include <QScrollBar>
#include <QShortcut>

#include <utility>

namespace qar::ui
{

namespace
{

/// Effects of a page that stands on its own, outside the main window: nothing to tell anyone.
struct DetachedEffects : IOrgEffects
{
    void setUnitsChanged() override {}
    void setUsersChanged() override {}
    void setGroupsChanged() override {}
    void updateServiceButtons() override {}
    void logChange(const std::string&, const std::string&, std::int32_t, std::uint8_t) override {}
};

QList<QIcon> treeImages(const PageHost* window)
{
    QList<QIcon> images;
    for (int i = 0; i < 7; ++i) {
        images << (window != nullptr ? window->smallImage(i) : QIcon(QStringLiteral(":/icons/small-%1.png").arg(i)));
    }
    return images;
}

Launcher& desktopLauncher()
{
    static DesktopLauncher launcher;
    return launcher;
}

} // namespace

CUnitUserPage::CUnitUserPage(QWidget* parent) : CAdminPage(parent), m_ui(std::make_unique<Ui::CUnitUserPage>())
{
    m_ui->setupUi(this);
    applyTextIds(this);

    bindToMainWindow(host());
    m_treeModel = new OrgTreeModel(m_model->tree(), treeImages(host()), this);
    m_ui->orgTreeView->setModel(m_treeModel);
    BindListKeys(m_ui->orgTreeView, this, &CUnitUserPage::pressEnter, &CUnitUserPage::deleteSelected);

    for (QPushButton* b : findChildren<QPushButton*>()) {
        // Enter belongs to the tree (edit or open the node), not to the button that has the focus.
        b->setAutoDefault(false);
    }
    connect(m_ui->addUnitButton, &QPushButton::clicked, this, Guarded(this, &CUnitUserPage::addUnit));
    connect(m_ui->addUserButton, &QPushButton::clicked, this, Guarded(this, &CUnitUserPage::addUser));
    connect(m_ui->editButton, &QPushButton::clicked, this, Guarded(this, &CUnitUserPage::edit));
    connect(m_ui->deleteButton, &QPushButton::clicked, this, Guarded(this, &CUnitUserPage::deleteSelected));
    connect(m_ui->importExportButton, &QPushButton::clicked, this, Guarded(this, &CUnitUserPage::importExport));
    connect(m_ui->refreshButton, &QPushButton::clicked, this, Guarded(this, [this] {
                refresh();
                if (!m_model->tablesAreOpen()) {
                    showMessage({str::kUnableToOpenDb, {}});
                }
            }));
    connect(m_ui->checkDataButton, &QPushButton::clicked, this, Guarded(this, &CUnitUserPage::checkData));

    QTreeView* view = m_ui->orgTreeView;
    // A long line scrolls sideways instead of being cut short: the one column is as wide as the widest
    // row in view, and never narrower than the view, so that a selected row is marked across it.
    view->header()->setStretchLastSection(false);
    view->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    view->viewport()->installEventFilter(this);
    connect(view, &QTreeView::doubleClicked, this, Guarded(this, &CUnitUserPage::edit));
    connect(view, &QTreeView::clicked, this, [this] { applyButtons(m_model->buttonsAfterClick()); });
    connect(view->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { onCurrentChanged(current); });
    connect(view, &QTreeView::expanded, this,
            [this](const QModelIndex& i) { m_model->tree().setExpanded(m_treeModel->nodeOf(i), true); });
    connect(view, &QTreeView::collapsed, this,
            [this](const QModelIndex& i) { m_model->tree().setExpanded(m_treeModel->nodeOf(i), false); });
    connect(view, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu* menu = createContextMenu();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(m_ui->orgTreeView->viewport()->mapToGlobal(at));
    });
    m_model->setBuildProgress([this](std::size_t done, std::size_t total) {
        if (m_work != nullptr) {
            m_work->progress(done, total);
        }
    });
    setUpFindBar();
    applyButtons(m_model->buttonsAfterClick());
}

CUnitUserPage::~CUnitUserPage()
{
    m_userRead.reset(); // its thread tells this page of chunks: it ends first
    // The view lets go of the model before the tree it reads goes.
    m_ui->orgTreeView->setModel(nullptr);
}

void CUnitUserPage::bindToMainWindow(PageHost* window)
{
    if (window == nullptr) {
        m_effects = std::make_unique<DetachedEffects>();
        m_model = std::make_unique<CUnitUserModel>(OrgTables{}, *m_effects, OrgTexts::load(LoadAnsiString));
        return;
    }
    auto effects = std::make_unique<ChangeLogOrgEffects>(window->changeLog());
    // The flags are read by the main window through changeFlags(); the model keeps its own two.
    effects->onGroupsChanged = [this] { m_groupsChanged = true; };
    effects->onUpdateServiceButtons = [window] { window->UpdateServiceButtons(); };
    effects->onReconnect = [window] { window->reconnectNow(); };
    m_effects = std::move(effects);
    CDatabaseSession& session = window->session();
    m_model =
        std::make_unique<CUnitUserModel>(OrgTables{&session.tableGroup(), &session.tableUnit(), &session.tableUser()},
                                         *m_effects, OrgTexts::load(LoadAnsiString));
    // The users table is the one that grows large: this page reads it in chunks, and the session leaves it
    // alone when it opens and refreshes the rest.
    session.setUsersReadInChunks(true);
    m_model->setUserReader([this] { readUsers(); });
    const StartOptions& options = window->startOptions();
    m_model->setAdminContext(AdminContext{options.systemManager, options.currentGroup});
    m_model->setDomainUsers(&window->domainUsers());
}

void CUnitUserPage::refresh()
{
    // The first build uses the rows read as the database opened, before any summary could be taken: the
    // next showing reads.
    if (m_built) {
        noteRead();
    }
    readTables();
}

std::optional<std::string> CUnitUserPage::readStamp()
{
    PageHost* window = host();
    if (window == nullptr) {
        return std::nullopt;
    }
    CDatabaseSession& session = window->session();
    if (!session.tableUser().IsOpen() || m_userRead != nullptr) {
        return std::nullopt; // the users are not all read: showing the page reads them
    }
    return ReadTableStamp(session.database(), {&session.tableGroup(), &session.tableUnit(), &session.tableUser()});
}

void CUnitUserPage::readAgain()
{
    noteRead();
    if (PageHost* window = host()) {
        CXTableGroup& groups = window->session().tableGroup();
        groups.Close();
        try {
            groups.Open();
        } catch (const DbError&) {
            // Reading the units below meets the same failure and makes the connection anew.
        }
    }
    readTables();
}

void CUnitUserPage::readTables()
{
    longWork([this] {
        if (m_built) {
            m_model->refresh();
        } else {
            // The first call follows the opening of the database: the groups and units were just read, so
            // the tree is built from them without reading them again; the users follow.
            m_built = true;
            if (host() != nullptr) {
                readUsers();
            } else {
                m_model->buildTree();
            }
        }
        showTree();
    });
    if (!m_model->tablesAreOpen()) {
        forgetRead();
    }
    applyButtons(m_model->buttonsAfterClick());
}

void CUnitUserPage::connectionRefreshed()
{
    // The timer read the tables again: a page in view shows what they hold now. While a form is open on
    // one of the nodes, or the page's own work shows its progress (a write: the record objects hold half
    // of it), the tree stays as it is; the next tick catches up.
    // A read of the users under way is as fresh as the timer's.
    const QWidget* modal = QApplication::activeModalWidget();
    if (!m_built || !isVisible() || m_work != nullptr || m_model->writing() || m_userRead != nullptr ||
        (modal != nullptr && modal != window())) {
        return;
    }
    longWork([this] {
        readUsers();
        showTree();
    });
    applyButtons(m_model->buttonsAfterClick());
}

template <class Work> void CUnitUserPage::longWork(Work&& work)
{
    LongWork busy(host() != nullptr ? host()->statusLine() : nullptr, text(str::kLoadingTree));
    struct Restore
    {
        LongWork*& slot;
        LongWork* previous;
        ~Restore() { slot = previous; }
    } restore{m_work, std::exchange(m_work, &busy)};
    work();
}

void CUnitUserPage::selectFirstItem()
{
    selectNode(m_model->tree().firstChild(OrgTree::kRoot));
}

ChangeFlags CUnitUserPage::changeFlags() const
{
    return ChangeFlags{m_model->unitsChanged(), m_model->usersChanged(), m_groupsChanged};
}

void CUnitUserPage::clearChangeFlags()
{
    m_model->clearChangeFlags();
    m_groupsChanged = false;
}

OrgTree::NodeId CUnitUserPage::selectedNode() const
{
    return m_model->selected();
}

void CUnitUserPage::selectNode(OrgTree::NodeId node)
{
    if (!m_treeModel->indexOf(node).isValid()) {
        return;
    }
    revealNode(node);
    applyButtons(m_model->buttonsAfterClick());
}

void CUnitUserPage::revealNode(OrgTree::NodeId node, QAbstractItemView::ScrollHint hint)
{
    QTreeView* view = m_ui->orgTreeView;
    const QModelIndex index = m_treeModel->indexOf(node);
    QModelIndexList above;
    for (QModelIndex p = index.parent(); p.isValid(); p = p.parent()) {
        above.prepend(p);
    }
    for (const QModelIndex& p : above) {
        view->expand(p);
    }
    view->setCurrentIndex(index);
    view->scrollTo(index, hint);
}

void CUnitUserPage::showTree()
{
    QTreeView* view = m_ui->orgTreeView;
    m_showing = true;
    const int scrolled = view->verticalScrollBar()->value();
    const bool reset = m_treeModel->sync();
    if (reset) {
        // A reset forgets what was open: reopen what the tree remembers.
        const OrgTree& tree = m_model->tree();
        for (OrgTree::NodeId n = tree.firstChild(OrgTree::kRoot); n != OrgTree::kNone;
             n = tree.nextInSubtree(n, OrgTree::kRoot)) {
            if (tree.isExpanded(n) && tree.hasChildren(n)) {
                view->setExpanded(m_treeModel->indexOf(n), true);
            }
        }
    }
    const QModelIndex current = m_treeModel->indexOf(m_model->selected());
    if (reset && current.isValid()) {
        // A reset scrolls to the top: back to where the administrator was, the selection in view.
        view->scrollTo(current);
        view->verticalScrollBar()->setValue(scrolled);
    }
    if (current.isValid()) {
        revealNode(m_model->selected());
    } else if (view->currentIndex().isValid()) {
        view->selectionModel()->clearCurrentIndex();
        view->clearSelection();
    }
    m_showing = false;
    if (m_findBar->isActive()) {
        // While the bar is open its index follows the tree now, not at the next keystroke, and its count
        // says what the tree now holds.
        const FindResult found =
            m_findIndex.find(m_model->tree(), toAnsi(m_findBar->query()), m_model->selected(), FindStep::AtOrAfter);
        m_findBar->showResult(found.count, found.node == m_model->selected() ? found.ordinal : 0);
    }
    if (const auto buttons = m_model->takeButtonsAfterBuild()) {
        applyButtons(*buttons);
    }
}

void CUnitUserPage::onCurrentChanged(const QModelIndex& current)
{
    const OrgTree::NodeId node = current.isValid() ? m_treeModel->nodeOf(current) : OrgTree::kNone;
    m_model->select(node);
    if (!m_showing || current.isValid()) {
        applyButtons(m_model->buttonsForNewSelection(node));
    }
}

void CUnitUserPage::applyButtons(const OrgButtons& buttons)
{
    m_ui->addUserButton->setEnabled(buttons.addUser);
    m_ui->editButton->setEnabled(buttons.edit);
    m_ui->deleteButton->setEnabled(buttons.remove);
}

void CUnitUserPage::showMessage(const OrgMessage& message)
{
    if (!message) {
        return;
    }
    const QString shown =
        message.arg.empty() ? text(message.messageId) : formatText(message.messageId, {fromAnsi(message.arg)});
    if (message.messageId == str::kUnableToOpenDb && host() != nullptr) {
        MessageService::instance().error(this, str::kUnableToOpenDb, host()->connectionFailure());
    } else if (message.messageId == str::kNotFoundFormat) {
        // Every refusal and failure is a warning; only a search that found nothing is news.
        MessageService::instance().information(this, shown);
    } else {
        MessageService::instance().show(this, Severity::Error, shown, Buttons::Ok,
                                        writeFailureDetails(message.failure));
    }
}

QMenu* CUnitUserPage::createContextMenu()
{
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("orgContextMenu"));
    for (OrgMenuItem item : m_model->contextMenu()) {
        switch (item) {
        case OrgMenuItem::AddUnit:
            connect(menu->addAction(text(str::kOrgMenuAddUnit)), &QAction::triggered, this,
                    Guarded(this, &CUnitUserPage::addUnit));
            break;
        case OrgMenuItem::AddUser:
            connect(menu->addAction(text(str::kOrgMenuAddUser)), &QAction::triggered, this,
                    Guarded(this, &CUnitUserPage::addUser));
            break;
        case OrgMenuItem::Edit:
            connect(menu->addAction(text(str::kOrgMenuEdit)), &QAction::triggered, this,
                    Guarded(this, &CUnitUserPage::edit));
            break;
        case OrgMenuItem::Delete:
            connect(menu->addAction(text(str::kOrgMenuDelete)), &QAction::triggered, this,
                    Guarded(this, &CUnitUserPage::deleteSelected));
            break;
        case OrgMenuItem::Search:
            connect(menu->addAction(text(str::kOrgMenuSearch)), &QAction::triggered, this,
                    Guarded(this, &CUnitUserPage::search));
            break;
        case OrgMenuItem::Separator:
            menu->addSeparator();
            break;
        }
    }
    return menu;
}

void CUnitUserPage::addUnit()
{
    waitForUsers();
    runUnitForm(m_model->startAddUnit(), false);
}

void CUnitUserPage::addUser()
{
    waitForUsers();
    const OrgMessage result = RunUserEditor(*m_model, host(), this, false);
    showTree();
    reportChange();
    showMessage(result);
    ReportUserRecordsNotSaved(this, m_model->takeFileFailures());
}

void CUnitUserPage::edit()
{
    waitForUsers();
    const auto [message, target] = m_model->editTarget();
    if (message) {
        showMessage(message);
        return;
    }
    switch (target) {
    case EditTarget::Unit:
        runUnitForm(m_model->startEditUnit(), true);
        break;
    case EditTarget::User: {
        const OrgMessage result = RunUserEditor(*m_model, host(), this, true);
        showTree();
        reportChange();
        showMessage(result);
        ReportUserRecordsNotSaved(this, m_model->takeFileFailures());
        break;
    }
    case EditTarget::None:
        break;
    }
}

void CUnitUserPage::runUnitForm(std::variant<OrgMessage, UnitEditSession> start, bool editMode)
{
    if (const auto* message = std::get_if<OrgMessage>(&start)) {
        showTree();            // a unit deleted meanwhile leaves the tree read again
        showMessage(*message); // an empty one ends the command quietly
        return;
    }
    UnitEditSession& session = std::get<UnitEditSession>(start);
    CUnitEditDlg form(session.form, session.fields, this);
    if (form.exec() != QDialog::Accepted) {
        return;
    }
    session.fields = form.fields();
    OrgMessage result;
    longWork([&] {
        OperationProgress progress(this, text(str::kSavingChanges));
        m_model->setProgress(&progress);
        result = editMode ? m_model->finishEditUnit(session, form.validUnit())
                          : m_model->finishAddUnit(session, form.validUnit());
        m_model->setProgress(nullptr);
        showTree();
    });
    reportChange();
    showMessage(result);
}

void CUnitUserPage::deleteSelected()
{
    waitForUsers();
    OrgMessage result;
    // The busy cursor comes with the rebuild after a user's row is gone, not with the question.
    longWork([&] {
        result = m_model->deleteSelected([this](int messageId) {
            // The node's own text below the question, so that the administrator sees what goes.
            const OrgTree::NodeId node = m_model->selected();
            return MessageService::instance().confirmDelete(
                this, messageId, node != OrgTree::kNone ? fromAnsi(m_model->tree().text(node)) : QString());
        });
        showTree();
    });
    reportChange();
    showMessage(result);
    ReportUserRecordsNotSaved(this, m_model->takeFileFailures());
    applyButtons(m_model->buttonsAfterClick());
}

void CUnitUserPage::reportChange()
{
    const std::vector<StatusPart> parts = DescribeChange(m_model->takeReport());
    if (parts.empty() || host() == nullptr) {
        return;
    }
    QStringList texts;
    for (const StatusPart& part : parts) {
        QStringList values;
        for (std::int32_t v : part.values) {
            values << QString::number(v);
        }
        switch (values.size()) {
        case 0:
            texts << text(part.messageId);
            break;
        case 1:
            texts << formatText(part.messageId, {values[0]});
            break;
        default:
            texts << formatText(part.messageId, {values[0], values[1]});
            break;
        }
    }
    showChange(texts.join(text(str::kStatusSeparator)));
}

void CUnitUserPage::setUpFindBar()
{
    m_findBar = new COrgFindBar(this);
    m_ui->pageVBoxLayout->insertWidget(1, m_findBar);
    connect(m_findBar, &COrgFindBar::queryChanged, this, [this] { find(FindStep::AtOrAfter); });
    connect(m_findBar, &COrgFindBar::nextRequested, this, &CUnitUserPage::findNext);
    connect(m_findBar, &COrgFindBar::previousRequested, this, &CUnitUserPage::findPrevious);
    connect(m_findBar, &COrgFindBar::closed, this, [this] { m_ui->orgTreeView->setFocus(); });
    connect(m_findBar, &COrgFindBar::opened, this, [this] { m_findIndex.update(m_model->tree()); });
    // Anywhere in the main window while the page is shown (a hidden page's shortcuts do not fire).
    const auto shortcut = [this](const QKeySequence& keys, void (CUnitUserPage::*command)()) {
        auto* s = new QShortcut(keys, this);
        s->setContext(Qt::WindowShortcut);
        connect(s, &QShortcut::activated, this, Guarded(this, command));
    };
    shortcut(QKeySequence::Find, &CUnitUserPage::openFindBar);
    shortcut(QKeySequence(Qt::Key_F3), &CUnitUserPage::findNext);
    shortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), &CUnitUserPage::findPrevious);
}

void CUnitUserPage::openFindBar()
{
    waitForUsers();
    m_findBar->activate();
}

void CUnitUserPage::findNext()
{
    waitForUsers();
    if (!m_findBar->isActive()) {
        m_findBar->activate();
    }
    find(FindStep::After);
}

void CUnitUserPage::findPrevious()
{
    waitForUsers();
    if (!m_findBar->isActive()) {
        m_findBar->activate();
    }
    find(FindStep::Before);
}

void CUnitUserPage::find(FindStep step)
{
    const FindResult found = m_findIndex.find(m_model->tree(), toAnsi(m_findBar->query()), m_model->selected(), step);
    m_findBar->showResult(found.count, found.ordinal);
    if (found.node != OrgTree::kNone) {
        // A match far away is brought to the middle, with what surrounds it.
        const QModelIndex index = m_treeModel->indexOf(found.node);
        const bool inView =
            index.isValid() && m_ui->orgTreeView->viewport()->rect().contains(m_ui->orgTreeView->visualRect(index));
        revealNode(found.node, inView ? QAbstractItemView::EnsureVisible : QAbstractItemView::PositionAtCenter);
        applyButtons(m_model->buttonsAfterClick());
    }
}

void CUnitUserPage::search()
{
    waitForUsers();
    const OrgTree::NodeId start = m_model->searchStartNode();
    if (start == OrgTree::kNone) {
        return;
    }
    CSearchDlg form(this);
    if (form.exec() != QDialog::Accepted) {
        return;
    }
    const std::string input = toAnsi(form.input());
    const SearchOutcome outcome = m_model->search(input);
    if (outcome.select != OrgTree::kNone) {
        selectNode(outcome.select);
    } else if (outcome.scrollToTop != OrgTree::kNone) {
        m_ui->orgTreeView->scrollTo(m_treeModel->indexOf(outcome.scrollToTop), QAbstractItemView::PositionAtTop);
    }
    showMessage(outcome.message);
}

void CUnitUserPage::importExport()
{
    waitForUsers();
    // The top-level window's id: winId() of the page itself would turn the page into a native window.
    const SheetIntakeStart start = m_model->sheetIntake(static_cast<long long>(window()->winId()));
    if (start.message) {
        showMessage(start.message);
        return;
    }
    const LaunchRequest request{
        LaunchRequest::Kind::Program, ProgramPath("\\SheetIntake.exe"), {start.parameters}, GetProgramDir()};
    if (!FileExists(request.path)) {
        WarnNotStarted(this, request); // the import tool is installed separately
        return;
    }
    LaunchOrWarn(m_launcher != nullptr ? *m_launcher : desktopLauncher(), this, request);
}

void CUnitUserPage::checkData()
{
    waitForUsers();
    if (PageHost* window = host()) {
        CCheckDataDlg report(window->session().database(), m_model->checkScope(), this);
        report.exec();
    }
}

void CUnitUserPage::pressEnter()
{
    if (m_model->enterAction() == EnterAction::Edit) {
        edit();
        return;
    }
    const QModelIndex current = m_treeModel->indexOf(m_model->selected());
    if (current.isValid()) {
        m_ui->orgTreeView->setExpanded(current, !m_ui->orgTreeView->isExpanded(current));
    }
}

bool CUnitUserPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_ui->orgTreeView->viewport() && event->type() == QEvent::Resize) {
        m_ui->orgTreeView->header()->setMinimumSectionSize(static_cast<QResizeEvent*>(event)->size().width());
    }
    return CAdminPage::eventFilter(watched, event);
}

void CUnitUserPage::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        RunGuarded(this, [this] { pressEnter(); });
        event->accept();
        return;
    }
    CAdminPage::keyPressEvent(event);
}

} // namespace qar::ui
