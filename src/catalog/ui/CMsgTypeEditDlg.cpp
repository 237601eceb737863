#include "catalog/ui/CMsgTypeEditDlg.h"

#include "app/ShellCommands.h"
#include "app/ui/ActionGuard.h"
#include "app/ui/FormFit.h"
#include "app/ui/FormKeys.h"
#include "app/ui/Launcher.h"
#include "app/ui/MessageService.h"
#include "app/ui/UiText.h"
#include "platform/Paths.h"
#include "resources/StringIds.h"
#include "ui_CMsgTypeEditDlg.h"

namespace qar::ui
{

CMsgTypeEditDlg::CMsgTypeEditDlg(const MsgTypeFormModel& model, const MsgTypeEntry& entry, Launcher& launcher,
                                 QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CMsgTypeEditDlg>()), m_model(model), m_launcher(launcher)
{
    m_ui->setupUi(this);
    applyTextIds(this);
    for (std::int32_t number : model.numbers()) {
        m_ui->typeComboBox->addItem(QString::number(number));
    }
    load(model.initialForm(entry));

    connect(m_ui->ignoreSameCheckBox, &QCheckBox::clicked, this, [this] { boxClicked(MarkBox::IgnoreSame); });
    connect(m_ui->needReplayCheckBox, &QCheckBox::clicked, this, [this] { boxClicked(MarkBox::NeedReplay); });
    connect(m_ui->maskGenButton, &QPushButton::clicked, this, Guarded(this, &CMsgTypeEditDlg::startMaskTool));
    connect(m_ui->okButton, &QPushButton::clicked, this, Guarded(this, &CMsgTypeEditDlg::accept));
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CMsgTypeEditDlg::reject);
    FitFormToScreen(this);
    SetUpFormKeys(this);
}

CMsgTypeEditDlg::~CMsgTypeEditDlg() = default;

MsgTypeForm CMsgTypeEditDlg::fields() const
{
    MsgTypeForm f;
    f.numberIndex = m_ui->typeComboBox->currentIndex();
    f.name = toAnsi(m_ui->nameLineEdit->text());
    f.markText = toAnsi(m_ui->markLineEdit->text());
    f.ignoreSame = m_ui->ignoreSameCheckBox->isChecked();
    f.needReplay = m_ui->needReplayCheckBox->isChecked();
    return f;
}

void CMsgTypeEditDlg::load(const MsgTypeForm& f)
{
    m_ui->typeComboBox->setCurrentIndex(f.numberIndex);
    m_ui->nameLineEdit->setText(fromAnsi(f.name));
    m_ui->markLineEdit->setText(fromAnsi(f.markText));
    m_ui->ignoreSameCheckBox->setChecked(f.ignoreSame);
    m_ui->needReplayCheckBox->setChecked(f.needReplay);
}

void CMsgTypeEditDlg::boxClicked(MarkBox box)
{
    MsgTypeForm f = fields();
    const auto refused = MsgTypeFormModel::boxClicked(f, box);
    load(f);
    if (refused) {
        showError(*refused);
    }
}

void CMsgTypeEditDlg::startMaskTool()
{
    // The mask tool is a separate program of the platform, installed on its own: without it the
    // administrator is told which program is missing rather than seeing the click do nothing.
    const LaunchRequest request{LaunchRequest::Kind::Program, ProgramPath("\\MsgShaper.exe"), {}, GetProgramDir()};
    if (!FileExists(request.path)) {
        WarnNotStarted(this, request);
    } else {
        LaunchOrWarn(m_launcher, this, request);
    }
}

void CMsgTypeEditDlg::accept()
{
    auto result = m_model.validate(fields());
    if (const auto* error = std::get_if<CatalogFormError<MsgTypeField>>(&result)) {
        showError(*error);
        return;
    }
    m_entry = std::get<MsgTypeEntry>(std::move(result));
    if (m_commit && !m_commit(m_entry)) {
        return;
    }
    QDialog::accept();
}

void CMsgTypeEditDlg::showError(const CatalogFormError<MsgTypeField>& error)
{
    MessageService::instance().error(this, error.messageId);
    if (error.field == MsgTypeField::Name) {
        m_ui->nameLineEdit->setFocus();
    } else if (error.field == MsgTypeField::Mark) {
        m_ui->markLineEdit->setFocus();
        m_ui->markLineEdit->selectAll();
    }
}

} // namespace qar::ui
