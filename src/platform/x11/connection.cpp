#include "platform/x11/connection.h"

#include <string>

#include "core/error.h"

namespace pelko::x11 {

Connection::Connection(const char* displayName) : m_owned(true) {
    int screenNumber = 0;
    m_conn = xcb_connect(displayName, &screenNumber);
    if (xcb_connection_has_error(m_conn)) {
        xcb_disconnect(m_conn);
        const char* shown = displayName ? displayName : std::getenv("DISPLAY");
        throw Error(formatMessage("Cannot open the X display \"%s\"", {shown ? shown : ""}));
    }
    try {
        selectScreen(screenNumber);
    } catch (...) {
        xcb_disconnect(m_conn);
        throw;
    }
}

Connection::Connection(xcb_connection_t* borrowed, int screenNumber) : m_conn(borrowed) {
    if (!m_conn || xcb_connection_has_error(m_conn)) {
        throw Error("The connection to the X display is not usable");
    }
    selectScreen(screenNumber);
}

Connection::~Connection() {
    if (m_owned) {
        xcb_disconnect(m_conn);
    }
}

void Connection::selectScreen(int screenNumber) {
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(m_conn));
    for (int i = 0; it.rem > 0; ++i, xcb_screen_next(&it)) {
        if (i == screenNumber) {
            m_screen = it.data;
            return;
        }
    }
    throw Error(formatMessage("The X display has no screen %s", {std::to_string(screenNumber)}));
}

void Connection::checkAlive() const {
    if (xcb_connection_has_error(m_conn)) {
        throw Error("The connection to the X display was lost");
    }
}

}  // namespace pelko::x11
