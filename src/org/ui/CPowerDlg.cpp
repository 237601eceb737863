#include "org/ui/CPowerDlg.h"

#include "app/ui/FormKeys.h"
#include "app/ui/UiText.h"
#include "catalog/ui/CHelpViewerDlg.h"
#include "platform/Paths.h"
#include "ui_CPowerDlg.h"

namespace qar::ui
{

CPowerDlg::CPowerDlg(std::uint32_t power, const PowerNames& names, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CPowerDlg>())
{
    m_ui->setupUi(this);
    applyTextIds(this);
    // Only a system manager reaches the roles, so the Administrator box can be changed here.
    m_ui->privilegeBoxes->setLooks(PrivilegeBoxLooks(names, true));
    setValue(power);
    connect(m_ui->helpButton, &QPushButton::clicked, this,
            [this] { ShowHelpFile(this, ProgramPath("\\Help_Power.txt")); });
    connect(m_ui->okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    SetUpFormKeys(this);
}

CPowerDlg::~CPowerDlg() = default;

void CPowerDlg::setValue(std::uint32_t power)
{
    m_ui->privilegeBoxes->setValue(power);
}

std::uint32_t CPowerDlg::value() const
{
    return m_ui->privilegeBoxes->value();
}

} // namespace qar::ui
