#include "app/ServerControl.h"

#include "platform/Paths.h"
#include "platform/ProcessLookup.h"
#include "platform/WindowLookup.h"
#include "vexnet/CXCntNetData.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <thread>

namespace qar
{

namespace
{

constexpr auto kServerStartPause = std::chrono::milliseconds(500);

// The server is opened as "rxserver.exe", which names the same file as "RXServer.exe" on the file
// system the platform was made for. Here names keep their case, so the file is looked up without it.
std::string findIgnoringCase(const std::string& dir, const std::string& lowerName)
{
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(dir, error)) {
        std::string name = entry.path().filename().string();
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (name == lowerName) {
            return entry.path().string();
        }
    }
    return dir + "/" + lowerName;
}

} // namespace

std::uint32_t refreshFlagBits(const ChangeFlags& flags)
{
    std::uint32_t bits = 0;
    if (flags.units) {
        bits |= kRefreshUnits;
    }
    if (flags.users) {
        bits |= kRefreshUsers;
    }
    if (flags.groups) {
        bits |= kRefreshGroups;
    }
    return bits;
}

bool SystemServerProbe::findServerWindow()
{
    return m_lookForWindows && FindServerWindow().has_value();
}

bool SystemServerProbe::findServerProcess()
{
    return FindServerProcess() != 0;
}

ServiceButtonState decideServiceButton(bool serverRunning, bool firstRun, bool serverInstalled)
{
    return ServiceButtonState{!serverRunning && !firstRun, serverInstalled};
}

ServerControl::ServerControl(Hooks hooks, std::string programDir, bool firstRun)
    : m_hooks(std::move(hooks)), m_programDir(std::move(programDir)), m_firstRun(firstRun)
{}

std::string ServerControl::serverExecutable() const
{
    return m_programDir + "/RXServer.exe";
}

bool ServerControl::IsServerRunning()
{
    return m_hooks.probe.findServerWindow() || m_hooks.probe.findServerProcess();
}

void ServerControl::UpdateServiceButtons()
{
    const bool running = IsServerRunning();
    m_hooks.buttons.setStartServiceButton(decideServiceButton(running, m_firstRun, FileExists(serverExecutable())));
}

void ServerControl::ClearChangeFlags()
{
    m_hooks.flags.clearChangeFlags();
}

void ServerControl::NotifyServer()
{
    std::uint32_t bits = refreshFlagBits(m_hooks.flags.changeFlags());
    // A notification that went into a connection the server never read from is told again: the pages'
    // flags were cleared when it was sent.
    if (m_unreadBits != 0 && !(m_unreadTicket && m_hooks.client.isDelivered(*m_unreadTicket))) {
        bits |= m_unreadBits;
    }
    CXCntNetData message(kNetDataKindControl, &m_hooks.client);
    message.PutData(kCodeRefresh);
    message.PutData(bits);
    const bool queued = message.SendToServer();
    m_unreadBits = bits;
    m_unreadTicket = queued ? std::optional<std::uint64_t>(m_hooks.client.lastSendTicket()) : std::nullopt;
    ClearChangeFlags();
    UpdateServiceButtons();
}

void ServerControl::StartService()
{
    if (m_hooks.openProgram) {
        m_hooks.openProgram(findIgnoringCase(m_programDir, "rxserver.exe"));
    }
    if (m_hooks.wait) {
        m_hooks.wait(kServerStartPause);
    } else {
        std::this_thread::sleep_for(kServerStartPause);
    }
    m_unreadBits = 0; // a server that starts reads everything afresh
    ClearChangeFlags();
    UpdateServiceButtons();
}

bool ServerControl::handleMessage(unsigned message, std::uint32_t wParam, std::int64_t lParam)
{
    switch (message) {
    case kMsgVexReceived:
        onMessageArrived(static_cast<std::uint32_t>(lParam));
        return true;
    case kMsgVexState:
        onConnectionState(wParam, static_cast<int>(lParam));
        return true;
    case kMsgVexNotice:
    case kMsgVexNoticeOther:
        return true;
    default:
        return false;
    }
}

void ServerControl::onConnectionState(std::uint32_t selector, int state)
{
    if (state == kVexStateBusy) {
        return;
    }
    // The library may have connected anew before an older state event of it is handled here: a late
    // "down" would drop the new connection, and the notification sent after it would go nowhere.
    if (!m_hooks.client.isCurrentEvent(selector)) {
        return;
    }
    m_hooks.client.SetState(state);
    if (state == kVexStateDown) {
        m_hooks.client.Shutdown();
    }
    if ((selector & 0xFF) != 0) {
        return;
    }
    NotifyServer();
}

void ServerControl::onMessageArrived(std::uint32_t messageId)
{
    CZNetData message(&m_hooks.client, messageId);
    std::size_t length = 0;
    if (!message.RecvFromServer(length)) {
        return;
    }
    std::size_t position = 0;
    const auto code = message.GetDataOfWord(position);
    if (!code || *code != kCodeRefreshReply) {
        return;
    }
    const auto result = message.GetDataOfByte(position);
    const auto value = message.GetDataOfLong(position);
    const auto kind = message.GetDataOfByte(position);
    // A short reply cannot be read and is ignored like any other unreadable message.
    if (!result || !value || !kind) {
        return;
    }
    if (*kind == kReplyKindReady && *result == kReplyResultOk && m_hooks.post) {
        m_hooks.post(kMsgVexState, 0, kVexStateUp);
    }
}

} // namespace qar
