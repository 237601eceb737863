#include "groups/ui/CGroupPage.h"

#include "app/FileFailureText.h"
#include "app/ui/ActionGuard.h"
#include "app/ui/Launcher.h"
#include "app/ui/ListKeys.h"
#include "app/ui/MessageService.h"
#include "app/ui/PageHost.h"
#include "app/ui/UiText.h"
#include "db/CDatabaseSession.h"
#include "db/OdbcError.h"
#include "db/TableStamp.h"
#include "org/ui/CIndepUserDlg.h"
#include "platform/DiagnosticLog.h"
#include "resources/StringIds.h"
#include "ui_CGroupPage.h"

#include <QHeaderView>
#include <QMenu>

#include <algorithm>

namespace qar::ui
{

namespace
{

/// Effects of a page that stands on its own, outside the main window: nothing to tell anyone.
struct DetachedEffects : IGroupEffects
{
    void updateServiceButtons() override {}
    void logChange(const std::string&, const std::string&, std::int32_t, std::uint8_t) override {}
};

Launcher& desktopLauncher()
{
    static DesktopLauncher launcher;
    return launcher;
}

constexpr int kColumnWidths[] = {200, 250, 212};

} // namespace

CGroupPage::CGroupPage(QWidget* parent) : CAdminPage(parent), m_ui(std::make_unique<Ui::CGroupPage>())
{
    m_ui->setupUi(this);
    applyTextIds(this);

    PageHost* window = host();
    CXTableGroup* table = nullptr;
    GroupMemberTables members;
    if (window != nullptr) {
        auto effects = std::make_unique<ChangeLogGroupEffects>(window->changeLog());
        effects->onUpdateServiceButtons = [window] { window->UpdateServiceButtons(); };
        effects->onReconnect = [window] { window->reconnectNow(); };
        m_effects = std::move(effects);
        CDatabaseSession& session = window->session();
        table = &session.tableGroup();
        members = {&session.tableUnit(), &session.tableUser()};
    } else {
        m_effects = std::make_unique<DetachedEffects>();
    }
    m_model = std::make_unique<GroupPageModel>(table, *m_effects, members);

    QTreeWidget* view = m_ui->groupTreeWidget;
    view->setHeaderLabels({text(str::kGroupColumnNumber), text(str::kGroupColumnName), text(str::kGroupColumnWebsite)});
    for (int c = 0; c < 3; ++c) {
        view->setColumnWidth(c, kColumnWidths[c]);
    }
    view->header()->setSortIndicatorShown(false);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    connect(m_ui->addButton, &QPushButton::clicked, this, Guarded(this, &CGroupPage::addGroup));
    connect(m_ui->editButton, &QPushButton::clicked, this, Guarded(this, &CGroupPage::editGroup));
    connect(m_ui->deleteButton, &QPushButton::clicked, this, Guarded(this, &CGroupPage::deleteGroup));
    connect(m_ui->refreshButton, &QPushButton::clicked, this, Guarded(this, [this] {
                // A list that could not be read again is not passed off as the current one.
                if (!m_model->refresh()) {
                    showMessage(str::kUnableToOpenDb);
                }
                showList();
            }));
    connect(view, &QTreeWidget::itemDoubleClicked, this, Guarded(this, [this] { editGroup(); }));
    BindListKeys(view, this, &CGroupPage::editGroup, &CGroupPage::deleteGroup);
    connect(view, &QTreeWidget::itemSelectionChanged, this, &CGroupPage::updateButtons);
    connect(view, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu* menu = createContextMenu();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(m_ui->groupTreeWidget->viewport()->mapToGlobal(at));
    });
    updateButtons();
}

CGroupPage::~CGroupPage() = default;

QTreeWidget* CGroupPage::list() const
{
    return m_ui->groupTreeWidget;
}

Launcher& CGroupPage::launcher()
{
    if (m_launcher != nullptr) {
        return *m_launcher;
    }
    PageHost* window = host();
    return window != nullptr ? window->launcher() : desktopLauncher();
}

std::optional<std::string> CGroupPage::readStamp()
{
    PageHost* window = host();
    if (window == nullptr) {
        return std::nullopt;
    }
    return ReadTableStamp(window->session().database(), {&window->session().tableGroup()});
}

void CGroupPage::refresh()
{
    noteRead();
    m_model->refresh();
    if (PageHost* window = host(); window != nullptr && !window->session().tableGroup().IsOpen()) {
        forgetRead();
    }
    showList();
}

ChangeFlags CGroupPage::changeFlags() const
{
    return ChangeFlags{m_model->unitsChanged(), m_model->usersChanged(), m_model->groupsChanged()};
}

void CGroupPage::clearChangeFlags()
{
    m_model->clearChangeFlags();
}

void CGroupPage::showList()
{
    QTreeWidget* view = m_ui->groupTreeWidget;
    const std::optional<std::int32_t> selected = selectedGroup();
    view->setUpdatesEnabled(false);
    view->setSortingEnabled(false);
    view->clear();
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(m_model->rows().size()));
    for (const GroupListRow& r : m_model->rows()) {
        auto* item = new QTreeWidgetItem({QString::number(r.id), fromAnsi(r.name), fromAnsi(r.url)});
        item->setData(0, Qt::UserRole, r.id);
        items << item;
    }
    view->addTopLevelItems(items);
    // Sorted by the text of the number, as the list always was: "10" comes before "2".
    view->sortItems(0, Qt::AscendingOrder);
    view->setUpdatesEnabled(true);
    if (selected) {
        selectGroup(*selected);
    }
    updateButtons();
}

std::optional<std::int32_t> CGroupPage::selectedGroup() const
{
    const QList<QTreeWidgetItem*> items = m_ui->groupTreeWidget->selectedItems();
    if (items.isEmpty()) {
        return std::nullopt;
    }
    return items.first()->data(0, Qt::UserRole).toInt();
}

void CGroupPage::selectGroup(std::int32_t id)
{
    QTreeWidget* view = m_ui->groupTreeWidget;
    for (int i = 0; i < view->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = view->topLevelItem(i);
        if (item->data(0, Qt::UserRole).toInt() == id) {
            view->setCurrentItem(item);
            view->scrollToItem(item);
            return;
        }
    }
}

void CGroupPage::updateButtons()
{
    const GroupButtons b = GroupPageModel::buttons(selectedGroup().has_value(), ServerInstalled());
    m_ui->addButton->setEnabled(b.add);
    m_ui->editButton->setEnabled(b.edit);
    m_ui->deleteButton->setEnabled(b.remove);
}

QMenu* CGroupPage::createContextMenu()
{
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("groupContextMenu"));
    const bool server = ServerInstalled();
    QAction* add = menu->addAction(text(str::kCatalogMenuAdd), this, Guarded(this, &CGroupPage::addGroup));
    menu->addAction(text(str::kCatalogMenuEdit), this, Guarded(this, &CGroupPage::editGroup));
    QAction* remove = menu->addAction(text(str::kCatalogMenuDelete), this, Guarded(this, &CGroupPage::deleteGroup));
    add->setEnabled(server);
    remove->setEnabled(server);
    return menu;
}

void CGroupPage::showMessage(int messageId)
{
    if (messageId == str::kOperationFailed || messageId == str::kCommitUnconfirmed) {
        MessageService::instance().error(this, messageId, writeFailureDetails(m_model->lastWriteFailure()));
    } else if (messageId == str::kUnableToOpenDb && host() != nullptr) {
        MessageService::instance().error(this, str::kUnableToOpenDb, host()->connectionFailure());
    } else if (messageId == str::kUnableToOpenDb) {
        MessageService::instance().error(this, messageId);
    } else if (messageId != 0) {
        MessageService::instance().information(this, messageId);
    }
}

void CGroupPage::addGroup()
{
    auto start = m_model->startAdd();
    if (const int* message = std::get_if<int>(&start)) {
        showMessage(*message);
        return;
    }
    runEditor(std::get<GroupEditSession>(start));
}

void CGroupPage::editGroup()
{
    const std::optional<std::int32_t> id = selectedGroup();
    if (!id) {
        return;
    }
    auto start = m_model->startEdit(*id);
    if (const int* message = std::get_if<int>(&start)) {
        showMessage(*message); // 0: the group is gone, nothing to say
        return;
    }
    runEditor(std::get<GroupEditSession>(start));
}

void CGroupPage::runEditor(GroupEditSession session)
{
    GroupEditorContext context;
    context.launcher = &launcher();
    PageHost* window = host();
    context.systemManager = window == nullptr || window->startOptions().systemManager;
    context.serverInstalled = ServerInstalled();
    context.showDetails = ReadGroupDetailFlag() > 0;
    context.groupTexts = m_model->groupTexts();
    std::optional<std::int32_t> stored;
    int change = 0; // what the status line says of the last store
    context.store = [this, &session, &stored, &change](const GroupRecord& group) {
        const GroupStore result = m_model->store(session, group);
        if (result == GroupStore::Written) {
            stored = group.id;
            change = session.stored ? str::kStatusItemSaved : str::kStatusItemAdded;
        } else if (result == GroupStore::Unchanged) {
            stored = group.id;
            change = str::kStatusItemUnchanged;
        }
        return result;
    };
    context.failureDetails = [this] { return writeFailureDetails(m_model->lastWriteFailure()); };
    context.propertiesSaved = [this](std::int32_t group) { return m_model->propertiesSaved(group); };
    context.filesSaved = [this](std::int32_t group) { return m_model->configFilesSaved(group); };
    // "Manage User" and "indep. User" list the accounts of the main window's users table, read again first
    // so that the list shows the users as they are now, not as the last timed refresh found them.
    CXTableUser* users = window != nullptr ? &window->session().tableUser() : nullptr;
    DomainUserFile* domainUsers = window != nullptr ? &window->domainUsers() : nullptr;
    context.openAccountList = [users, domainUsers](QWidget* parent, AccountListMode mode, const QString& title,
                                                   const std::vector<std::string>& groups, std::int32_t group) {
        if (users != nullptr) {
            users->Close();
            try {
                users->Open();
            } catch (const DbError&) {
                // A table that cannot be read gives an empty list; its commands report the failure.
            }
        }
        CIndepUserDlg list(users, mode, title, groups, group, domainUsers, parent);
        list.exec();
    };
    const std::optional<std::int32_t> startNumber = session.setup.startNumber;
    CGroupEditDlg editor(session, std::move(context), this);
    editor.exec();
    showList();
    if (stored) {
        selectGroup(*stored); // a renumbered group stays selected under its new number
        showItemChange(change, str::kItemGroup, *stored);
        reportMovedFiles(startNumber.value_or(*stored), *stored);
    }
}

void CGroupPage::reportMovedFiles(std::int32_t from, std::int32_t to)
{
    const std::vector<FileFailure> failures = m_model->takeFileFailures();
    if (failures.empty()) {
        return;
    }
    QString files;
    for (const FileFailure& f : failures) {
        const std::string cause = FileFailureCause(f.error);
        LogDiagnostic(f.path + " did not follow its group's new number: " + cause);
        files += QStringLiteral("\n") + fromAnsi(f.path) + QStringLiteral(": ") + fromAnsi(cause);
    }
    MessageService::instance().error(
        this, formatText(str::kGroupFilesNotMoved, {QString::number(from), QString::number(to), files.mid(1)}));
}

void CGroupPage::deleteGroup()
{
    const std::optional<std::int32_t> id = selectedGroup();
    const QList<QTreeWidgetItem*> items = m_ui->groupTreeWidget->selectedItems();
    const QString name = items.isEmpty() ? QString() : items.first()->text(1);
    const int result = m_model->deleteGroup(id, [this, &id, &name](const GroupDeleteQuestion& q) {
        const QString question = q.messageId == str::kGroupInUseConfirm
                                     ? formatText(q.messageId, {QString::number(q.group), QString::number(q.units),
                                                                QString::number(q.users)})
                                     : text(q.messageId);
        return MessageService::instance().confirmDelete(this, question, name, QString::number(id.value_or(0)));
    });
    showList();
    showMessage(result);
    const auto& rows = m_model->rows();
    if (id && result == 0 &&
        std::none_of(rows.begin(), rows.end(), [&id](const GroupListRow& r) { return r.id == *id; })) {
        showItemChange(str::kStatusItemDeleted, str::kItemGroup, *id);
    }
}

} // namespace qar::ui
