#pragma once

#include "app/ShellCommands.h"

namespace qar::ui
{

/// Hands programs and documents to the desktop. Tests replace it to see what would have been started.
class Launcher
{
public:
    virtual ~Launcher() = default;
    /// False when nothing could be started; the tool reports nothing, the desktop may.
    virtual bool launch(const LaunchRequest& request) = 0;
};

/// Programs through QProcess::startDetached with an argument list, documents through the desktop's
/// associated program.
class DesktopLauncher : public Launcher
{
public:
    bool launch(const LaunchRequest& request) override;
};

} // namespace qar::ui
