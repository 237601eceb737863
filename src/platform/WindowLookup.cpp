#include "platform/WindowLookup.h"

#include <xcb/xcb.h>
#include <xcb/xcbext.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <poll.h>
#include <vector>

namespace qar
{

namespace
{

using Clock = std::chrono::steady_clock;

// Below the root: top-level windows, window-manager frames, and what the frames hold.
constexpr int kMaxDepth = 3;
// A display with more windows than this per level is not searched further.
constexpr std::size_t kMaxWindowsPerLevel = 8192;

struct FreeDeleter
{
    void operator()(void* p) const { std::free(p); }
};
template <class T> using ReplyPtr = std::unique_ptr<T, FreeDeleter>;

class Display
{
public:
    Display(const char* name, Clock::time_point deadline) : m_deadline(deadline)
    {
        m_connection = xcb_connect(name, nullptr);
    }
    ~Display() { xcb_disconnect(m_connection); }
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    bool usable() const { return m_connection != nullptr && !m_failed && xcb_connection_has_error(m_connection) == 0; }
    xcb_connection_t* get() const { return m_connection; }

    // Waits for one reply, never past the deadline; a display that misses it is given up on.
    template <class T> ReplyPtr<T> await(unsigned sequence)
    {
        if (!usable()) {
            return nullptr;
        }
        for (;;) {
            void* reply = nullptr;
            xcb_generic_error_t* error = nullptr;
            if (xcb_poll_for_reply(m_connection, sequence, &reply, &error) != 0) {
                std::free(error);
                return ReplyPtr<T>(static_cast<T*>(reply));
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(m_deadline - Clock::now());
            if (left.count() <= 0 || xcb_connection_has_error(m_connection) != 0) {
                m_failed = true;
                return nullptr;
            }
            pollfd fd{xcb_get_file_descriptor(m_connection), POLLIN, 0};
            ::poll(&fd, 1, static_cast<int>(left.count()));
        }
    }

private:
    xcb_connection_t* m_connection = nullptr;
    Clock::time_point m_deadline;
    bool m_failed = false;
};

std::optional<std::uint32_t> firstMarked(Display& display, xcb_atom_t property,
                                         const std::vector<xcb_window_t>& windows, std::uint32_t marker)
{
    std::vector<unsigned> cookies;
    cookies.reserve(windows.size());
    for (xcb_window_t window : windows) {
        cookies.push_back(xcb_get_property(display.get(), 0, window, property, XCB_ATOM_CARDINAL, 0, 1).sequence);
    }
    xcb_flush(display.get());
    std::optional<std::uint32_t> found;
    // Every reply is collected, also after a match, so none is left queued on the connection.
    for (std::size_t i = 0; i < windows.size(); ++i) {
        auto reply = display.await<xcb_get_property_reply_t>(cookies[i]);
        if (!reply || found || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4) {
            continue;
        }
        std::uint32_t value = 0;
        std::memcpy(&value, xcb_get_property_value(reply.get()), sizeof value);
        if (value == marker) {
            found = windows[i];
        }
    }
    return found;
}

// The children of every window of `parents`, each window's children topmost first.
std::vector<xcb_window_t> childrenOf(Display& display, const std::vector<xcb_window_t>& parents)
{
    std::vector<unsigned> cookies;
    cookies.reserve(parents.size());
    for (xcb_window_t parent : parents) {
        cookies.push_back(xcb_query_tree(display.get(), parent).sequence);
    }
    xcb_flush(display.get());
    std::vector<xcb_window_t> children;
    for (unsigned cookie : cookies) {
        auto reply = display.await<xcb_query_tree_reply_t>(cookie);
        if (!reply) {
            continue;
        }
        const xcb_window_t* list = xcb_query_tree_children(reply.get());
        // The server lists children bottom first.
        for (int i = xcb_query_tree_children_length(reply.get()) - 1; i >= 0; --i) {
            if (children.size() < kMaxWindowsPerLevel) {
                children.push_back(list[i]);
            }
        }
    }
    return children;
}

} // namespace

std::optional<std::uint32_t> findWindowByUserData(std::uint32_t marker, const char* displayName,
                                                  std::chrono::milliseconds timeout)
{
    if (displayName == nullptr) {
        displayName = std::getenv("DISPLAY");
    }
    if (displayName == nullptr || *displayName == '\0') {
        return std::nullopt;
    }
    Display display(displayName, Clock::now() + timeout);
    if (!display.usable()) {
        return std::nullopt;
    }
    const char* name = kWindowUserDataProperty;
    const unsigned atomCookie =
        xcb_intern_atom(display.get(), 1, static_cast<std::uint16_t>(std::strlen(name)), name).sequence;
    xcb_flush(display.get());
    auto atom = display.await<xcb_intern_atom_reply_t>(atomCookie);
    // Nobody ever named the property on this display: no window can carry it.
    if (!atom || atom->atom == XCB_ATOM_NONE) {
        return std::nullopt;
    }
    std::vector<xcb_window_t> level;
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(display.get())); it.rem > 0; xcb_screen_next(&it)) {
        level.push_back(it.data->root);
    }
    for (int depth = 1; depth <= kMaxDepth && !level.empty() && display.usable(); ++depth) {
        level = childrenOf(display, level);
        if (auto found = firstMarked(display, atom->atom, level, marker)) {
            return found;
        }
    }
    return std::nullopt;
}

std::optional<std::uint32_t> FindServerWindow()
{
    return findWindowByUserData(kServerWindowMarker);
}

} // namespace qar
