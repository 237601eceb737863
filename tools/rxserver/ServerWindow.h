#pragma once

#include <cstdint>
#include <memory>

struct xcb_connection_t;

namespace qar::rxserver
{

/// The server's main window on the X display, carrying the marker in its user-data property so
/// that the tool can see the server runs.
class ServerWindow
{
public:
    /// Creates and shows the window; nothing when there is no display.
    static std::unique_ptr<ServerWindow> open(std::uint32_t marker);
    ~ServerWindow();
    ServerWindow(const ServerWindow&) = delete;
    ServerWindow& operator=(const ServerWindow&) = delete;

    std::uint32_t id() const { return m_window; }
    /// The display connection's descriptor, to wait on.
    int descriptor() const;
    /// Takes the waiting events; false once the display has gone.
    bool handleEvents();

private:
    ServerWindow(xcb_connection_t* connection, std::uint32_t window) : m_connection(connection), m_window(window) {}

    xcb_connection_t* m_connection;
    std::uint32_t m_window;
};

} // namespace qar::rxserver
