#include "groups/ui/CGroupFilesDlg.h"

#include "app/ui/ActionGuard.h"
#include "app/ui/FormKeys.h"
#include "app/ui/Launcher.h"
#include "app/ui/MessageService.h"
#include "app/ui/UiText.h"
#include "platform/Paths.h"
#include "resources/StringIds.h"
#include "ui_CGroupFilesDlg.h"

#include <QApplication>
#include <QTimer>

#include <cstdlib>

namespace qar::ui
{

CGroupFilesDlg::CGroupFilesDlg(std::int32_t group, Launcher& launcher, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CGroupFilesDlg>()), m_files(group), m_launcher(launcher)
{
    m_ui->setupUi(this);
    applyTextIds(this);
    m_private = {m_ui->channelPrivateRadioButton, m_ui->appUrlsPrivateRadioButton, m_ui->multiRolePrivateRadioButton};
    m_public = {m_ui->channelPublicRadioButton, m_ui->appUrlsPublicRadioButton, m_ui->multiRolePublicRadioButton};
    const std::array<std::array<QPushButton*, 4>, kGroupConfigFileCount> buttons = {{
        {m_ui->channelPrivateOpenButton, m_ui->channelPrivateEditButton, m_ui->channelPublicOpenButton,
         m_ui->channelPublicEditButton},
        {m_ui->appUrlsPrivateOpenButton, m_ui->appUrlsPrivateEditButton, m_ui->appUrlsPublicOpenButton,
         m_ui->appUrlsPublicEditButton},
        {m_ui->multiRolePrivateOpenButton, m_ui->multiRolePrivateEditButton, m_ui->multiRolePublicOpenButton,
         m_ui->multiRolePublicEditButton},
    }};
    // The radios show what lies on disk: a private file in XMLs means the group uses it.
    const auto choices = m_files.currentChoices();
    for (int i = 0; i < kGroupConfigFileCount; ++i) {
        const auto n = static_cast<std::size_t>(i);
        (choices[n] == ConfigChoice::Private ? m_private[n] : m_public[n])->setChecked(true);
        connect(buttons[n][0], &QPushButton::clicked, this,
                Guarded(this, [this, i] { openFile(i, ConfigChoice::Private); }));
        connect(buttons[n][1], &QPushButton::clicked, this,
                Guarded(this, [this, i] { editFile(i, ConfigChoice::Private); }));
        connect(buttons[n][2], &QPushButton::clicked, this,
                Guarded(this, [this, i] { openFile(i, ConfigChoice::Public); }));
        connect(buttons[n][3], &QPushButton::clicked, this,
                Guarded(this, [this, i] { editFile(i, ConfigChoice::Public); }));
    }
    // Enter in a field means OK, whichever button last had the focus.
    for (QPushButton* b : findChildren<QPushButton*>()) {
        b->setAutoDefault(false);
    }
    m_ui->okButton->setDefault(true);
    connect(m_ui->defaultButton, &QPushButton::clicked, this, [this] {
        for (QRadioButton* r : m_private) {
            r->setChecked(true);
        }
    });
    connect(m_ui->okButton, &QPushButton::clicked, this, Guarded(this, &CGroupFilesDlg::accept));
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    SetUpFormKeys(this);
}

CGroupFilesDlg::~CGroupFilesDlg() = default;

std::optional<std::string> CGroupFilesDlg::existingFile(int index, ConfigChoice row)
{
    const CGroupConfigFiles::Resolved file = m_files.resolve(index, row);
    if (file.prepareFailed) {
        MessageService::instance().error(this, formatText(str::kGroupFilesPrepareFailedFormat, {fromAnsi(file.path)}));
        return std::nullopt;
    }
    if (!file.exists) {
        MessageService::instance().information(this, str::kFileNotExist);
        return std::nullopt;
    }
    return file.path;
}

void CGroupFilesDlg::openFile(int index, ConfigChoice row)
{
    const auto path = existingFile(index, row);
    if (!path) {
        return;
    }
    // The desktop opens the file on its own time: the wait cursor shows for a second that it is coming.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool opened = m_launcher.launch(LaunchRequest{LaunchRequest::Kind::Document, *path, {}, {}});
    QTimer::singleShot(1000, qApp, [] { QApplication::restoreOverrideCursor(); });
    if (!opened) {
        WarnNotStarted(this, LaunchRequest{LaunchRequest::Kind::Document, *path, {}, {}});
    }
}

void CGroupFilesDlg::editFile(int index, ConfigChoice row)
{
    const auto path = existingFile(index, row);
    if (!path) {
        return;
    }
    if (!m_launcher.launch(EditorRequest(*path, std::getenv("VISUAL"), std::getenv("EDITOR"), GetProgramDir()))) {
        WarnNoTextEditor(this, *path);
    }
}

void CGroupFilesDlg::accept()
{
    std::array<ConfigChoice, kGroupConfigFileCount> choices{};
    for (std::size_t i = 0; i < choices.size(); ++i) {
        choices[i] = m_private[i]->isChecked()  ? ConfigChoice::Private
                     : m_public[i]->isChecked() ? ConfigChoice::Public
                                                : ConfigChoice::Unset;
        if (choices[i] == ConfigChoice::Unset) {
            MessageService::instance().information(this, str::kNotFinished);
            return;
        }
    }
    const std::vector<int> failed = m_files.apply(choices);
    if (!failed.empty()) {
        // The files that moved stay moved; the rest are as they were, and OK tries them again.
        QString names;
        for (int i : failed) {
            names += fromAnsi(m_files.privatePath(i)) + QLatin1Char('\n');
        }
        MessageService::instance().error(this, formatText(str::kGroupFilesApplyFailedFormat, {names.trimmed()}));
        return;
    }
    QDialog::accept();
}

} // namespace qar::ui
