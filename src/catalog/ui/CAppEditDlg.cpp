#include "catalog/ui/CAppEditDlg.h"

#include "app/ShellCommands.h"
#include "app/ui/ActionGuard.h"
#include "app/ui/FormFit.h"
#include "app/ui/FormKeys.h"
#include "app/ui/Launcher.h"
#include "app/ui/MessageService.h"
#include "app/ui/UiText.h"
#include "catalog/ui/CatalogIcons.h"
#include "platform/Paths.h"
#include "resources/StringIds.h"
#include "ui_CAppEditDlg.h"

#include <QApplication>

namespace qar::ui
{

CAppEditDlg::CAppEditDlg(const AppFormModel& model, const AppEntry& entry, bool accountMode, Launcher& launcher,
                         QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CAppEditDlg>()), m_model(model), m_launcher(launcher)
{
    m_ui->setupUi(this);
    applyTextIds(this);

    const MathEditSettings wholeNumbers{true, true, false};
    for (CZMathEdit* field : {m_ui->idLineEdit, m_ui->csId1LineEdit, m_ui->csId2LineEdit, m_ui->csId3LineEdit}) {
        field->setSettings(wholeNumbers);
    }
    m_ui->idLineEdit->setReadOnly(!model.adding());
    for (const AppGroupChoice& group : model.groups()) {
        m_ui->groupComboBox->addItem(fromAnsi(AppGroupChoiceText(group)));
    }
    m_ui->typeComboBox->addItems(
        {text(str::kAppTypeAuto), text(str::kAppTypeBrowserServer), text(str::kAppTypeClientServer)});
    m_ui->unitiveCheckBox->setVisible(accountMode);

    const AppForm initial = model.initialForm(entry);
    m_iconPath = IconFilePath(initial.idText + ".ico");
    const bool icons = IconFolderExists();
    for (QWidget* w : std::initializer_list<QWidget*>{m_ui->iconLabel, m_ui->iconPictureLabel, m_ui->setIconButton,
                                                      m_ui->iconHintLabel}) {
        w->setVisible(icons);
    }
    if (icons) {
        ShowIconFile(m_ui->iconPictureLabel, m_iconPath);
    }
    load(initial);

    connect(m_ui->typeComboBox, &QComboBox::currentIndexChanged, this, [this] { applyRules(std::nullopt); });
    connect(m_ui->needPasswordCheckBox, &QCheckBox::clicked, this, [this] { applyRules(AppBox::NeedPassword); });
    connect(m_ui->systemEmailCheckBox, &QCheckBox::clicked, this, [this] { applyRules(AppBox::SystemEmail); });
    connect(m_ui->unitiveCheckBox, &QCheckBox::clicked, this, [this] { applyRules(AppBox::Unitive); });
    connect(m_ui->setIconButton, &QPushButton::clicked, this, Guarded(this, &CAppEditDlg::setIcon));
    connect(m_ui->helpButton, &QPushButton::clicked, this, Guarded(this, &CAppEditDlg::openHelp));
    connect(m_ui->okButton, &QPushButton::clicked, this, Guarded(this, &CAppEditDlg::accept));
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CAppEditDlg::reject);
    FitFormToScreen(this);
    SetUpFormKeys(this);
}

CAppEditDlg::~CAppEditDlg() = default;

AppForm CAppEditDlg::fields() const
{
    AppForm f;
    f.idText = toAnsi(m_ui->idLineEdit->text());
    f.name = toAnsi(m_ui->nameLineEdit->text());
    f.location = toAnsi(m_ui->locationLineEdit->text());
    f.groupIndex = m_ui->groupComboBox->currentIndex();
    f.kind = static_cast<AppKind>(m_ui->typeComboBox->currentIndex());
    f.needPassword = m_ui->needPasswordCheckBox->isChecked();
    f.systemEmail = m_ui->systemEmailCheckBox->isChecked();
    f.unitive = m_ui->unitiveCheckBox->isChecked();
    f.bsLogin = toAnsi(m_ui->bsLineEdit->text());
    f.csTitle = toAnsi(m_ui->csTitleLineEdit->text());
    f.csId1Text = toAnsi(m_ui->csId1LineEdit->text());
    f.csId2Text = toAnsi(m_ui->csId2LineEdit->text());
    f.csId3Text = toAnsi(m_ui->csId3LineEdit->text());
    return f;
}

void CAppEditDlg::load(const AppForm& f)
{
    m_loading = true;
    m_ui->idLineEdit->setText(fromAnsi(f.idText));
    m_ui->nameLineEdit->setText(fromAnsi(f.name));
    m_ui->locationLineEdit->setText(fromAnsi(f.location));
    m_ui->groupComboBox->setCurrentIndex(f.groupIndex);
    m_ui->typeComboBox->setCurrentIndex(static_cast<int>(f.kind));
    m_ui->needPasswordCheckBox->setChecked(f.needPassword);
    m_ui->systemEmailCheckBox->setChecked(f.systemEmail);
    m_ui->unitiveCheckBox->setChecked(f.unitive);
    m_ui->bsLineEdit->setText(fromAnsi(f.bsLogin));
    m_ui->csTitleLineEdit->setText(fromAnsi(f.csTitle));
    m_ui->csId1LineEdit->setText(fromAnsi(f.csId1Text));
    m_ui->csId2LineEdit->setText(fromAnsi(f.csId2Text));
    m_ui->csId3LineEdit->setText(fromAnsi(f.csId3Text));
    m_loading = false;
    applyRules(std::nullopt);
}

void CAppEditDlg::applyRules(std::optional<AppBox> clicked)
{
    if (m_loading) {
        return;
    }
    AppForm f = fields();
    const AppControls on = clicked ? AppBoxClicked(f, *clicked) : ApplyAppRules(f);
    m_ui->needPasswordCheckBox->setChecked(f.needPassword);
    m_ui->systemEmailCheckBox->setChecked(f.systemEmail);
    m_ui->unitiveCheckBox->setChecked(f.unitive);
    m_ui->needPasswordCheckBox->setEnabled(on.needPassword);
    m_ui->systemEmailCheckBox->setEnabled(on.systemEmail);
    m_ui->unitiveCheckBox->setEnabled(on.unitive);
    m_ui->bsLineEdit->setEnabled(on.bsLogin);
    for (QWidget* w : std::initializer_list<QWidget*>{m_ui->csTitleLineEdit, m_ui->csId1LineEdit, m_ui->csId2LineEdit,
                                                      m_ui->csId3LineEdit}) {
        w->setEnabled(on.csTitle);
    }
}

void CAppEditDlg::setIcon()
{
    if (ChooseIconFile(this, m_iconPath)) {
        ShowIconFile(m_ui->iconPictureLabel, m_iconPath);
    }
}

void CAppEditDlg::openHelp()
{
    const LaunchRequest help{LaunchRequest::Kind::Document, ProgramPath("\\AppConf.mht"), {}, GetProgramDir()};
    if (!FileExists(help.path)) {
        MessageService::instance().error(this, str::kFileNotExist);
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool opened = m_launcher.launch(help);
    QApplication::restoreOverrideCursor();
    if (!opened) {
        // No program to open it, or one that refused: the click must not seem to do nothing.
        WarnNotStarted(this, help);
    }
}

void CAppEditDlg::accept()
{
    auto result = m_model.validate(fields());
    if (const auto* error = std::get_if<CatalogFormError<AppField>>(&result)) {
        showError(*error);
        return;
    }
    m_entry = std::get<AppEntry>(std::move(result));
    if (m_commit && !m_commit(m_entry)) {
        return;
    }
    QDialog::accept();
}

void CAppEditDlg::showError(const CatalogFormError<AppField>& error)
{
    const QString message =
        error.messageId == str::kEnterIntegerRange
            ? formatText(error.messageId, {QString::number(error.rangeMin), QString::number(error.rangeMax)})
            : text(error.messageId);
    MessageService::instance().error(this, message);

    QWidget* field = nullptr;
    QLineEdit* edit = nullptr;
    switch (error.field) {
    case AppField::Id:
        field = edit = m_ui->idLineEdit;
        break;
    case AppField::Name:
        field = edit = m_ui->nameLineEdit;
        break;
    case AppField::Location:
        field = edit = m_ui->locationLineEdit;
        break;
    case AppField::Group:
        field = m_ui->groupComboBox;
        break;
    case AppField::BsLogin:
        field = edit = m_ui->bsLineEdit;
        break;
    case AppField::CsTitle:
        field = edit = m_ui->csTitleLineEdit;
        break;
    case AppField::CsId1:
        field = edit = m_ui->csId1LineEdit;
        break;
    case AppField::CsId2:
        field = edit = m_ui->csId2LineEdit;
        break;
    case AppField::CsId3:
        field = edit = m_ui->csId3LineEdit;
        break;
    case AppField::None:
        break;
    }
    if (field != nullptr) {
        field->setFocus();
    }
    if (edit != nullptr && error.messageId != str::kInputCantBeNull) {
        edit->selectAll();
    }
}

} // namespace qar::ui
