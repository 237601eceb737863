#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace qar
{

/// Tells a running server, once, which data areas an import changed (the refresh notification 546 with
/// its flags), as the main window does after its own changes. A program of its own has no main window
/// to do it: it connects for this one message, asks for the 290 reply behind it and waits for that, so
/// the notification is known to have arrived before the connection closes. False when no server
/// answered within `timeout`.
bool NotifyServerOnce(std::uint32_t flags, const std::string& host = "127.0.0.1",
                      std::chrono::milliseconds timeout = std::chrono::milliseconds(3000));

} // namespace qar
