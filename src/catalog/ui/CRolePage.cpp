#include "catalog/ui/CRolePage.h"

#include "app/ui/ActionGuard.h"
#include "app/ui/FileFailureMessage.h"
#include "app/ui/ListKeys.h"
#include "app/ui/MessageService.h"
#include "app/ui/PageHost.h"
#include "app/ui/UiText.h"
#include "catalog/ui/CRoleEditDlg.h"
#include "db/CDatabaseSession.h"
#include "platform/FileStamp.h"
#include "resources/StringIds.h"
#include "ui_CRolePage.h"

#include <QMenu>

namespace qar::ui
{

CRolePage::CRolePage(QWidget* parent) : CAdminPage(parent), m_ui(std::make_unique<Ui::CRolePage>())
{
    m_ui->setupUi(this);
    applyTextIds(this);
    QTreeWidget* list = m_ui->rolesTreeWidget;
    list->setHeaderLabels({text(str::kRoleColumnId), text(str::kRoleColumnName), text(str::kRoleColumnSms),
                           text(str::kRoleColumnPrivileges)});
    const int widths[] = {220, 110, 242, 100};
    for (int c = 0; c < 4; ++c) {
        list->setColumnWidth(c, widths[c]);
    }
    connect(list, &QTreeWidget::itemSelectionChanged, this, &CRolePage::updateButtons);
    connect(list, &QTreeWidget::itemDoubleClicked, this, Guarded(this, &CRolePage::editRole));
    BindListKeys(list, this, &CRolePage::editRole, &CRolePage::deleteRole);
    connect(list, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu* menu = createContextMenu();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(m_ui->rolesTreeWidget->viewport()->mapToGlobal(at));
    });
    connect(m_ui->addButton, &QPushButton::clicked, this, Guarded(this, &CRolePage::addRole));
    connect(m_ui->editButton, &QPushButton::clicked, this, Guarded(this, &CRolePage::editRole));
    connect(m_ui->deleteButton, &QPushButton::clicked, this, Guarded(this, &CRolePage::deleteRole));
    connect(m_ui->refreshButton, &QPushButton::clicked, this, Guarded(this, &CRolePage::refresh));
    refresh();
}

CRolePage::~CRolePage() = default;

std::optional<std::string> CRolePage::readStamp()
{
    return ReadFileStamp({RoleFilePath()});
}

void CRolePage::refresh()
{
    noteRead();
    m_roles.load(RoleFilePath());
    showList();
}

void CRolePage::showList()
{
    QTreeWidget* list = m_ui->rolesTreeWidget;
    list->clear();
    QList<QTreeWidgetItem*> items;
    for (const RoleRow& r : m_roles.rows()) {
        auto* item = new QTreeWidgetItem(
            {QString::number(r.id), fromAnsi(r.name), QString::number(r.sms), QString::number(r.privileges)});
        item->setData(0, Qt::UserRole, r.id);
        items << item;
    }
    list->addTopLevelItems(items);
    updateButtons();
}

int CRolePage::selectedRow() const
{
    const QList<QTreeWidgetItem*> selected = m_ui->rolesTreeWidget->selectedItems();
    return selected.isEmpty() ? -1 : m_ui->rolesTreeWidget->indexOfTopLevelItem(selected.first());
}

void CRolePage::updateButtons()
{
    const bool any = selectedRow() >= 0;
    m_ui->editButton->setEnabled(any);
    m_ui->deleteButton->setEnabled(any);
}

QMenu* CRolePage::createContextMenu()
{
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("roleContextMenu"));
    // The "-Other-" popup of the menu resource is what shows at the cursor.
    menu->setTitle(text(str::kRoleMenuOther));
    connect(menu->addAction(text(str::kRoleMenuAdd)), &QAction::triggered, this, Guarded(this, &CRolePage::addRole));
    QAction* edit = menu->addAction(text(str::kRoleMenuEdit));
    QAction* remove = menu->addAction(text(str::kRoleMenuDelete));
    edit->setEnabled(selectedRow() >= 0);
    remove->setEnabled(selectedRow() >= 0);
    connect(edit, &QAction::triggered, this, Guarded(this, &CRolePage::editRole));
    connect(remove, &QAction::triggered, this, Guarded(this, &CRolePage::deleteRole));
    return menu;
}

bool CRolePage::save()
{
    const FileWriteResult written = SaveRoleFile(RoleFilePath(), m_roles.rows());
    if (!written) {
        ReportFileNotSaved(this, RoleFilePath(), written.error);
    }
    return static_cast<bool>(written);
}

void CRolePage::addRole()
{
    const RoleFormModel form(m_roles.freeIds());
    CRoleEditDlg editor(form, form.initialForm({}), this);
    editor.setCommit([this](const RoleRow& role) {
        const std::size_t at = m_roles.insert(role);
        if (save()) {
            return true;
        }
        m_roles.remove(at); // the editor stays open with what was typed
        return false;
    });
    if (editor.exec() == QDialog::Accepted) {
        showList();
        showItemChange(str::kStatusItemAdded, str::kItemRole, editor.role().id);
    }
}

void CRolePage::editRole()
{
    const int row = selectedRow();
    if (row < 0) {
        return;
    }
    const RoleRow before = m_roles.rows()[static_cast<std::size_t>(row)];
    const RoleFormModel form({before.id});
    CRoleEditDlg editor(form, form.initialForm(before), this);
    editor.setCommit([this, row, before](const RoleRow& role) {
        m_roles.update(static_cast<std::size_t>(row), role);
        // A role left as it was is not written: the file stays as the administrator found it.
        if (m_roles.rows()[static_cast<std::size_t>(row)] == before || save()) {
            return true;
        }
        m_roles.update(static_cast<std::size_t>(row), before);
        return false;
    });
    if (editor.exec() == QDialog::Accepted) {
        showList();
        m_ui->rolesTreeWidget->setCurrentItem(m_ui->rolesTreeWidget->topLevelItem(row));
        const RoleRow& after = m_roles.rows()[static_cast<std::size_t>(row)];
        showItemChange(after == before ? str::kStatusItemUnchanged : str::kStatusItemSaved, str::kItemRole, after.id);
    }
}

void CRolePage::deleteRole()
{
    const int row = selectedRow();
    if (row < 0) {
        return;
    }
    // Users keep the number of a deleted role: the administrator learns how many before deciding.
    const RoleRow removed = m_roles.rows()[static_cast<std::size_t>(row)];
    PageHost* window = host();
    const std::optional<long long> users =
        CountRoleUsers(window != nullptr ? &window->session().tableUser() : nullptr, removed.id);
    const QString question = users.value_or(0) > 0 ? formatText(str::kRoleInUseConfirm, {QString::number(*users)})
                                                   : text(str::kConfirmDeleteItem);
    if (!MessageService::instance().confirmDelete(this, question, fromAnsi(removed.name),
                                                  QString::number(removed.id))) {
        return;
    }
    m_roles.remove(static_cast<std::size_t>(row));
    const bool saved = save();
    if (!saved) {
        m_roles.insert(removed);
    }
    showList();
    if (saved) {
        showItemChange(str::kStatusItemDeleted, str::kItemRole, removed.id);
    }
}

} // namespace qar::ui
