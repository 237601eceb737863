#include "groups/ui/CGroupAttrDlg.h"

#include "app/ui/FormKeys.h"
#include "app/ui/UiText.h"
#include "ui_CGroupAttrDlg.h"

namespace qar::ui
{

CGroupAttrDlg::CGroupAttrDlg(std::uint32_t attributes, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CGroupAttrDlg>()), m_form(attributes)
{
    m_ui->setupUi(this);
    applyTextIds(this);
    m_boxes = {m_ui->extendCheckBox,
               m_ui->personalAffairsCheckBox,
               m_ui->resourceDocumentsCheckBox,
               m_ui->netDiskCheckBox,
               m_ui->coWorkSpaceCheckBox,
               m_ui->toolsBoxCheckBox,
               m_ui->eaCheckBox,
               m_ui->publicProgramsCheckBox,
               m_ui->enterpriseProgramsCheckBox,
               m_ui->personalProgramsCheckBox,
               m_ui->portalCheckBox};
    showForm();
    for (int i = 0; i < kGroupAttributeBoxes; ++i) {
        connect(m_boxes[static_cast<std::size_t>(i)], &QCheckBox::clicked, this, [this, i](bool on) {
            m_form.click(i, on);
            showForm();
        });
    }
    // Enter in a field means OK, whichever button last had the focus.
    for (QPushButton* b : findChildren<QPushButton*>()) {
        b->setAutoDefault(false);
    }
    m_ui->okButton->setDefault(true);
    connect(m_ui->okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    SetUpFormKeys(this);
}

CGroupAttrDlg::~CGroupAttrDlg() = default;

void CGroupAttrDlg::showForm()
{
    for (int i = 0; i < kGroupAttributeBoxes; ++i) {
        QCheckBox* box = m_boxes[static_cast<std::size_t>(i)];
        box->setChecked(m_form.ticked(i));
        box->setEnabled(m_form.enabled(i));
    }
}

} // namespace qar::ui
