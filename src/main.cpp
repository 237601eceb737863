#include "app/CommandLine.h"
#include "app/DatabaseShellHost.h"
#include "app/StartUp.h"
#include "app/ui/CAdminApp.h"
#include "app/ui/Launcher.h"
#include "app/ui/QtTranslations.h"

#include <QApplication>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>

namespace
{

const char kUsage[] = "Usage: qaradmin [-first] [-SetIP:<address>-Group:<number>-SystemManager|-GroupManager]\n"
                      "\n"
                      "Administration tool of the QAR collaboration server.\n"
                      "\n"
                      "Beside the server (RXServer.exe in the program directory) it manages every group.\n"
                      "Started by the desktop client it manages the server at <address>, as system manager or\n"
                      "as manager of group <number>.\n"
                      "\n"
                      "  -first          first-run set-up of a fresh database\n"
                      "  --help          show this text and exit\n"
                      "  --version       show the version and exit\n"
                      "\n"
                      "Environment: QAR_PROGRAM_DIR (program directory), QAR_LANG=en|zh_CN (language),\n"
                      "QAR_LCID=2052|1028|1033 (run as a GBK, Big5 or UTF-8 system), QAR_WINDOWS_DIR (first-run\n"
                      "hand-off files). Text is read and written in the character set of the locale\n"
                      "(LC_ALL, LC_CTYPE, LANG); the language of LC_MESSAGES picks the texts.\n";

/// --help and --version are answered before any window exists; the platform's own switches are
/// substrings of the whole command line and are left to start-up.
bool answeredInformationSwitch(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return true;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("qaradmin %s\n", QAR_VERSION);
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (answeredInformationSwitch(argc, argv)) {
        return 0;
    }
    // A file-size limit must make a save fail (and keep the old file), not end the program.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("qaradmin"));
    QApplication::setApplicationVersion(QStringLiteral(QAR_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("qaradmin"));
    qar::ui::initResources();
    qar::ui::installQtTranslations();

    // QApplication has taken its own options out of argv by now.
    const std::string commandLine = qar::JoinCommandLine(argc, argv);
    qar::SystemStartUpEnvironment environment;
    qar::ui::DesktopLauncher launcher;
    // The server's window is looked for on X11 only: other platforms (offscreen) have no windows to find.
    const bool lookForWindows = QGuiApplication::platformName() == QLatin1String("xcb");
    qar::ui::CAdminApp app(
        environment, [lookForWindows] { return std::make_unique<qar::DatabaseShellHost>(lookForWindows); }, launcher);
    return app.run(commandLine);
}
