#include "org/ui/CIndepUserDlg.h"

#include "app/ui/ActionGuard.h"
#include "app/ui/FileFailureMessage.h"
#include "app/ui/FormKeys.h"
#include "app/ui/ListKeys.h"
#include "app/ui/MessageService.h"
#include "app/ui/UiText.h"
#include "org/ui/CUserShortDlg.h"
#include "resources/StringIds.h"
#include "ui_CIndepUserDlg.h"

#include <QIcon>

namespace qar::ui
{

CIndepUserDlg::CIndepUserDlg(CXTableUser* users, AccountListMode mode, const QString& title,
                             const std::vector<std::string>& groupNames, std::int32_t group,
                             DomainUserFile* domainUsers, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CIndepUserDlg>()), m_model(users, mode, domainUsers)
{
    m_ui->setupUi(this);
    applyTextIds(this);
    setWindowTitle(title);
    QTreeWidget* list = m_ui->accountsTreeWidget;
    list->setHeaderLabels(
        {text(str::kColumnUserId), text(str::kColumnName), text(str::kColumnGroup), text(str::kColumnPower)});
    const int widths[] = {68, 110, 60, 80};
    for (int c = 0; c < 4; ++c) {
        list->setColumnWidth(c, widths[c]);
    }
    for (const ComboEntry& e :
         AccountGroupEntries(groupNames, toAnsi(text(str::kFilterAll)), toAnsi(text(str::kNoGroupEntry)))) {
        m_ui->groupComboBox->addItem(fromAnsi(e.text), e.data);
    }
    m_ui->groupComboBox->setCurrentIndex(std::max(0, m_ui->groupComboBox->findData(group)));
    m_ui->addButton->setEnabled(m_model.addEnabled());
    fillList();

    connect(m_ui->groupComboBox, &QComboBox::currentIndexChanged, this, &CIndepUserDlg::fillList);
    connect(list, &QTreeWidget::itemSelectionChanged, this, &CIndepUserDlg::updateButtons);
    connect(list, &QTreeWidget::itemDoubleClicked, this, Guarded(this, &CIndepUserDlg::editUser));
    connect(m_ui->addButton, &QPushButton::clicked, this, Guarded(this, &CIndepUserDlg::addUser));
    connect(m_ui->editButton, &QPushButton::clicked, this, Guarded(this, &CIndepUserDlg::editUser));
    connect(m_ui->deleteButton, &QPushButton::clicked, this, Guarded(this, &CIndepUserDlg::deleteUser));
    BindListKeys(list, this, &CIndepUserDlg::editUser, &CIndepUserDlg::deleteUser);
    connect(m_ui->closeButton, &QPushButton::clicked, this, &QDialog::accept);
    SetUpFormKeys(this, TypedValues::Discard);
}

CIndepUserDlg::~CIndepUserDlg() = default;

std::int32_t CIndepUserDlg::selectedGroup() const
{
    return m_ui->groupComboBox->currentData().toInt();
}

std::int32_t CIndepUserDlg::selectedUser() const
{
    const QList<QTreeWidgetItem*> selected = m_ui->accountsTreeWidget->selectedItems();
    return selected.isEmpty() ? 0 : selected.first()->data(0, Qt::UserRole).toInt();
}

void CIndepUserDlg::fillList()
{
    QTreeWidget* list = m_ui->accountsTreeWidget;
    list->clear();
    QList<QTreeWidgetItem*> items;
    for (const AccountRow& row : m_model.rows(selectedGroup())) {
        auto* item = new QTreeWidgetItem(
            {QString::number(row.id), fromAnsi(row.name), QString::number(row.group), text(row.powerTextId)});
        item->setIcon(0, QIcon(QStringLiteral(":/icons/small-%1.png").arg(row.image)));
        item->setData(0, Qt::UserRole, row.id);
        items << item;
    }
    list->addTopLevelItems(items);
    updateButtons();
}

void CIndepUserDlg::updateButtons()
{
    const bool any = !m_ui->accountsTreeWidget->selectedItems().isEmpty();
    m_ui->editButton->setEnabled(any);
    m_ui->deleteButton->setEnabled(any);
}

void CIndepUserDlg::showResult(const AccountMessage& message)
{
    if (!message.databaseText.empty()) {
        MessageService::instance().error(this, fromAnsi(message.databaseText));
    } else if (message.messageId != 0) {
        MessageService::instance().error(this, message.messageId);
    }
    ReportUserRecordsNotSaved(this, message.fileFailures);
}

void CIndepUserDlg::addUser()
{
    if (!m_model.addEnabled()) {
        return;
    }
    CUserShortDlg form(m_model.startAdd(selectedGroup()), false, ReadPowerNames(PowerDatPath()), this);
    if (form.exec() != QDialog::Accepted) {
        fillList();
        return;
    }
    showResult(m_model.finishAdd(form.validUser()));
    fillList();
}

void CIndepUserDlg::editUser()
{
    const std::int32_t userId = selectedUser();
    const std::optional<ShortUserForm> fields = m_model.startEdit(userId);
    if (!fields) {
        fillList();
        return;
    }
    CUserShortDlg form(*fields, true, ReadPowerNames(PowerDatPath()), this);
    if (form.exec() == QDialog::Accepted) {
        showResult(m_model.finishEdit(userId, form.validUser()));
    }
    fillList();
}

void CIndepUserDlg::deleteUser()
{
    const std::int32_t userId = selectedUser();
    const std::optional<std::string> name = m_model.startDelete(userId);
    if (name) {
        const QString question =
            text(str::kConfirmDeletePrefix) + QStringLiteral("\"") + fromAnsi(*name) + QStringLiteral("\" ?");
        if (MessageService::instance().question(this, question, Buttons::OkCancel) == Answer::Ok) {
            showResult(m_model.finishDelete(userId));
        }
    }
    fillList();
}

} // namespace qar::ui
