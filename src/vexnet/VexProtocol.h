#pragma once

#include <cstdint>
#include <string>

namespace qar
{

// Window messages through which the network library reaches the main window. They arrive as queued
// events on the user-interface thread; the numbers are kept so the flow stays recognisable.

/// A message from the server waits in the library; the second parameter is its id.
inline constexpr unsigned kMsgVexReceived = 3025;
/// A connection state: first parameter the selector, second the state (kVexStateDown ...). The main
/// window also posts it to itself (selector 0, state 1) to notify the server.
inline constexpr unsigned kMsgVexState = 3026;
/// Further library notifications the tool ignores.
inline constexpr unsigned kMsgVexNotice = 3028;
inline constexpr unsigned kMsgVexNoticeOther = 3031;

/// Connection states reported with kMsgVexState.
inline constexpr int kVexStateDown = 0;
inline constexpr int kVexStateUp = 1;
inline constexpr int kVexStateBusy = 3;

/// Message codes (the first item of every payload).
inline constexpr std::uint16_t kCodeRefresh = 546;      ///< tool -> server: which data areas changed
inline constexpr std::uint16_t kCodeRefreshReply = 290; ///< server -> tool: ready for a notification

/// Change-flag bits of the refresh notification.
inline constexpr std::uint32_t kRefreshUnits = 0x01;
inline constexpr std::uint32_t kRefreshUsers = 0x02;
inline constexpr std::uint32_t kRefreshGroups = 0x20;

/// Result and kind of a 290 reply that asks for a notification.
inline constexpr std::uint8_t kReplyResultOk = 0;
inline constexpr std::uint8_t kReplyKindReady = 2;

/// Kind of the message object the tool builds for a refresh notification.
inline constexpr int kNetDataKindControl = 6;

inline constexpr std::uint16_t kDefaultVexPort = 8796;

/// The server's port: QAR_VEXNET_PORT when it holds a number from 0 to 65535, else 8796.
std::uint16_t vexnetPort();

/// Names of the set change flags, blank separated ("units groups"); unknown bits as hexadecimal
/// ("0x100"), "none" for 0.
std::string refreshFlagNames(std::uint32_t flags);

} // namespace qar
