#include "org/ui/CVirtualUnitsDlg.h"

#include "app/ui/ActionGuard.h"
#include "app/ui/FileFailureMessage.h"
#include "app/ui/FormKeys.h"
#include "app/ui/ListKeys.h"
#include "app/ui/MessageService.h"
#include "app/ui/UiText.h"
#include "resources/StringIds.h"
#include "ui_CAddVirtualUnitDlg.h"
#include "ui_CVirtualUnitsDlg.h"

namespace qar::ui
{

CVirtualUnitsDlg::CVirtualUnitsDlg(std::uint32_t userId, std::unordered_map<std::uint32_t, std::string> unitNames,
                                   std::string path, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CVirtualUnitsDlg>()), m_model(userId, std::move(unitNames)),
      m_path(std::move(path))
{
    m_ui->setupUi(this);
    applyTextIds(this);
    m_model.load(m_path);
    showEntries();
    connect(m_ui->addButton, &QPushButton::clicked, this, Guarded(this, &CVirtualUnitsDlg::addUnit));
    connect(m_ui->deleteButton, &QPushButton::clicked, this, Guarded(this, &CVirtualUnitsDlg::deleteUnit));
    connect(m_ui->okButton, &QPushButton::clicked, this, Guarded(this, &CVirtualUnitsDlg::accept));
    BindListKeys(m_ui->unitsListWidget, this, nullptr, &CVirtualUnitsDlg::deleteUnit);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    SetUpFormKeys(this);
}

CVirtualUnitsDlg::~CVirtualUnitsDlg() = default;

void CVirtualUnitsDlg::showEntries()
{
    m_ui->unitsListWidget->clear();
    for (const ComboEntry& e : m_model.entries()) {
        auto* item = new QListWidgetItem(fromAnsi(e.text), m_ui->unitsListWidget);
        item->setData(Qt::UserRole, e.data);
    }
}

void CVirtualUnitsDlg::addUnit()
{
    CAddVirtualUnitDlg form(m_model.unitChoices(), this);
    if (form.exec() != QDialog::Accepted) {
        return;
    }
    if (const int message = m_model.add(form.unitId())) {
        MessageService::instance().information(this, message);
        return;
    }
    showEntries();
}

void CVirtualUnitsDlg::deleteUnit()
{
    const int row = m_ui->unitsListWidget->currentRow();
    if (row < 0 || m_ui->unitsListWidget->selectedItems().isEmpty()) {
        MessageService::instance().information(this, str::kSelectItemFromList);
        return;
    }
    if (!MessageService::instance().confirmDelete(this, str::kConfirmDeleteItem,
                                                  m_ui->unitsListWidget->item(row)->text())) {
        return;
    }
    m_model.remove(static_cast<std::size_t>(row));
    showEntries();
}

void CVirtualUnitsDlg::accept()
{
    if (const FileWriteResult written = m_model.save(m_path); !written) {
        // The list stays as the administrator left it, to try again.
        ReportFileNotSaved(this, m_path, written.error);
        return;
    }
    QDialog::accept();
}

CAddVirtualUnitDlg::CAddVirtualUnitDlg(const std::vector<ComboEntry>& units, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CAddVirtualUnitDlg>())
{
    m_ui->setupUi(this);
    applyTextIds(this);
    m_ui->unitComboBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_ui->unitComboBox->setMinimumContentsLength(32);
    for (const ComboEntry& e : units) {
        m_ui->unitComboBox->addItem(fromAnsi(e.text), e.data);
    }
    m_ui->unitComboBox->setCurrentIndex(-1);
    connect(m_ui->okButton, &QPushButton::clicked, this, Guarded(this, &CAddVirtualUnitDlg::accept));
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    SetUpFormKeys(this, TypedValues::Discard);
}

CAddVirtualUnitDlg::~CAddVirtualUnitDlg() = default;

void CAddVirtualUnitDlg::accept()
{
    if (m_ui->unitComboBox->currentIndex() < 0) {
        MessageService::instance().information(this, str::kSelectItemFromList);
        return;
    }
    m_unitId = static_cast<std::uint32_t>(m_ui->unitComboBox->currentData().toInt());
    QDialog::accept();
}

} // namespace qar::ui
