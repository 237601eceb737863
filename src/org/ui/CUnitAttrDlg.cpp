#include "org/ui/CUnitAttrDlg.h"

#include "app/ui/FormFit.h"
#include "app/ui/FormKeys.h"
#include "app/ui/UiText.h"
#include "ui_CUnitAttrDlg.h"

namespace qar::ui
{

CUnitAttrDlg::CUnitAttrDlg(std::int32_t attribute, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CUnitAttrDlg>())
{
    m_ui->setupUi(this);
    applyTextIds(this);
    m_boxes = {m_ui->seeOtherDeptCheckBox, m_ui->seeOwnContactsCheckBox, m_ui->seeOtherContactsCheckBox,
               m_ui->customerSeeCheckBox,  m_ui->seeVipCheckBox,         m_ui->vipDeptCheckBox,
               m_ui->reservedCheckBox};
    for (int i = 0; i < kUnitAttributeBoxes; ++i) {
        m_boxes[static_cast<std::size_t>(i)]->setChecked(UnitAttributeBoxTicked(attribute, i));
    }
    // The last bit is kept for later use: shown, never changed here.
    m_ui->reservedCheckBox->setEnabled(false);
    connect(m_ui->okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    FitFormToScreen(this);
    SetUpFormKeys(this);
}

CUnitAttrDlg::~CUnitAttrDlg() = default;

std::int32_t CUnitAttrDlg::attribute() const
{
    bool ticked[kUnitAttributeBoxes] = {};
    for (int i = 0; i < kUnitAttributeBoxes; ++i) {
        ticked[i] = m_boxes[static_cast<std::size_t>(i)]->isChecked();
    }
    return UnitAttributeFromBoxes(ticked);
}

} // namespace qar::ui
