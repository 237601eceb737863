#include "groups/ui/CGroupEditDlg.h"

#include "app/ShellCommands.h"
#include "app/ui/ActionGuard.h"
#include "app/ui/FormKeys.h"
#include "app/ui/Launcher.h"
#include "app/ui/MessageService.h"
#include "app/ui/UiText.h"
#include "groups/GroupProperties.h"
#include "groups/ui/CGroupAttrDlg.h"
#include "groups/ui/CGroupFilesDlg.h"
#include "groups/ui/CGroupPropDlg.h"
#include "platform/Paths.h"
#include "resources/StringIds.h"
#include "ui_CGroupEditDlg.h"

#include <QDate>

namespace qar::ui
{

CGroupEditDlg::CGroupEditDlg(GroupEditSession& session, GroupEditorContext context, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CGroupEditDlg>()), m_session(session), m_setup(session.setup),
      m_context(std::move(context)), m_attributes(session.fields.attributes), m_loaded(session.fields)
{
    m_ui->setupUi(this);
    applyTextIds(this);
    const MathEditSettings wholeNumbers{true, true, false};
    m_ui->numberMathEdit->setSettings(wholeNumbers);
    m_ui->membersMathEdit->setSettings(wholeNumbers);
    // The addresses travel with the group but have never been on screen.
    m_ui->addressFrame->hide();
    m_ui->detailFrame->setVisible(m_context.showDetails);
    m_ui->setAttributesButton->setEnabled(m_context.serverInstalled);

    showFields(session.fields);

    // Enter in a field means OK, whichever button last had the focus.
    for (QPushButton* b : findChildren<QPushButton*>()) {
        b->setAutoDefault(false);
    }
    m_ui->okButton->setDefault(true);
    connect(m_ui->setAttributesButton, &QPushButton::clicked, this, Guarded(this, &CGroupEditDlg::setAttributes));
    connect(m_ui->propSetupButton, &QPushButton::clicked, this, Guarded(this, &CGroupEditDlg::propertySetup));
    connect(m_ui->fileSetupButton, &QPushButton::clicked, this, Guarded(this, &CGroupEditDlg::fileSetup));
    connect(m_ui->dataInputButton, &QPushButton::clicked, this, Guarded(this, &CGroupEditDlg::dataInput));
    connect(m_ui->manageUserButton, &QPushButton::clicked, this,
            Guarded(this, [this] { accountList(AccountListMode::Administrators); }));
    connect(m_ui->indepUserButton, &QPushButton::clicked, this,
            Guarded(this, [this] { accountList(AccountListMode::IndependentUsers); }));
    connect(m_ui->okButton, &QPushButton::clicked, this, Guarded(this, &CGroupEditDlg::accept));
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    SetUpFormKeys(this);
}

CGroupEditDlg::~CGroupEditDlg() = default;

void CGroupEditDlg::showFields(const GroupFields& f)
{
    m_ui->numberMathEdit->setText(fromAnsi(f.numberText));
    m_ui->nameLineEdit->setText(fromAnsi(f.name));
    m_ui->homePageLineEdit->setText(fromAnsi(f.homePage));
    m_ui->membersMathEdit->setText(fromAnsi(f.membersText));
    m_attributes = f.attributes;
    m_ui->attributesLineEdit->setText(QString::number(static_cast<std::int32_t>(m_attributes)));
    m_ui->ftpIpLineEdit->setText(fromAnsi(f.ftpIpText));
    m_ui->cwaIpLineEdit->setText(fromAnsi(f.cwaIpText));
}

GroupFields CGroupEditDlg::fields() const
{
    GroupFields f;
    f.numberText = toAnsi(m_ui->numberMathEdit->text());
    f.name = toAnsi(m_ui->nameLineEdit->text());
    f.homePage = toAnsi(m_ui->homePageLineEdit->text());
    f.membersText = toAnsi(m_ui->membersMathEdit->text());
    f.attributes = m_attributes;
    f.ftpIpText = toAnsi(m_ui->ftpIpLineEdit->text());
    f.cwaIpText = toAnsi(m_ui->cwaIpLineEdit->text());
    return f;
}

void CGroupEditDlg::showError(const GroupFormError& error)
{
    const QString message =
        error.messageId == str::kEnterIntegerRange
            ? formatText(error.messageId, {QString::number(error.rangeMin), QString::number(error.rangeMax)})
            : text(error.messageId);
    MessageService::instance().information(this, message);
    QLineEdit* field = nullptr;
    switch (error.field) {
    case GroupField::Number:
        field = m_ui->numberMathEdit;
        break;
    case GroupField::Name:
        field = m_ui->nameLineEdit;
        break;
    case GroupField::HomePage:
        field = m_ui->homePageLineEdit;
        break;
    case GroupField::Members:
        field = m_ui->membersMathEdit;
        break;
    case GroupField::None:
        break;
    }
    if (field != nullptr) {
        field->setFocus();
        field->selectAll();
    }
}

void CGroupEditDlg::reportMessage(int messageId)
{
    if (messageId == str::kOperationFailed) {
        MessageService::instance().error(this, messageId);
    } else if (messageId != 0) {
        MessageService::instance().information(this, messageId);
    }
}

std::optional<GroupRecord> CGroupEditDlg::acceptFields()
{
    auto accepted = AcceptGroupFields(fields());
    if (const auto* error = std::get_if<GroupFormError>(&accepted)) {
        showError(*error);
        return std::nullopt;
    }
    return std::get<GroupRecord>(std::move(accepted));
}

void CGroupEditDlg::setAttributes()
{
    CGroupAttrDlg form(m_attributes, this);
    if (form.exec() == QDialog::Accepted) {
        m_attributes = form.attributes();
        m_ui->attributesLineEdit->setText(QString::number(static_cast<std::int32_t>(m_attributes)));
    }
}

void CGroupEditDlg::propertySetup()
{
    const auto group = acceptFields();
    if (!group) {
        return;
    }
    CGroupData values;
    std::optional<CGroupData> defaults;
    if (!values.load(group->id)) {
        const QDate today = QDate::currentDate();
        defaults.emplace(
            DefaultGroupProperties(group->name, group->url, group->count, today.year(), today.month(), today.day()));
    }
    CGroupPropDlg form(
        &values, defaults ? &*defaults : nullptr, [&values] { return values.save() != GroupDataSave::Failed; }, this);
    if (form.exec() == QDialog::Accepted && m_context.propertiesSaved) {
        reportMessage(m_context.propertiesSaved(group->id));
    }
}

void CGroupEditDlg::fileSetup()
{
    const auto group = acceptFields();
    if (!group || m_context.launcher == nullptr) {
        return;
    }
    CGroupFilesDlg form(group->id, *m_context.launcher, this);
    // Only OK tells the server: Cancel after a move that failed part-way says that the change did not happen.
    if (form.exec() == QDialog::Accepted && m_context.filesSaved) {
        reportMessage(m_context.filesSaved(group->id));
    }
}

void CGroupEditDlg::dataInput()
{
    const auto group = acceptFields();
    if (!group) {
        return;
    }
    if (!m_context.systemManager) {
        MessageService::instance().information(this, str::kOnlyAdministrator);
        return;
    }
    const LaunchRequest request{LaunchRequest::Kind::Program,
                                ProgramPath("\\SheetIntake.exe"),
                                {GroupSheetIntakeParameters(static_cast<long long>(winId()), group->id)},
                                GetProgramDir()};
    if (!FileExists(request.path)) {
        WarnNotStarted(this, request); // the import tool is installed separately
    } else if (m_context.launcher != nullptr) {
        LaunchOrWarn(*m_context.launcher, this, request);
    }
}

void CGroupEditDlg::accountList(AccountListMode mode)
{
    const auto group = acceptFields();
    if (!group || !m_context.openAccountList) {
        return;
    }
    const QPushButton* button =
        mode == AccountListMode::Administrators ? m_ui->manageUserButton : m_ui->indepUserButton;
    m_context.openAccountList(this, mode, withoutMnemonic(button->text()), m_context.groupTexts, group->id);
}

void CGroupEditDlg::accept()
{
    auto result = ValidateGroupForm(m_setup, fields());
    if (const auto* error = std::get_if<GroupFormError>(&result)) {
        showError(*error);
        return;
    }
    const GroupRecord group = std::get<GroupRecord>(result);
    switch (m_context.store ? m_context.store(group) : GroupStore::Written) {
    case GroupStore::Failed:
        // What was typed stays in the form; OK tries again on the row as it is now.
        MessageService::instance().error(this, str::kOperationFailed,
                                         m_context.failureDetails ? m_context.failureDetails() : QString());
        return;
    case GroupStore::Unconfirmed:
        // The group may be saved: OK again could add it twice. The page's list, read again, tells.
        MessageService::instance().error(this, str::kCommitUnconfirmed,
                                         m_context.failureDetails ? m_context.failureDetails() : QString());
        break;
    case GroupStore::Changed: {
        // The next OK works on the group as another program left it, so it can succeed: the fields the
        // administrator did not touch take its values, and the message says so.
        const GroupFields stored = FieldsOf(*m_session.stored);
        showFields(MergeStoredGroup(m_loaded, fields(), stored));
        m_loaded = stored;
        MessageService::instance().error(
            this, text(str::kOperationFailed) + QStringLiteral("\n\n") +
                      formatText(str::kGroupChangedMeanwhile, {QString::number(m_setup.startNumber.value_or(0))}));
        return;
    }
    case GroupStore::NumberTaken:
        showError({str::kEnterpriseCodeExists, GroupField::Number, 0, 0});
        return;
    case GroupStore::Written:
    case GroupStore::Unchanged:
    case GroupStore::Gone:
        break;
    }
    QDialog::accept();
}

} // namespace qar::ui
