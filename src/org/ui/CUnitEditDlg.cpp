#include "org/ui/CUnitEditDlg.h"

#include "app/ui/ActionGuard.h"
#include "app/ui/FormFit.h"
#include "app/ui/FormKeys.h"
#include "app/ui/MessageService.h"
#include "app/ui/UiText.h"
#include "org/ui/CUnitAttrDlg.h"
#include "resources/StringIds.h"
#include "ui_CUnitEditDlg.h"

namespace qar::ui
{

CUnitEditDlg::CUnitEditDlg(const UnitFormModel& form, const UnitForm& fields, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CUnitEditDlg>()), m_form(form)
{
    m_ui->setupUi(this);
    applyTextIds(this);
    setWindowTitle(text(form.editMode() ? str::kModifyDepartment : str::kAddDepartment));

    const MathEditSettings wholeNumbers{true, true, false};
    m_ui->codeLineEdit->setSettings(wholeNumbers);
    m_ui->weightLineEdit->setSettings(wholeNumbers);
    // The public-account fields have never been on screen; their values still go in and out unchanged.
    m_ui->publicAccountFrame->setVisible(false);
    if (!form.weightColumn()) {
        // A weight typed here would be dropped without a word: say why the field takes none.
        m_ui->weightLineEdit->setEnabled(false);
        m_ui->weightLineEdit->setToolTip(text(str::kUnitWeightUnavailable));
        m_ui->weightLabel->setToolTip(text(str::kUnitWeightUnavailable));
    }

    for (const ComboEntry& e : form.parentEntries()) {
        m_ui->parentComboBox->addItem(fromAnsi(e.text), e.data);
    }
    for (const ComboEntry& e : form.groupEntries()) {
        m_ui->groupComboBox->addItem(fromAnsi(e.text), e.data);
    }
    load(fields);

    connect(m_ui->parentComboBox, &QComboBox::currentIndexChanged, this, [this] {
        if (m_loading) {
            return;
        }
        UnitForm now = this->fields();
        m_form.parentSelectionChanged(now);
        m_ui->groupComboBox->setCurrentIndex(now.groupIndex);
    });
    connect(m_ui->publicAccountCheckBox, &QCheckBox::toggled, this, &CUnitEditDlg::publicAccountToggled);
    connect(m_ui->setAttributesButton, &QPushButton::clicked, this, Guarded(this, &CUnitEditDlg::setAttributes));
    connect(m_ui->okButton, &QPushButton::clicked, this, Guarded(this, &CUnitEditDlg::accept));
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CUnitEditDlg::reject);
    FitFormToScreen(this);
    SetUpFormKeys(this);
}

CUnitEditDlg::~CUnitEditDlg() = default;

void CUnitEditDlg::load(const UnitForm& fields)
{
    m_loading = true;
    m_ui->departmentLineEdit->setText(fromAnsi(fields.department));
    m_ui->codeLineEdit->setText(fromAnsi(fields.codeText));
    m_ui->parentComboBox->setCurrentIndex(fields.parentIndex);
    m_ui->groupComboBox->setCurrentIndex(fields.groupIndex);
    m_ui->weightLineEdit->setText(fromAnsi(fields.weightText));
    m_attribute = fields.attribute;
    m_ui->attributeLineEdit->setText(QString::number(m_attribute));
    m_ui->validedCheckBox->setChecked(fields.valided);
    m_ui->publicAccountCheckBox->setChecked(fields.publicAccount);
    m_ui->aliasLineEdit->setText(fromAnsi(fields.alias));
    m_ui->passwordLineEdit->setText(fromAnsi(fields.password));
    publicAccountToggled(fields.publicAccount);
    m_loading = false;
}

UnitForm CUnitEditDlg::fields() const
{
    UnitForm f;
    f.department = toAnsi(m_ui->departmentLineEdit->text());
    f.codeText = toAnsi(m_ui->codeLineEdit->text());
    f.parentIndex = m_ui->parentComboBox->currentIndex();
    f.groupIndex = m_ui->groupComboBox->currentIndex();
    f.weightText = toAnsi(m_ui->weightLineEdit->text());
    f.attribute = m_attribute;
    f.valided = m_ui->validedCheckBox->isChecked();
    f.publicAccount = m_ui->publicAccountCheckBox->isChecked();
    f.alias = toAnsi(m_ui->aliasLineEdit->text());
    f.password = toAnsi(m_ui->passwordLineEdit->text());
    return f;
}

void CUnitEditDlg::publicAccountToggled(bool on)
{
    m_ui->aliasLineEdit->setEnabled(on);
    m_ui->passwordLineEdit->setEnabled(on);
    m_ui->noticeLabel->setEnabled(on);
}

void CUnitEditDlg::setAttributes()
{
    CUnitAttrDlg form(m_attribute, this);
    if (form.exec() == QDialog::Accepted) {
        m_attribute = form.attribute();
        m_ui->attributeLineEdit->setText(QString::number(m_attribute));
    }
}

void CUnitEditDlg::accept()
{
    auto result = m_form.validate(fields());
    if (const auto* error = std::get_if<FormError>(&result)) {
        showError(*error);
        return;
    }
    m_valid = std::get<ValidUnit>(std::move(result));
    QDialog::accept();
}

void CUnitEditDlg::showError(const FormError& error)
{
    QString message;
    switch (error.messageId) {
    case kMessageEnterInteger:
        message = text(str::kEnterInteger);
        break;
    case kMessageEnterIntegerRange:
        message =
            formatText(str::kEnterIntegerRange, {QString::number(error.rangeMin), QString::number(error.rangeMax)});
        break;
    default:
        message = text(error.messageId);
        break;
    }
    MessageService::instance().error(this, message);

    QWidget* field = nullptr;
    QLineEdit* edit = nullptr;
    switch (error.field) {
    case UnitField::Department:
        field = edit = m_ui->departmentLineEdit;
        break;
    case UnitField::Code:
        field = edit = m_ui->codeLineEdit;
        break;
    case UnitField::Weight:
        field = edit = m_ui->weightLineEdit;
        break;
    case UnitField::Parent:
        field = m_ui->parentComboBox;
        break;
    case UnitField::Group:
        field = m_ui->groupComboBox;
        break;
    case UnitField::None:
        break;
    }
    if (field != nullptr) {
        field->setFocus();
    }
    if (edit != nullptr && error.selectAll) {
        edit->selectAll();
    }
}

} // namespace qar::ui
