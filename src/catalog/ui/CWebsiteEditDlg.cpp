#include "catalog/ui/CWebsiteEditDlg.h"

#include "app/ui/ActionGuard.h"
#include "app/ui/FormFit.h"
#include "app/ui/FormKeys.h"
#include "app/ui/MessageService.h"
#include "app/ui/UiText.h"
#include "catalog/ui/CatalogIcons.h"
#include "resources/StringIds.h"
#include "ui_CWebsiteEditDlg.h"

namespace qar::ui
{

CWebsiteEditDlg::CWebsiteEditDlg(const WebsiteFormModel& model, const WebsiteEntry& entry, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CWebsiteEditDlg>()), m_model(model)
{
    m_ui->setupUi(this);
    applyTextIds(this);
    m_ui->idLineEdit->setSettings(MathEditSettings{true, true, false});
    m_ui->idLineEdit->setReadOnly(!model.adding());

    const WebsiteForm initial = model.initialForm(entry);
    m_ui->idLineEdit->setText(fromAnsi(initial.idText));
    m_ui->nameLineEdit->setText(fromAnsi(initial.name));
    m_ui->urlLineEdit->setText(fromAnsi(initial.url));
    m_iconPath = IconFilePath("w_" + initial.idText + ".ico");
    const bool icons = IconFolderExists();
    for (QWidget* w : std::initializer_list<QWidget*>{m_ui->iconLabel, m_ui->iconPictureLabel, m_ui->setIconButton,
                                                      m_ui->iconHintLabel}) {
        w->setVisible(icons);
    }
    if (icons) {
        ShowIconFile(m_ui->iconPictureLabel, m_iconPath);
    }

    connect(m_ui->setIconButton, &QPushButton::clicked, this, Guarded(this, &CWebsiteEditDlg::setIcon));
    connect(m_ui->okButton, &QPushButton::clicked, this, Guarded(this, &CWebsiteEditDlg::accept));
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CWebsiteEditDlg::reject);
    FitFormToScreen(this);
    SetUpFormKeys(this);
}

CWebsiteEditDlg::~CWebsiteEditDlg() = default;

WebsiteForm CWebsiteEditDlg::fields() const
{
    return WebsiteForm{toAnsi(m_ui->idLineEdit->text()), toAnsi(m_ui->nameLineEdit->text()),
                       toAnsi(m_ui->urlLineEdit->text())};
}

void CWebsiteEditDlg::setIcon()
{
    if (ChooseIconFile(this, m_iconPath)) {
        ShowIconFile(m_ui->iconPictureLabel, m_iconPath);
    }
}

void CWebsiteEditDlg::accept()
{
    auto result = m_model.validate(fields());
    if (const auto* error = std::get_if<CatalogFormError<WebsiteField>>(&result)) {
        showError(*error);
        return;
    }
    m_entry = std::get<WebsiteEntry>(std::move(result));
    if (m_commit && !m_commit(m_entry)) {
        return;
    }
    QDialog::accept();
}

void CWebsiteEditDlg::showError(const CatalogFormError<WebsiteField>& error)
{
    const QString message =
        error.messageId == str::kEnterIntegerRange
            ? formatText(error.messageId, {QString::number(error.rangeMin), QString::number(error.rangeMax)})
            : text(error.messageId);
    MessageService::instance().error(this, message);
    QLineEdit* field = error.field == WebsiteField::Id     ? static_cast<QLineEdit*>(m_ui->idLineEdit)
                       : error.field == WebsiteField::Name ? m_ui->nameLineEdit
                       : error.field == WebsiteField::Url  ? m_ui->urlLineEdit
                                                           : nullptr;
    if (field != nullptr) {
        field->setFocus();
        field->selectAll();
    }
}

} // namespace qar::ui
