#pragma once

#include "app/ShellHost.h"
#include "app/ui/Launcher.h"

#include <QStringList>

#include <vector>

namespace qar::test
{

/// A ShellHost whose answers the test sets and whose calls it records.
class FakeShellHost : public ShellHost
{
public:
    bool openResult = true;
    bool serverRunning = false;
    QStringList calls;

    void ensureDataSource() override { calls << QStringLiteral("ensureDataSource"); }
    bool openDatabase() override
    {
        calls << QStringLiteral("openDatabase");
        return openResult;
    }
    void refreshConnection() override { calls << QStringLiteral("refreshConnection"); }
    void closeDatabase() override { calls << QStringLiteral("closeDatabase"); }
    int groupUserLimit(int groupId) override { return groupId * 10; }
    bool isServerRunning() override { return serverRunning; }
};

/// Records what the window would have started.
class RecordingLauncher : public ui::Launcher
{
public:
    std::vector<LaunchRequest> launched;
    bool launch(const LaunchRequest& request) override
    {
        launched.push_back(request);
        return true;
    }
};

/// Puts the message service in headless mode for one test and forgets what it recorded afterwards.
class HeadlessMessages
{
public:
    HeadlessMessages();
    ~HeadlessMessages();
    HeadlessMessages(const HeadlessMessages&) = delete;
    HeadlessMessages& operator=(const HeadlessMessages&) = delete;
};

} // namespace qar::test
