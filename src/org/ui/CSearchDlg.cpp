#include "org/ui/CSearchDlg.h"

#include "app/ui/ActionGuard.h"
#include "app/ui/FormFit.h"
#include "app/ui/FormKeys.h"
#include "app/ui/MessageService.h"
#include "app/ui/UiText.h"
#include "org/CUnitUserModel.h"
#include "ui_CSearchDlg.h"

namespace qar::ui
{

CSearchDlg::CSearchDlg(QWidget* parent) : QDialog(parent), m_ui(std::make_unique<Ui::CSearchDlg>())
{
    m_ui->setupUi(this);
    applyTextIds(this);
    connect(m_ui->okButton, &QPushButton::clicked, this, Guarded(this, &CSearchDlg::accept));
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CSearchDlg::reject);
    FitFormToScreen(this);
    SetUpFormKeys(this, TypedValues::Discard);
}

CSearchDlg::~CSearchDlg() = default;

QString CSearchDlg::input() const
{
    return m_ui->searchLineEdit->text();
}

void CSearchDlg::accept()
{
    if (const int message = CUnitUserModel::checkSearchInput(toAnsi(input())); message != 0) {
        MessageService::instance().error(this, message);
        m_ui->searchLineEdit->setFocus();
        return;
    }
    QDialog::accept();
}

} // namespace qar::ui
