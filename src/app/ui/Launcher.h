#pragma once

#include "app/ShellCommands.h"

class QWidget;

namespace qar::ui
{

/// Hands programs and documents to the desktop. Tests replace it to see what would have been started.
class Launcher
{
public:
    virtual ~Launcher() = default;
    /// False when nothing could be started (the desktop itself reports nothing).
    virtual bool launch(const LaunchRequest& request) = 0;
};

/// Programs through QProcess::startDetached with an argument list, documents through the desktop's
/// associated program.
class DesktopLauncher : public Launcher
{
public:
    bool launch(const LaunchRequest& request) override;
};

/// Warns that `request` could not be started: "Unable to start %s." for a program, "Unable to open
/// %s." for a document, naming its path.
void WarnNotStarted(QWidget* parent, const LaunchRequest& request);
/// Starts `request`, or warns as WarnNotStarted does and returns false.
bool LaunchOrWarn(Launcher& launcher, QWidget* parent, const LaunchRequest& request);
/// Warns that no text editor could be started to open `file`.
void WarnNoTextEditor(QWidget* parent, const std::string& file);

} // namespace qar::ui
