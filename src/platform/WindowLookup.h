#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace qar
{

/// The user data the server's main window carries, so that tools can find it.
inline constexpr std::uint32_t kServerWindowMarker = 20051023;
/// The 32-bit CARDINAL window property that holds a top-level window's user data.
inline constexpr const char* kWindowUserDataProperty = "QAR_WINDOW_USERDATA";

/// The first X11 window near the top of the tree (children of the root and, below window-manager
/// frames, a few levels further down; topmost first) whose user data equals `marker`. Nothing when
/// there is no display (`displayName` null means $DISPLAY) or the display does not answer within
/// `timeout`.
std::optional<std::uint32_t> findWindowByUserData(std::uint32_t marker, const char* displayName = nullptr,
                                                  std::chrono::milliseconds timeout = std::chrono::milliseconds(300));

/// The server's main window, if one is shown on this display.
std::optional<std::uint32_t> FindServerWindow();

} // namespace qar
