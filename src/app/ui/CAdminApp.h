#pragma once

#include <functional>
#include <memory>
#include <string>

namespace qar
{
class ShellHost;
class StartUpEnvironment;
} // namespace qar

namespace qar::ui
{

class Launcher;

/// The application object: decides how the tool was started, then runs the main window modally. The
/// program ends when the window closes; there is no event loop after it.
class CAdminApp
{
public:
    /// Builds the main window's database and server services once start-up allows the window to run.
    using HostFactory = std::function<std::unique_ptr<ShellHost>()>;

    CAdminApp(StartUpEnvironment& environment, HostFactory makeHost, Launcher& launcher);

    /// Runs start-up and the main window; returns the process exit code (always 0).
    int run(const std::string& commandLine);

private:
    StartUpEnvironment& m_environment;
    HostFactory m_makeHost;
    Launcher& m_launcher;
};

/// Registers the icons compiled into the GUI library; call once after the QApplication exists.
void initResources();

} // namespace qar::ui
