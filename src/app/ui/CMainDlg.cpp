#include "app/ui/CMainDlg.h"

#include "app/ShellCommands.h"
#include "app/ShellHost.h"
#include "app/StatusLine.h"
#include "app/ui/ActionGuard.h"
#include "app/ui/CAboutDlg.h"
#include "app/ui/CAdminPage.h"
#include "app/ui/CCorpDlg.h"
#include "app/ui/CStatusLine.h"
#include "app/ui/DatabaseWait.h"
#include "app/ui/FileFailureMessage.h"
#include "app/ui/Launcher.h"
#include "app/ui/MessageService.h"
#include "app/ui/ShellEvent.h"
#include "app/ui/TreeRefreshFilter.h"
#include "app/ui/UiText.h"
#include "catalog/ui/CAppPage.h"
#include "catalog/ui/CEnvParamPage.h"
#include "catalog/ui/CMsgTypePage.h"
#include "catalog/ui/CRolePage.h"
#include "catalog/ui/CWebsitePage.h"
#include "db/OdbcError.h"
#include "groups/ui/CGroupPage.h"
#include "org/ui/CUnitUserPage.h"
#include "platform/Paths.h"
#include "resources/StringIds.h"
#include "ui_CMainDlg.h"
#include "xml/DomainUserFile.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QThread>

namespace qar::ui
{

namespace
{

std::size_t slot(PageKind kind)
{
    return static_cast<std::size_t>(kind);
}

/// Shows the wait cursor for one scope.
class WaitCursor
{
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

CMainDlg::CMainDlg(const StartOptions& options, ShellHost& host, Launcher& launcher, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CMainDlg>()), m_options(options), m_host(host), m_launcher(launcher)
{
    m_ui->setupUi(this);
    applyTextIds(this);
    setWindowFlags(Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    m_buttonSize = m_ui->helpButton->size();
    m_ui->helpButton->hide();
    for (QPushButton* b : findChildren<QPushButton*>()) {
        // Enter must not press any of the server buttons.
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    loadImages();
    m_statusLine = new CStatusLine(this);
    const Rect smallest = MinimumMainSize(m_buttonSize.width(), m_statusLine->sizeHint().height());
    setMinimumSize(smallest.width, smallest.height);

    m_refreshTimer = new QTimer(this);
    m_refreshTimer->setObjectName(QStringLiteral("refreshTimer"));
    m_refreshTimer->setInterval(kRefreshPeriodMs);
    connect(m_refreshTimer, &QTimer::timeout, this, Guarded(this, &CMainDlg::onRefreshTimer));

    connect(m_ui->configurationButton, &QPushButton::clicked, this, Guarded(this, [this] {
                if (!m_launcher.launch(ConfigurationRequest())) {
                    WarnNoTextEditor(this, ServerConfigurationPath());
                }
            }));
    connect(m_ui->optionButton, &QPushButton::clicked, this, Guarded(this, [this] {
                if (auto request = OptionRequest()) {
                    LaunchOrWarn(m_launcher, this, *request);
                }
            }));
    connect(m_ui->nameButton, &QPushButton::clicked, this, Guarded(this, [this] { EditCorporation(this); }));
    connect(m_ui->startServiceButton, &QPushButton::clicked, this, Guarded(this, &CMainDlg::launchStartService));
    connect(m_ui->helpButton, &QPushButton::clicked, this, Guarded(this, [this] {
                WaitCursor wait;
                LaunchOrWarn(m_launcher, this, HelpRequest());
            }));
    connect(m_ui->sideBarList, &QListWidget::currentRowChanged, this, Guarded(this, [this] {
                layoutWindow();
                refreshSelectedPage();
            }));

    // The library calls the sink on its own thread: the event is only queued there and handled here,
    // on the GUI thread, between user actions.
    m_client = m_host.makeNetworkClient(m_options, [this](const VexEvent& e) {
        QCoreApplication::postEvent(this, new ShellEvent(static_cast<int>(e.message), e.wParam, e.lParam));
    });
    ServerControl::Hooks hooks{
        *this,
        *this,
        m_host.serverProbe(),
        *m_client,
        [this](unsigned message, std::uint32_t wParam, std::int64_t lParam) {
            QCoreApplication::postEvent(this, new ShellEvent(static_cast<int>(message), wParam, lParam));
        },
        [this](const std::string& path) {
            LaunchOrWarn(m_launcher, this, LaunchRequest{LaunchRequest::Kind::Program, path, {}, GetProgramDir()});
        },
        [](std::chrono::milliseconds pause) { QThread::msleep(static_cast<unsigned long>(pause.count())); },
    };
    m_server = std::make_unique<ServerControl>(std::move(hooks), GetProgramDir(), m_options.firstRun);
    m_treeRefresh = std::make_unique<TreeRefreshFilter>(this, Guarded(this, [this] {
                                                            if (CAdminPage* units = page(PageKind::UnitsAndUsers)) {
                                                                units->refresh();
                                                            }
                                                        }));
    m_domainUsers = std::make_unique<DomainUserFile>(DomainUserFilePath());
    m_databaseWait = std::make_unique<DatabaseWait>(this);
    m_host.session().database().setCallRunner(m_databaseWait.get());
}

CMainDlg::~CMainDlg()
{
    m_refreshTimer->stop();
    if (m_dbOpened) {
        m_host.closeDatabase();
    }
    // Pages go in the order they were created, before the connection they read through is gone.
    for (CAdminPage*& page : m_pages) {
        delete page;
        page = nullptr;
    }
    m_server.reset();
    if (m_client) {
        // Joins the library's thread: no event arrives after this.
        m_client->Shutdown();
        m_client.reset();
    }
    m_host.session().database().setCallRunner(nullptr);
}

void CMainDlg::loadImages()
{
    for (int i = 0; i < 10; ++i) {
        m_largeImages << QIcon(QStringLiteral(":/icons/large-%1.png").arg(i));
    }
    for (int i = 0; i < 7; ++i) {
        m_smallImages << QIcon(QStringLiteral(":/icons/small-%1.png").arg(i));
    }
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/qaradmin-48.png"));
    icon.addFile(QStringLiteral(":/icons/qaradmin-256.png"));
    setWindowIcon(icon);
}

QIcon CMainDlg::smallImage(int index) const
{
    return m_smallImages.value(index);
}

EnvParamValues CMainDlg::envParamValues() const
{
    const auto* params = qobject_cast<const CEnvParamPage*>(page(PageKind::EnvironmentParameters));
    return params != nullptr ? params->values() : EnvParamValues{};
}

QIcon CMainDlg::largeImage(int index) const
{
    return m_largeImages.value(index);
}

bool CMainDlg::initialise()
{
    if (m_initialised) {
        return m_dbOpened;
    }
    m_initialised = true;
    m_host.ensureDataSource();

    const bool configurable = ServerConfigurationExists();
    m_ui->configurationButton->setEnabled(configurable);
    m_ui->optionButton->setEnabled(configurable);

    // The platform put "About..." in the window's system menu; here it is the window's context menu.
    auto* about = new QAction(text(str::kMenuAbout), this);
    about->setObjectName(QStringLiteral("aboutAction"));
    about->setData(kAboutCommand);
    // F1 shows it from anywhere in the window; a form opened above it has F1 for its own help.
    about->setShortcut(QKeySequence(Qt::Key_F1));
    connect(about, &QAction::triggered, this, Guarded(this, &CMainDlg::showAbout));
    addAction(about);
    setContextMenuPolicy(Qt::ActionsContextMenu);

    fillSideBar();
    createPages();
    layoutWindow();
    m_ui->sideBarList->setCurrentRow(InitialSideBarIndex(m_options.systemManager));
    UpdateServiceButtons();

    m_dbOpened = m_host.openDatabase();
    showDataSource();
    if (!m_dbOpened) {
        MessageService::instance().error(this, str::kUnableToOpenDb, connectionFailure());
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        return false;
    }
    if (m_options.firstRun) {
        runFirstRunSetup();
    }
    m_refreshTimer->start();
    QCoreApplication::postEvent(this, new ShellEvent(kPostInitMessage));
    return true;
}

int CMainDlg::run()
{
    initialise();
    return exec();
}

void CMainDlg::fillSideBar()
{
    QListWidget* bar = m_ui->sideBarList;
    bar->clear();
    for (const SideBarEntry& e : SideBarEntries()) {
        auto* item = new QListWidgetItem(largeImage(e.image), text(e.textId));
        item->setTextAlignment(Qt::AlignHCenter | Qt::AlignTop);
        item->setSizeHint(bar->gridSize() - QSize(4, 4));
        bar->addItem(item);
    }
}

void CMainDlg::createPages()
{
    for (PageKind kind : kPageCreationOrder) {
        CAdminPage* page = nullptr;
        switch (kind) {
        case PageKind::Applications:
            page = new CAppPage(this);
            break;
        case PageKind::Roles:
            page = new CRolePage(this);
            break;
        case PageKind::Websites:
            page = new CWebsitePage(this);
            break;
        case PageKind::MessageTypes:
            page = new CMsgTypePage(this);
            break;
        case PageKind::UnitsAndUsers:
            page = new CUnitUserPage(this);
            break;
        case PageKind::Groups:
            page = new CGroupPage(this);
            break;
        case PageKind::EnvironmentParameters:
            page = new CEnvParamPage(this);
            break;
        }
        // A group manager's notice lies beneath the pages; a page paints its own background so that
        // the notice shows only where no page is allowed.
        page->setAutoFillBackground(true);
        page->hide();
        m_pages[slot(kind)] = page;
    }
}

CAdminPage* CMainDlg::page(PageKind kind) const
{
    return m_pages[slot(kind)];
}

void CMainDlg::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    layoutWindow();
}

void CMainDlg::layoutWindow()
{
    if (m_ui->sideBarList->count() == 0) {
        return; // not filled yet: initialisation lays the window out once it is
    }
    const MainLayout layout = ComputeMainLayout(width(), height(), m_buttonSize.width(), m_buttonSize.height(),
                                                m_statusLine->sizeHint().height());
    const auto toQRect = [](const Rect& r) { return QRect(r.x, r.y, r.width, r.height); };

    m_ui->sideBarList->setGeometry(toQRect(layout.sideBar));
    m_ui->pageAreaFrame->setGeometry(toQRect(layout.pageArea));
    m_ui->noticeLabel->setGeometry(toQRect(layout.pageArea));
    for (CAdminPage* page : m_pages) {
        if (page != nullptr) {
            page->setGeometry(toQRect(layout.pageArea));
        }
    }
    const std::array<QPushButton*, 5> buttons = {m_ui->configurationButton, m_ui->optionButton, m_ui->nameButton,
                                                 m_ui->startServiceButton, m_ui->helpButton};
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        buttons[i]->setGeometry(toQRect(layout.buttons[i]));
    }
    m_statusLine->setGeometry(toQRect(layout.statusLine));
    m_ui->noticeLabel->setVisible(!m_options.systemManager);
    showSelectedPage();
}

void CMainDlg::showSelectedPage()
{
    const int row = m_ui->sideBarList->currentRow();
    if (row < 0) {
        return;
    }
    m_ui->noticeLabel->setText(formatText(str::kNoticeForbiddenFormat, {m_ui->sideBarList->item(row)->text()}));
    const std::optional<PageKind> target = PageForEntry(row, m_options.systemManager);
    CAdminPage* shown = target ? page(*target) : nullptr;
    // Only pages other than the target are hidden, so a page that refreshes on becoming visible does
    // not reload on every resize.
    for (CAdminPage* p : m_pages) {
        if (p != nullptr && p != shown) {
            p->hide();
        }
    }
    if (shown != nullptr) {
        shown->raise();
        shown->show();
    }
    // The status line speaks of the page in view: another page's change would read as this one's.
    m_statusLine->showChange(shown != nullptr ? shown->lastChange() : QString());
}

void CMainDlg::refreshSelectedPage()
{
    // Until the post-initialisation step has loaded the pages the database may not be open yet, and
    // the start-up page is among those that step loads: refreshing it here would only load it twice.
    if (!m_pagesLoaded) {
        return;
    }
    const std::optional<PageKind> target = PageForEntry(m_ui->sideBarList->currentRow(), m_options.systemManager);
    if (target) {
        page(*target)->showAgain();
    }
}

void CMainDlg::customEvent(QEvent* event)
{
    // The window's own notifications and the network library's events arrive here between user actions.
    RunGuarded(this, [this, event] { handleShellEvent(event); });
}

void CMainDlg::handleShellEvent(QEvent* event)
{
    if (event->type() == ShellEvent::typeFor(kPostInitMessage)) {
        postInitialise();
        return;
    }
    if (event->type() >= QEvent::User && event->type() <= QEvent::MaxUser) {
        const auto* e = dynamic_cast<const ShellEvent*>(event);
        if (e == nullptr) {
            QDialog::customEvent(event);
            return;
        }
        if (e->message() == kTextHandOverMessage) {
            return; // the text's content is not used; Qt frees the event and whatever it carried
        }
        if (m_server->handleMessage(static_cast<unsigned>(e->message()), static_cast<std::uint32_t>(e->wParam()),
                                    e->lParam())) {
            return;
        }
    }
    QDialog::customEvent(event);
}

void CMainDlg::runFirstRunSetup()
{
    try {
        // The set-up form cannot be left without values, so it is not held open over a file that cannot
        // be written: the set-up goes on, and the administrator is told which file and why.
        const FileWriteResult written =
            RunFirstRunSetup(m_host.session(), [this](const CorporationInfo& initial, bool autoAccept) {
                return AskCorporationForSetup(this, initial, autoAccept);
            });
        if (!written) {
            ReportFileNotSaved(this, EnvInfoPath(), written.error);
        }
    } catch (const DbError&) {
        MessageService::instance().error(this, str::kOperationFailed);
    }
}

void CMainDlg::postInitialise()
{
    for (PageKind kind : {PageKind::Groups, PageKind::UnitsAndUsers, PageKind::EnvironmentParameters}) {
        page(kind)->refresh();
    }
    m_pagesLoaded = true;
    if (!m_options.firstRun) {
        return;
    }
    for (CAdminPage* p : m_pages) {
        p->hide();
    }
    CAdminPage* units = page(PageKind::UnitsAndUsers);
    units->raise();
    units->show();
    units->selectFirstItem();
    if (auto request = SheetIntakeRequest(static_cast<unsigned long long>(winId()), m_options.systemManager)) {
        // The import tool takes over from here.
        LaunchOrWarn(m_launcher, this, *request);
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    }
}

void CMainDlg::onRefreshTimer()
{
    if (m_databaseWait->busy()) {
        return; // a tick while a call waits for the server: the next tick reads
    }
    m_host.refreshConnection();
    for (CAdminPage* p : m_pages) {
        if (p != nullptr) {
            p->connectionRefreshed();
        }
    }
}

void CMainDlg::reconnectNow()
{
    m_host.refreshConnection();
}

QString CMainDlg::connectionFailure()
{
    const QString cause = fromAnsi(m_host.connectionFailure());
    // The driver calls a read that timed out a lost connection: say what happened first.
    if (const unsigned seconds = m_host.session().database().lastNoAnswerSeconds(); seconds > 0) {
        return formatText(str::kDatabaseNoAnswer, {QString::number(seconds)}) + QStringLiteral("\n\n") + cause;
    }
    return cause;
}

CDatabaseSession& CMainDlg::session()
{
    return m_host.session();
}

CChangeLog& CMainDlg::changeLog()
{
    return m_host.changeLog();
}

void CMainDlg::LogChange(const std::string& table, const std::string& field, std::int32_t key, std::uint8_t action)
{
    m_host.changeLog().LogChange(table, field, key, action);
}

int CMainDlg::GetGroupUserLimit(int groupId)
{
    return m_host.groupUserLimit(groupId);
}

void CMainDlg::UpdateServiceButtons()
{
    m_server->UpdateServiceButtons();
}

void CMainDlg::setStartServiceButton(const ServiceButtonState& state)
{
    m_ui->startServiceButton->setEnabled(state.enabled);
    m_ui->startServiceButton->setVisible(state.visible);
    // The button says whether the server runs (enabled only while it does not), except in a first run,
    // where it is off either way.
    const bool running = m_options.firstRun ? m_server->IsServerRunning() : !state.enabled;
    const ServerState server = DecideServerState(running, state.visible, !m_options.serverAddress.empty());
    m_statusLine->setServerState(text(ServerStateTextId(server)));
}

void CMainDlg::showDataSource()
{
    const CXDatabase& db = m_host.session().database();
    const QString product = db.IsOpen() && !db.dbmsDescription().empty() ? QString::fromStdString(db.dbmsDescription())
                                                                         : text(str::kStatusNotConnected);
    m_statusLine->setDataSource(formatText(str::kStatusDataSourceFormat,
                                           {fromAnsi(DataSourceName(m_host.session().connectString())), product}));
}

void CMainDlg::ClearChangeFlags()
{
    m_server->ClearChangeFlags();
}

bool CMainDlg::IsServerRunning()
{
    return m_server->IsServerRunning();
}

ChangeFlags CMainDlg::changeFlags() const
{
    ChangeFlags all;
    for (const CAdminPage* p : m_pages) {
        if (p != nullptr) {
            const ChangeFlags f = p->changeFlags();
            all.units = all.units || f.units;
            all.users = all.users || f.users;
            all.groups = all.groups || f.groups;
        }
    }
    return all;
}

void CMainDlg::clearChangeFlags()
{
    for (CAdminPage* p : m_pages) {
        if (p != nullptr) {
            p->clearChangeFlags();
        }
    }
}

void CMainDlg::launchStartService()
{
    WaitCursor wait;
    m_server->StartService();
}

void CMainDlg::showAbout()
{
    CAboutDlg about(this);
    about.exec();
}

void CMainDlg::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        // The window closes only through its close command.
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void CMainDlg::reject()
{
    // Escape and the dialog's reject path do nothing here; closeEvent() ends the run.
}

void CMainDlg::closeEvent(QCloseEvent* event)
{
    m_refreshTimer->stop();
    // Saved while the window can still say that it could not be.
    if (m_domainUsers->modified && FileExists(m_domainUsers->path())) {
        if (const FileWriteResult written = m_domainUsers->Save(); !written) {
            ReportFileNotSaved(this, m_domainUsers->path(), written.error);
        }
    }
    QDialog::done(QDialog::Rejected);
    event->accept();
}

} // namespace qar::ui
