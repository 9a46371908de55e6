#pragma once

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <type_traits>

namespace pelko::x11 {

// xcb replies are malloc'ed; they live in a Reply and are freed with free().
struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <class T>
using Reply = std::unique_ptr<T, FreeDeleter>;

// Waits for the reply to a request. An error reply is taken and dropped here, so that it never
// reaches an event queue (Qt would log it); a failed request gives an empty Reply.
template <class ReplyFn, class Cookie>
auto waitReply(xcb_connection_t* c, ReplyFn replyFn, Cookie cookie) {
    xcb_generic_error_t* error = nullptr;
    auto* r = replyFn(c, cookie, &error);
    std::free(error);
    return Reply<std::remove_pointer_t<decltype(r)>>(r);
}

// A connection to an X server: either opened here and closed on destruction, or borrowed from
// its owner (the Qt application), who keeps it open longer than this object lives.
class Connection {
  public:
    // Opens the display; nullptr means $DISPLAY. Throws pelko::Error when that fails.
    explicit Connection(const char* displayName);
    // Borrows an open connection and uses the given screen of it.
    Connection(xcb_connection_t* borrowed, int screenNumber);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    xcb_connection_t* get() const { return m_conn; }
    const xcb_screen_t& screen() const { return *m_screen; }
    xcb_window_t root() const { return m_screen->root; }

    // Throws pelko::Error when the connection has broken down (server gone, protocol error).
    void checkAlive() const;

  private:
    void selectScreen(int screenNumber);

    xcb_connection_t* m_conn = nullptr;
    bool m_owned = false;
    const xcb_screen_t* m_screen = nullptr;
};

}  // namespace pelko::x11
