#include "app/ui/CCorpDlg.h"

#include "app/ui/ActionGuard.h"
#include "app/ui/FileFailureMessage.h"
#include "app/ui/FormFit.h"
#include "app/ui/FormKeys.h"
#include "app/ui/MessageService.h"
#include "app/ui/UiText.h"
#include "platform/Paths.h"
#include "resources/StringIds.h"
#include "ui_CCorpDlg.h"

#include <QPushButton>

namespace qar::ui
{

CCorpDlg::CCorpDlg(QWidget* parent) : QDialog(parent), m_ui(std::make_unique<Ui::CCorpDlg>())
{
    m_ui->setupUi(this);
    applyTextIds(this);
    connect(m_ui->okCenterButton, &QPushButton::clicked, this, Guarded(this, &CCorpDlg::accept));
    connect(m_ui->okButton, &QPushButton::clicked, this, Guarded(this, &CCorpDlg::accept));
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CCorpDlg::reject);
    setCorporation(m_info);
    FitFormToScreen(this);
    SetUpFormKeys(this, TypedValues::Discard);
}

CCorpDlg::~CCorpDlg() = default;

void CCorpDlg::setCorporation(const CorporationInfo& info)
{
    m_info = info;
    m_ui->nameEdit->setText(fromAnsi(info.name));
    m_ui->websiteEdit->setText(fromAnsi(info.homepage));
}

void CCorpDlg::showEvent(QShowEvent* event)
{
    m_ui->okButton->setVisible(m_cancelAllowed);
    m_ui->cancelButton->setVisible(m_cancelAllowed);
    m_ui->okCenterButton->setVisible(!m_cancelAllowed);
    // Enter in either field accepts, as OK would.
    (m_cancelAllowed ? m_ui->okButton : m_ui->okCenterButton)->setDefault(true);
    // In set-up mode Escape throws nothing away (it insists on the values, as every way out does): only
    // an edit that can be cancelled asks first.
    SetTypedValues(this, m_cancelAllowed ? TypedValues::AskBeforeDiscarding : TypedValues::Discard);
    QDialog::showEvent(event);
    if (m_autoAccept) {
        // Posted, so the form is seen briefly before it closes.
        QMetaObject::invokeMethod(this, Guarded(this, &CCorpDlg::accept), Qt::QueuedConnection);
    }
}

void CCorpDlg::accept()
{
    const CorporationInfo typed{toAnsi(m_ui->nameEdit->text()), toAnsi(m_ui->websiteEdit->text())};
    if (const auto error = ValidateCorporation(typed)) {
        MessageService::instance().error(this, *error);
        return;
    }
    if (!m_autoAccept) {
        const QString confirm =
            formatText(str::kCorpConfirmFormat, {m_ui->nameEdit->text(), m_ui->websiteEdit->text()});
        if (MessageService::instance().question(this, confirm, Buttons::OkCancel) != Answer::Ok) {
            return;
        }
    }
    if (m_commit && !m_commit(typed)) {
        return;
    }
    m_info = typed;
    QDialog::accept();
}

void CCorpDlg::reject()
{
    // In set-up mode every way out (Cancel, Escape, the close box) insists on the values.
    if (m_cancelAllowed) {
        QDialog::reject();
    } else {
        accept();
    }
}

void EditCorporation(QWidget* parent)
{
    CCorpDlg dlg(parent);
    dlg.setCancelAllowed(true);
    dlg.setCorporation(ReadCorporationInfo());
    dlg.setCommit([&dlg](const CorporationInfo& info) {
        const FileWriteResult written = WriteCorporationInfo(info);
        if (!written) {
            ReportFileNotSaved(&dlg, EnvInfoPath(), written.error);
        }
        return static_cast<bool>(written);
    });
    dlg.exec();
}

CorporationInfo AskCorporationForSetup(QWidget* parent, const CorporationInfo& initial, bool autoAccept)
{
    CCorpDlg dlg(parent);
    dlg.setCancelAllowed(false);
    dlg.setAutoAccept(autoAccept);
    dlg.setCorporation(initial);
    dlg.exec();
    return dlg.corporation();
}

} // namespace qar::ui
