#include "catalog/ui/CRoleEditDlg.h"

#include "app/ui/ActionGuard.h"
#include "app/ui/FormKeys.h"
#include "app/ui/MessageService.h"
#include "app/ui/UiText.h"
#include "org/ui/CPowerDlg.h"
#include "resources/StringIds.h"
#include "ui_CRoleEditDlg.h"

namespace qar::ui
{

CRoleEditDlg::CRoleEditDlg(const RoleFormModel& form, const RoleForm& fields, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CRoleEditDlg>()), m_form(form)
{
    m_ui->setupUi(this);
    applyTextIds(this);
    m_ui->smsLineEdit->setSettings({true, true, false});
    for (std::int32_t id : form.ids()) {
        m_ui->idComboBox->addItem(QString::number(id), id);
    }
    m_ui->idComboBox->setCurrentIndex(fields.idIndex);
    m_ui->nameLineEdit->setText(fromAnsi(fields.name));
    m_ui->smsLineEdit->setText(fromAnsi(fields.smsText));
    m_privileges = fields.privileges;
    m_ui->privilegesLineEdit->setText(QString::number(m_privileges));
    connect(m_ui->setButton, &QPushButton::clicked, this, Guarded(this, &CRoleEditDlg::setPrivileges));
    connect(m_ui->okButton, &QPushButton::clicked, this, Guarded(this, &CRoleEditDlg::accept));
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    SetUpFormKeys(this);
}

CRoleEditDlg::~CRoleEditDlg() = default;

RoleForm CRoleEditDlg::fields() const
{
    return {m_ui->idComboBox->currentIndex(), toAnsi(m_ui->nameLineEdit->text()), toAnsi(m_ui->smsLineEdit->text()),
            m_privileges};
}

void CRoleEditDlg::setPrivileges()
{
    CPowerDlg form(static_cast<std::uint32_t>(m_privileges), ReadPowerNames(PowerDatPath()), this);
    if (form.exec() == QDialog::Accepted) {
        m_privileges = static_cast<std::int32_t>(form.value());
        m_ui->privilegesLineEdit->setText(QString::number(m_privileges));
    }
}

void CRoleEditDlg::accept()
{
    RoleRow role;
    const RoleFormError error = m_form.validate(fields(), role);
    if (error.messageId != 0) {
        MessageService::instance().information(
            this, error.messageId == str::kEnterIntegerRange
                      ? formatText(error.messageId, {QString::number(error.rangeMin), QString::number(error.rangeMax)})
                      : text(error.messageId));
        QWidget* field = error.field == RoleField::Name  ? static_cast<QWidget*>(m_ui->nameLineEdit)
                         : error.field == RoleField::Sms ? static_cast<QWidget*>(m_ui->smsLineEdit)
                                                         : static_cast<QWidget*>(m_ui->idComboBox);
        field->setFocus();
        if (error.messageId == str::kEnterIntegerRange) {
            m_ui->smsLineEdit->selectAll();
        }
        return;
    }
    if (m_commit && !m_commit(role)) {
        return;
    }
    m_role = role;
    QDialog::accept();
}

} // namespace qar::ui
