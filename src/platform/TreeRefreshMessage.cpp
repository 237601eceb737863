#include "platform/TreeRefreshMessage.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace qar
{

namespace
{

struct Disconnect
{
    void operator()(xcb_connection_t* c) const { xcb_disconnect(c); }
};

} // namespace

bool SendTreeRefresh(std::uint32_t window, const char* displayName)
{
    if (displayName == nullptr) {
        displayName = std::getenv("DISPLAY");
    }
    if (window == 0 || displayName == nullptr || *displayName == '\0') {
        return false;
    }
    std::unique_ptr<xcb_connection_t, Disconnect> connection(xcb_connect(displayName, nullptr));
    if (xcb_connection_has_error(connection.get()) != 0) {
        return false;
    }
    xcb_connection_t* c = connection.get();
    const auto atomCookie =
        xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(kTreeRefreshAtom)), kTreeRefreshAtom);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(xcb_intern_atom_reply(c, atomCookie, nullptr),
                                                                        &std::free);
    if (!atom) {
        return false;
    }
    // The event is 32 bytes whatever the union uses; the server copies exactly that many.
    xcb_client_message_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = atom->atom;
    event.data.data32[0] = kTreeRefreshUnitsAndUsers;
    const xcb_void_cookie_t sent =
        xcb_send_event_checked(c, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event));
    // A window that is gone answers BadWindow here.
    xcb_generic_error_t* error = xcb_request_check(c, sent);
    if (error != nullptr) {
        std::free(error);
        return false;
    }
    return true;
}

} // namespace qar
