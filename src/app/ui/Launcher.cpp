#include "app/ui/Launcher.h"

#include "app/ui/UiText.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStringList>
#include <QUrl>

namespace qar::ui
{

bool DesktopLauncher::launch(const LaunchRequest& request)
{
    const QString path = fromAnsi(request.path);
    if (request.kind == LaunchRequest::Kind::Document) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    }
    QStringList arguments;
    for (const std::string& a : request.arguments) {
        arguments << fromAnsi(a);
    }
    return QProcess::startDetached(path, arguments, fromAnsi(request.workingDirectory));
}

} // namespace qar::ui
