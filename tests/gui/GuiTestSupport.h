#pragma once

#include "FakeServer.h"
#include "TempDir.h"
#include "app/DatabaseShellHost.h"
#include "app/ShellHost.h"
#include "app/ui/Launcher.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QStringList>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace qar::test
{

/// The named child of `parent`, of type T.
template <class T> T* child(const QObject& parent, const char* name)
{
    return parent.findChild<T*>(QString::fromLatin1(name));
}

/// Clicks the named button of `form`.
inline void click(const QObject& form, const char* name)
{
    child<QAbstractButton>(form, name)->click();
}

/// Types `text` into the named field of `form`, replacing what it held.
inline void setField(const QObject& form, const char* name, const QString& text)
{
    child<QLineEdit>(form, name)->setText(text);
}

/// A ShellHost whose calls the test records. By default its session names a data source that does not
/// exist and opening answers `openResult`: pages that reach the database find it closed. Given a connect
/// string, it opens that real database instead, as the tool does.
class FakeShellHost : public ShellHost, public IServerState
{
public:
    explicit FakeShellHost(const std::string& connect = {}, bool serverRunning = false)
        : databaseSession(connect.empty() ? "ODBC;DSN=QarNoSuchSource;UID=;PWD=" : connect),
          realDatabase(!connect.empty()), running(serverRunning)
    {}

    CDatabaseSession databaseSession;
    bool realDatabase;
    bool running;
    CChangeLog log{databaseSession.tableChangeTmp(), *this};
    bool openResult = true;
    FakeProbe probe;
    RecordingLink* link = nullptr; ///< the client the window made, owned by the window
    QStringList calls;

    bool IsServerRunning() const override { return running; }
    void ensureDataSource() override { calls << QStringLiteral("ensureDataSource"); }
    bool openDatabase() override
    {
        calls << QStringLiteral("openDatabase");
        return realDatabase ? databaseSession.OpenDatabase() : openResult;
    }
    void refreshConnection() override
    {
        calls << QStringLiteral("refreshConnection");
        if (realDatabase) {
            databaseSession.RefreshConnection();
        }
    }
    void closeDatabase() override
    {
        calls << QStringLiteral("closeDatabase");
        databaseSession.CloseAll();
    }
    int groupUserLimit(int groupId) override
    {
        return realDatabase ? GroupUserLimit(databaseSession.tableGroup(), groupId) : 0;
    }
    CDatabaseSession& session() override { return databaseSession; }
    CChangeLog& changeLog() override { return log; }
    IServerProbe& serverProbe() override { return probe; }
    std::unique_ptr<IVexLink> makeNetworkClient(const StartOptions&, VexEventSink) override
    {
        auto made = std::make_unique<RecordingLink>();
        link = made.get();
        return made;
    }
};

/// Records what the window would have started; `starts` false plays a desktop that cannot start it.
class RecordingLauncher : public ui::Launcher
{
public:
    std::vector<LaunchRequest> launched;
    bool starts = true;
    bool launch(const LaunchRequest& request) override
    {
        launched.push_back(request);
        return starts;
    }
};

/// Runs `step` on the modal form of type T once the event loop shows it (call before the action that
/// opens it); a form the step leaves open is closed, so a failing step cannot hang the test.
template <class T> void whenModal(std::function<void(T&)> step)
{
    QTimer::singleShot(0, [step] {
        auto* form = qobject_cast<T*>(QApplication::activeModalWidget());
        QVERIFY2(form != nullptr, "the expected form is not the active modal window");
        step(*form);
        if (form->isVisible()) {
            form->done(QDialog::Rejected);
        }
    });
}

/// Puts the message service in headless mode for one test and forgets what it recorded afterwards.
class HeadlessMessages
{
public:
    HeadlessMessages();
    ~HeadlessMessages();
    HeadlessMessages(const HeadlessMessages&) = delete;
    HeadlessMessages& operator=(const HeadlessMessages&) = delete;
};

/// A program folder of its own and headless prompts, for one test.
struct ProgramSandbox
{
    TempDir dir;
    ScopedEnv programDir{"QAR_PROGRAM_DIR", dir.path().c_str()};
    HeadlessMessages messages;
};

} // namespace qar::test
