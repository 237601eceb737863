#include "ServerWindow.h"

#include "platform/WindowLookup.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace qar::rxserver
{

namespace
{

xcb_atom_t internAtom(xcb_connection_t* connection, const char* name)
{
    auto cookie = xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    xcb_atom_t atom = XCB_ATOM_NONE;
    if (reply != nullptr) {
        atom = reply->atom;
    }
    std::free(reply);
    return atom;
}

} // namespace

std::unique_ptr<ServerWindow> ServerWindow::open(std::uint32_t marker)
{
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') {
        return nullptr;
    }
    xcb_connection_t* connection = xcb_connect(display, nullptr);
    if (xcb_connection_has_error(connection) != 0) {
        xcb_disconnect(connection);
        return nullptr;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const xcb_window_t window = xcb_generate_id(connection);
    const std::uint32_t values[] = {screen->white_pixel, XCB_EVENT_MASK_STRUCTURE_NOTIFY};
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 320, 80, 1,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK,
                      values);
    const char title[] = "RXServer";
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        sizeof title - 1, title);
    const xcb_atom_t userData = internAtom(connection, kWindowUserDataProperty);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, userData, XCB_ATOM_CARDINAL, 32, 1, &marker);
    xcb_map_window(connection, window);
    xcb_flush(connection);
    return std::unique_ptr<ServerWindow>(new ServerWindow(connection, window));
}

ServerWindow::~ServerWindow()
{
    if (xcb_connection_has_error(m_connection) == 0) {
        xcb_destroy_window(m_connection, m_window);
        xcb_flush(m_connection);
    }
    xcb_disconnect(m_connection);
}

int ServerWindow::descriptor() const
{
    return xcb_get_file_descriptor(m_connection);
}

bool ServerWindow::handleEvents()
{
    while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
        std::free(event);
    }
    return xcb_connection_has_error(m_connection) == 0;
}

} // namespace qar::rxserver
