#include "org/ui/CUserShortDlg.h"

#include "app/ui/ActionGuard.h"
#include "app/ui/FormKeys.h"
#include "app/ui/MessageService.h"
#include "app/ui/UiText.h"
#include "resources/StringIds.h"
#include "ui_CUserShortDlg.h"

namespace qar::ui
{

CUserShortDlg::CUserShortDlg(const ShortUserForm& fields, bool editMode, const PowerNames& names, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CUserShortDlg>())
{
    m_ui->setupUi(this);
    applyTextIds(this);
    m_ui->userIdLineEdit->setSettings({true, true, false});
    m_ui->groupLineEdit->setSettings({true, true, true});
    // The Administrator box is not restricted by the administration mode here.
    m_ui->privilegeBoxes->setLooks(PrivilegeBoxLooks(names, true), true);
    m_ui->userIdLineEdit->setText(fromAnsi(fields.userIdText));
    m_ui->userIdLineEdit->setEnabled(!editMode);
    m_ui->nameLineEdit->setText(fromAnsi(fields.name));
    m_ui->passwordLineEdit->setText(fromAnsi(fields.password));
    m_ui->passwordAgainLineEdit->setText(fromAnsi(fields.passwordAgain));
    m_ui->emailLineEdit->setText(fromAnsi(fields.email));
    m_ui->mobileLineEdit->setText(fromAnsi(fields.mobile));
    m_ui->groupLineEdit->setText(fromAnsi(fields.groupText));
    m_ui->privilegeBoxes->setValue(fields.power);
    connect(m_ui->okButton, &QPushButton::clicked, this, Guarded(this, &CUserShortDlg::accept));
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    SetUpFormKeys(this);
}

CUserShortDlg::~CUserShortDlg() = default;

ShortUserForm CUserShortDlg::fields() const
{
    return {toAnsi(m_ui->userIdLineEdit->text()),   toAnsi(m_ui->nameLineEdit->text()),
            toAnsi(m_ui->passwordLineEdit->text()), toAnsi(m_ui->passwordAgainLineEdit->text()),
            toAnsi(m_ui->emailLineEdit->text()),    toAnsi(m_ui->mobileLineEdit->text()),
            toAnsi(m_ui->groupLineEdit->text()),    m_ui->privilegeBoxes->value()};
}

void CUserShortDlg::accept()
{
    auto result = ValidateShortUserForm(fields());
    if (const auto* error = std::get_if<UserFormError>(&result)) {
        MessageService::instance().information(this, error->messageId);
        QLineEdit* field = nullptr;
        switch (error->field) {
        case UserField::UserId:
            field = m_ui->userIdLineEdit;
            break;
        case UserField::Group:
            field = m_ui->groupLineEdit;
            break;
        case UserField::Name:
            field = m_ui->nameLineEdit;
            break;
        case UserField::Password:
            field = m_ui->passwordLineEdit;
            break;
        case UserField::Email:
            field = m_ui->emailLineEdit;
            break;
        case UserField::Mobile:
            field = m_ui->mobileLineEdit;
            break;
        default:
            break;
        }
        if (field != nullptr) {
            field->setFocus();
        }
        return;
    }
    m_valid = std::get<ValidShortUser>(std::move(result));
    QDialog::accept();
}

} // namespace qar::ui
