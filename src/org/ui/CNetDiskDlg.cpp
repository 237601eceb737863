#include "org/ui/CNetDiskDlg.h"

#include "app/ui/ActionGuard.h"
#include "app/ui/FileFailureMessage.h"
#include "app/ui/FormKeys.h"
#include "app/ui/MessageService.h"
#include "app/ui/UiText.h"
#include "platform/Paths.h"
#include "resources/StringIds.h"
#include "ui_CNetDiskDlg.h"

namespace qar::ui
{

CNetDiskDlg::CNetDiskDlg(std::uint16_t userMb, int defaultMb, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CNetDiskDlg>()), m_openedDefaultMb(defaultMb)
{
    m_ui->setupUi(this);
    applyTextIds(this);
    const MathEditSettings wholeNumbers{true, true, false};
    m_ui->sizeLineEdit->setSettings(wholeNumbers);
    m_ui->systemDefaultLineEdit->setSettings(wholeNumbers);
    const NetDiskForm form = InitialNetDiskForm(userMb, defaultMb);
    (form.specificSize ? m_ui->specificRadioButton : m_ui->defaultRadioButton)->setChecked(true);
    m_ui->sizeLineEdit->setText(fromAnsi(form.sizeText));
    m_ui->systemDefaultLineEdit->setText(fromAnsi(form.defaultText));
    radioChanged();
    connect(m_ui->defaultRadioButton, &QRadioButton::clicked, this, &CNetDiskDlg::radioChanged);
    connect(m_ui->specificRadioButton, &QRadioButton::clicked, this, &CNetDiskDlg::radioChanged);
    connect(m_ui->okButton, &QPushButton::clicked, this, Guarded(this, &CNetDiskDlg::accept));
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    SetUpFormKeys(this);
}

CNetDiskDlg::~CNetDiskDlg() = default;

void CNetDiskDlg::radioChanged()
{
    m_ui->sizeLineEdit->setEnabled(m_ui->specificRadioButton->isChecked());
}

void CNetDiskDlg::accept()
{
    const auto result = ValidateNetDiskForm({m_ui->specificRadioButton->isChecked(), toAnsi(m_ui->sizeLineEdit->text()),
                                             toAnsi(m_ui->systemDefaultLineEdit->text())});
    if (const auto* error = std::get_if<UserFormError>(&result)) {
        MessageService::instance().information(
            this, formatText(error->messageId, {QString::number(error->rangeMin), QString::number(error->rangeMax)}));
        QLineEdit* field = error->field == UserField::NetDiskSize ? m_ui->sizeLineEdit : m_ui->systemDefaultLineEdit;
        field->setFocus();
        field->selectAll();
        return;
    }
    m_choice = std::get<NetDiskChoice>(result);
    // The system's default size is written here, so that a file that cannot be written keeps the form
    // open with what was typed.
    if (m_choice.defaultMb != m_openedDefaultMb) {
        if (const FileWriteResult written = WriteDefaultNetDiskMb(m_choice.defaultMb); !written) {
            ReportFileNotSaved(this, EnvInfoPath(), written.error);
            return;
        }
    }
    QDialog::accept();
}

} // namespace qar::ui
