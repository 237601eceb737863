#include "app/ui/CAdminApp.h"

#include "app/ShellHost.h"
#include "app/StartUp.h"
#include "app/ui/CMainDlg.h"
#include "app/ui/MessageService.h"
#include "app/ui/UiText.h"

#include <QFile>

// Q_INIT_RESOURCE must be used outside any namespace.
static void initQarResources()
{
    Q_INIT_RESOURCE(qaradmin);
}

namespace qar::ui
{

void initResources()
{
    initQarResources();
}

CAdminApp::CAdminApp(StartUpEnvironment& environment, HostFactory makeHost, Launcher& launcher)
    : m_environment(environment), m_makeHost(std::move(makeHost)), m_launcher(launcher)
{}

int CAdminApp::run(const std::string& commandLine)
{
    const StartUpResult start = DecideStartUp(commandLine, m_environment);
    if (!start.runMainWindow) {
        const QString message = start.messageArgument.empty()
                                    ? text(start.messageId)
                                    : formatText(start.messageId, {QFile::decodeName(start.messageArgument.c_str())});
        MessageService::instance().show(nullptr, Severity::Warning, message, Buttons::Ok);
        return 0;
    }
    std::unique_ptr<ShellHost> host = m_makeHost();
    CMainDlg window(start.options, *host, m_launcher);
    window.run();
    return 0;
}

} // namespace qar::ui
