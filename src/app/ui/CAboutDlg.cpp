#include "app/ui/CAboutDlg.h"

#include "app/ui/FormFit.h"
#include "app/ui/FormKeys.h"
#include "app/ui/UiText.h"
#include "ui_CAboutDlg.h"

#include <QIcon>
#include <QPushButton>

namespace qar::ui
{

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent), m_ui(std::make_unique<Ui::CAboutDlg>())
{
    m_ui->setupUi(this);
    applyTextIds(this);
    m_ui->iconLabel->setPixmap(QIcon(QStringLiteral(":/icons/qaradmin-48.png")).pixmap(48, 48));
    connect(m_ui->okButton, &QPushButton::clicked, this, &QDialog::accept);
    FitFormToScreen(this);
    SetUpFormKeys(this, TypedValues::Discard);
}

CAboutDlg::~CAboutDlg() = default;

} // namespace qar::ui
