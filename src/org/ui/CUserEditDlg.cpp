#include "org/ui/CUserEditDlg.h"

#include "app/ui/ActionGuard.h"
#include "app/ui/FormKeys.h"
#include "app/ui/MessageService.h"
#include "app/ui/UiText.h"
#include "catalog/ui/CHelpViewerDlg.h"
#include "org/NetDisk.h"
#include "org/ui/CNetDiskDlg.h"
#include "org/ui/CSignDomainDlg.h"
#include "org/ui/CVirtualUnitsDlg.h"
#include "platform/Paths.h"
#include "platform/TextUtil.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"
#include "ui_CUserEditDlg.h"
#include "xml/CXMarkupFile.h"
#include "xml/DomainUserFile.h"

namespace qar::ui
{

CUserEditDlg::CUserEditDlg(UserEditSession& session, DomainUserFile* domainUsers, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CUserEditDlg>()), m_session(session), m_domainUsers(domainUsers)
{
    m_ui->setupUi(this);
    applyTextIds(this);
    const UserFormModel& form = session.form;
    setWindowTitle(text(form.editMode() ? str::kModifyUser : str::kAddUser));
    m_ui->dutyLabel->setText(text(form.accountMode() ? str::kUnitiveAccountLabel : str::kDutyLabel));
    const MathEditSettings wholeNumbers{true, true, false};
    m_ui->userIdLineEdit->setSettings(wholeNumbers);
    m_ui->weightLineEdit->setSettings(wholeNumbers);
    m_ui->privilegeBoxes->setLooks(session.boxes);

    for (int id : {str::kUserStatusInService, str::kUserStatusVacation, str::kUserStatusDismissed}) {
        m_ui->statusComboBox->addItem(text(id));
    }
    for (const ComboEntry& e : form.roleEntries()) {
        m_ui->roleComboBox->addItem(fromAnsi(e.text), e.data);
    }
    if (const auto missing = form.missingRole()) {
        // The stored role role.xml lacks is the list's last entry: kept unless another is picked.
        m_ui->roleComboBox->setItemText(m_ui->roleComboBox->count() - 1,
                                        formatText(str::kRoleNotInRoleFile, {QString::number(*missing)}));
    }
    // Thousands of units: the list is sized by a fixed length instead of measuring every entry.
    m_ui->departmentComboBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_ui->departmentComboBox->setMinimumContentsLength(32);
    for (const ComboEntry& e : form.departmentEntries()) {
        m_ui->departmentComboBox->addItem(fromAnsi(e.text), e.data);
    }
    load(session.fields);

    // Without the folder of the sign-on users file the extended data is not in use.
    if (!session.extendedSection) {
        for (QWidget* w : std::initializer_list<QWidget*>{m_ui->domainNameLabel, m_ui->domainNameLineEdit,
                                                          m_ui->netDiskLabel, m_ui->netDiskLineEdit}) {
            w->setEnabled(false);
        }
        m_ui->domainNameLineEdit->clear();
        m_ui->netDiskLineEdit->clear();
        for (QWidget* w : std::initializer_list<QWidget*>{m_ui->setSizeButton, m_ui->domainSettingButton,
                                                          m_ui->signDomainLabel, m_ui->netDiskNoteLabel}) {
            w->hide();
        }
    }
    // The multi-unit form has only ever been offered on the Simplified Chinese form.
    m_ui->virtualUnitsButton->setVisible(CurrentUiLanguage() == UiLanguage::SimplifiedChinese);
    refreshExtended();

    connect(m_ui->departmentComboBox, &QComboBox::currentIndexChanged, this, &CUserEditDlg::departmentChanged);
    connect(m_ui->roleComboBox, &QComboBox::currentIndexChanged, this, &CUserEditDlg::roleChanged);
    connect(m_ui->synchronizeButton, &QPushButton::clicked, this, Guarded(this, &CUserEditDlg::synchronize));
    connect(m_ui->helpButton, &QPushButton::clicked, this,
            [this] { ShowHelpFile(this, ProgramPath("\\Help_Power.txt")); });
    connect(m_ui->domainSettingButton, &QPushButton::clicked, this, Guarded(this, &CUserEditDlg::editSignDomain));
    connect(m_ui->setSizeButton, &QPushButton::clicked, this, Guarded(this, &CUserEditDlg::setNetDiskSize));
    connect(m_ui->virtualUnitsButton, &QPushButton::clicked, this, Guarded(this, &CUserEditDlg::editVirtualUnits));
    connect(m_ui->okButton, &QPushButton::clicked, this, Guarded(this, &CUserEditDlg::accept));
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CUserEditDlg::reject);
    SetUpFormKeys(this);
}

CUserEditDlg::~CUserEditDlg() = default;

void CUserEditDlg::load(const UserForm& f)
{
    m_loading = true;
    m_ui->userIdLineEdit->setText(fromAnsi(f.userIdText));
    m_ui->nameLineEdit->setText(fromAnsi(f.name));
    m_ui->passwordLineEdit->setText(fromAnsi(f.password));
    m_ui->passwordAgainLineEdit->setText(fromAnsi(f.passwordAgain));
    m_ui->departmentComboBox->setCurrentIndex(f.departmentIndex);
    m_ui->dutyLineEdit->setText(fromAnsi(f.duty));
    m_ui->emailLineEdit->setText(fromAnsi(f.email));
    m_ui->roleComboBox->setCurrentIndex(f.roleIndex);
    m_ui->mobileLineEdit->setText(fromAnsi(f.mobile));
    m_ui->weightLineEdit->setText(fromAnsi(f.weightText));
    m_ui->statusComboBox->setCurrentIndex(f.statusIndex);
    m_ui->groupLineEdit->setText(QString::number(f.group));
    m_ui->userGroupLineEdit->setText(QString::number(f.userGroup));
    m_ui->onlineLineEdit->setText(QString::number(f.olTime));
    m_ui->scoreLineEdit->setText(QString::number(f.score));
    m_ui->privilegeBoxes->setValue(f.power);
    m_ui->domainNameLineEdit->setText(fromAnsi(f.domainAccount));
    m_netDiskMb = f.netDiskMb;
    m_ui->netDiskLineEdit->setText(QString::number(f.netDiskMb));
    m_loading = false;
}

UserForm CUserEditDlg::fields() const
{
    UserForm f;
    f.userIdText = toAnsi(m_ui->userIdLineEdit->text());
    f.name = toAnsi(m_ui->nameLineEdit->text());
    f.password = toAnsi(m_ui->passwordLineEdit->text());
    f.passwordAgain = toAnsi(m_ui->passwordAgainLineEdit->text());
    f.departmentIndex = m_ui->departmentComboBox->currentIndex();
    f.duty = toAnsi(m_ui->dutyLineEdit->text());
    f.email = toAnsi(m_ui->emailLineEdit->text());
    f.roleIndex = m_ui->roleComboBox->currentIndex();
    f.mobile = toAnsi(m_ui->mobileLineEdit->text());
    f.weightText = toAnsi(m_ui->weightLineEdit->text());
    f.statusIndex = m_ui->statusComboBox->currentIndex();
    f.group = m_ui->groupLineEdit->text().toInt();
    f.userGroup = m_ui->userGroupLineEdit->text().toInt();
    f.olTime = m_ui->onlineLineEdit->text().toInt();
    f.score = m_ui->scoreLineEdit->text().toInt();
    f.power = m_ui->privilegeBoxes->value();
    f.domainAccount = toAnsi(m_ui->domainNameLineEdit->text());
    f.netDiskMb = m_netDiskMb;
    return f;
}

void CUserEditDlg::refreshExtended()
{
    m_ui->synchronizeButton->setVisible(UserFormModel::synchronizeVisible(fields()));
    m_ui->signDomainLabel->setText(formatText(str::kSignDomainFormat, {fromAnsi(m_session.signDomain)}));
}

void CUserEditDlg::departmentChanged()
{
    if (m_loading) {
        return;
    }
    UserForm f = fields();
    m_session.form.departmentChanged(f);
    m_ui->groupLineEdit->setText(QString::number(f.group));
    m_ui->userGroupLineEdit->setText(QString::number(f.userGroup));
    refreshExtended();
}

void CUserEditDlg::roleChanged()
{
    if (m_loading) {
        return;
    }
    UserForm f = fields();
    m_session.form.roleChanged(f);
    m_ui->privilegeBoxes->setValue(f.power);
}

void CUserEditDlg::synchronize()
{
    m_ui->userGroupLineEdit->setText(m_ui->groupLineEdit->text());
    refreshExtended();
}

void CUserEditDlg::editSignDomain()
{
    CSignDomainDlg form(m_ui->domainNameLineEdit->text(), fromAnsi(m_session.signDomain), this);
    if (form.exec() != QDialog::Accepted) {
        return;
    }
    m_ui->domainNameLineEdit->setText(form.userName());
    const std::string domain = toAnsi(form.domain());
    if (m_domainUsers != nullptr) {
        StoreSignDomain(*m_domainUsers, domain);
    }
    m_session.signDomain = domain;
    refreshExtended();
}

void CUserEditDlg::setNetDiskSize()
{
    CNetDiskDlg form(m_netDiskMb, ReadDefaultNetDiskMb(), this);
    if (form.exec() != QDialog::Accepted) {
        return;
    }
    m_netDiskMb = form.choice().userMb;
    m_ui->netDiskLineEdit->setText(QString::number(m_netDiskMb));
}

void CUserEditDlg::editVirtualUnits()
{
    // An edit works on the user's units as stored: they move with it when its id is changed on OK.
    const bool editing = m_session.form.editMode();
    const int userId = editing ? m_session.stored.id : AtoI(toAnsi(m_ui->userIdLineEdit->text()));
    if (userId < 1) {
        MessageService::instance().information(this, str::kIllegalUserId);
        return;
    }
    std::unordered_map<std::uint32_t, std::string> names;
    for (const UserFormUnit& u : m_session.form.units()) {
        names.emplace(static_cast<std::uint32_t>(u.id), u.name);
    }
    CVirtualUnitsDlg form(static_cast<std::uint32_t>(userId), std::move(names), MultiUnitUsersPath(), this);
    if (form.exec() == QDialog::Accepted && !editing) {
        m_session.virtualUnitsSetFor = userId;
    }
}

void CUserEditDlg::accept()
{
    m_ui->userGroupLineEdit->setText(m_ui->groupLineEdit->text()); // "Synchronize" first
    UserForm f = fields();
    auto result = m_session.form.validate(f, m_session.extendedSection, m_session.signDomain);
    refreshExtended();
    if (const auto* error = std::get_if<UserFormError>(&result)) {
        showError(*error);
        if (error->openSignDomain) {
            editSignDomain();
        }
        return;
    }
    m_session.fields = f;
    m_valid = std::get<ValidUser>(std::move(result));
    QDialog::accept();
}

void CUserEditDlg::showError(const UserFormError& error)
{
    const QString message =
        error.messageId == str::kEnterIntegerRange
            ? formatText(error.messageId, {QString::number(error.rangeMin), QString::number(error.rangeMax)})
            : text(error.messageId);
    MessageService::instance().information(this, message);

    QWidget* field = nullptr;
    switch (error.field) {
    case UserField::UserId:
        field = m_ui->userIdLineEdit;
        break;
    case UserField::Name:
        field = m_ui->nameLineEdit;
        break;
    case UserField::Password:
        field = m_ui->passwordLineEdit;
        break;
    case UserField::Department:
        field = m_ui->departmentComboBox;
        break;
    case UserField::Duty:
        field = m_ui->dutyLineEdit;
        break;
    case UserField::Email:
        field = m_ui->emailLineEdit;
        break;
    case UserField::Mobile:
        field = m_ui->mobileLineEdit;
        break;
    case UserField::Weight:
        field = m_ui->weightLineEdit;
        break;
    default:
        break;
    }
    if (field != nullptr) {
        field->setFocus();
        if (auto* edit = qobject_cast<QLineEdit*>(field); edit != nullptr && error.selectAll) {
            edit->selectAll();
        }
    }
}

} // namespace qar::ui
