#include "app/ui/Launcher.h"

#include "app/ui/MessageService.h"
#include "app/ui/UiText.h"
#include "resources/StringIds.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <QUrl>

namespace qar::ui
{

bool DesktopLauncher::launch(const LaunchRequest& request)
{
    const QString path = fromAnsi(request.path);
    if (request.kind == LaunchRequest::Kind::Document) {
        // The desktop's opener would start and fail on its own, out of sight.
        return QFileInfo::exists(path) && QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    }
    QStringList arguments;
    for (const std::string& a : request.arguments) {
        arguments << fromAnsi(a);
    }
    return QProcess::startDetached(path, arguments, fromAnsi(request.workingDirectory));
}

// The desktop shows nothing when a program is missing: without a word from the tool, the
// administrator's click would seem to do nothing at all.
void WarnNotStarted(QWidget* parent, const LaunchRequest& request)
{
    const int id = request.kind == LaunchRequest::Kind::Document ? str::kCannotOpenDocument : str::kCannotStartProgram;
    MessageService::instance().show(parent, Severity::Warning, formatText(id, {fromAnsi(request.path)}), Buttons::Ok);
}

bool LaunchOrWarn(Launcher& launcher, QWidget* parent, const LaunchRequest& request)
{
    if (launcher.launch(request)) {
        return true;
    }
    WarnNotStarted(parent, request);
    return false;
}

void WarnNoTextEditor(QWidget* parent, const std::string& file)
{
    MessageService::instance().show(parent, Severity::Warning, formatText(str::kNoTextEditor, {fromAnsi(file)}),
                                    Buttons::Ok);
}

} // namespace qar::ui
