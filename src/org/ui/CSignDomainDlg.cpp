#include "org/ui/CSignDomainDlg.h"

#include "app/ui/FormKeys.h"
#include "app/ui/UiText.h"
#include "ui_CSignDomainDlg.h"

namespace qar::ui
{

CSignDomainDlg::CSignDomainDlg(const QString& userName, const QString& domain, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CSignDomainDlg>())
{
    m_ui->setupUi(this);
    applyTextIds(this);
    m_ui->userNameLineEdit->setText(userName);
    m_ui->domainLineEdit->setText(domain);
    connect(m_ui->okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    SetUpFormKeys(this);
}

CSignDomainDlg::~CSignDomainDlg() = default;

QString CSignDomainDlg::userName() const
{
    return m_ui->userNameLineEdit->text();
}

QString CSignDomainDlg::domain() const
{
    return m_ui->domainLineEdit->text();
}

} // namespace qar::ui
