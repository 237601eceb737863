#pragma once

#include "vexnet/IVexLink.h"
#include "vexnet/VexProtocol.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace qar
{

/// The change flags the pages keep: units and users by the units-and-users page, groups by the
/// groups page.
struct ChangeFlags
{
    bool units = false;
    bool users = false;
    bool groups = false;
};

/// The change-flag bits of the refresh notification for `flags`.
std::uint32_t refreshFlagBits(const ChangeFlags& flags);

/// The pages' change flags as the main window gathers them.
class IChangeFlagStore
{
public:
    virtual ~IChangeFlagStore() = default;
    virtual ChangeFlags changeFlags() const = 0;
    /// Clears the three flags and empties the units-and-users page's changed-user list.
    virtual void clearChangeFlags() = 0;
};

/// What the Start Service button should look like.
struct ServiceButtonState
{
    bool enabled = true;
    bool visible = true;

    bool operator==(const ServiceButtonState&) const = default;
};

/// Where the decisions about the Start Service button go (the main window's button).
class IServiceButtonSink
{
public:
    virtual ~IServiceButtonSink() = default;
    virtual void setStartServiceButton(const ServiceButtonState& state) = 0;
};

/// The two ways of seeing the server: its main window and its process.
class IServerProbe
{
public:
    virtual ~IServerProbe() = default;
    virtual bool findServerWindow() = 0;
    virtual bool findServerProcess() = 0;
};

/// The probe of the real system: X11 windows and /proc. Without `lookForWindows` (no X11 display
/// behind the user interface, e.g. Qt's offscreen platform) only the process list is asked.
class SystemServerProbe final : public IServerProbe
{
public:
    explicit SystemServerProbe(bool lookForWindows = true) : m_lookForWindows(lookForWindows) {}
    bool findServerWindow() override;
    bool findServerProcess() override;

private:
    bool m_lookForWindows;
};

/// Start Service: enabled while no server runs and not in first-run mode; hidden when the server's
/// executable is not beside the tool (remote start).
ServiceButtonState decideServiceButton(bool serverRunning, bool firstRun, bool serverInstalled);

/// Server control of the main window: detection, the Start Service button, and telling the running
/// server which data areas changed. Every call comes from the user-interface thread, including the
/// library's events, which the main window receives as queued events and passes to handleMessage.
class ServerControl
{
public:
    /// Posts a window message to the main window (queued, handled later on the same thread).
    using PostMessage = std::function<void(unsigned message, std::uint32_t wParam, std::int64_t lParam)>;
    /// Opens a program the way the shell does; the result is not looked at.
    using OpenProgram = std::function<void(const std::string& path)>;
    using Wait = std::function<void(std::chrono::milliseconds)>;

    struct Hooks
    {
        IChangeFlagStore& flags;
        IServiceButtonSink& buttons;
        IServerProbe& probe;
        IVexLink& client;
        PostMessage post;
        OpenProgram openProgram;
        Wait wait; ///< empty: sleep
    };

    ServerControl(Hooks hooks, std::string programDir, bool firstRun);

    bool IsServerRunning();
    void UpdateServiceButtons();
    void ClearChangeFlags();
    /// Sends the refresh notification with the current flags, then clears them and updates the buttons.
    /// Flags the server has not been seen to read (a send into a dead connection, a server that stopped
    /// answering) go out again with the next notification.
    void NotifyServer();
    /// The Start Service button: starts the server beside the tool and resets the flags.
    void StartService();

    /// Handles the library's window messages (3025, 3026, 3028, 3031); false for any other message.
    bool handleMessage(unsigned message, std::uint32_t wParam, std::int64_t lParam);
    void onConnectionState(std::uint32_t selector, int state);
    void onMessageArrived(std::uint32_t messageId);

    /// Program directory + "/RXServer.exe".
    std::string serverExecutable() const;

private:
    Hooks m_hooks;
    std::string m_programDir;
    bool m_firstRun;
    std::uint32_t m_unreadBits = 0;              ///< of the last notification, until the server read it
    std::optional<std::uint64_t> m_unreadTicket; ///< its send; none when it was dropped
};

} // namespace qar
