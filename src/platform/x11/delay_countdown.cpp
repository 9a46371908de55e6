#include "platform/x11/delay_countdown.h"

#include <cstdint>
#include <cstring>

namespace pelko::x11 {

namespace {

xcb_atom_t countdownAtom(xcb_connection_t* c) {
    auto reply = waitReply(c, xcb_intern_atom_reply,
                           xcb_intern_atom(c, 0, std::uint16_t(std::strlen(kDelayCountdownAtom)),
                                           kDelayCountdownAtom));
    return reply ? reply->atom : XCB_NONE;
}

}  // namespace

DelayCountdown::DelayCountdown() : m_conn(nullptr), m_atom(countdownAtom(m_conn.get())) {}

DelayCountdown::~DelayCountdown() {
    if (m_atom != XCB_NONE) {
        xcb_delete_property(m_conn.get(), m_conn.root(), m_atom);
        std::free(xcb_get_input_focus_reply(m_conn.get(), xcb_get_input_focus(m_conn.get()),
                                            nullptr));  // sent before the capture starts
    }
}

void DelayCountdown::announce(int secondsLeft) {
    if (m_atom == XCB_NONE) {
        return;
    }
    const std::uint32_t value = std::uint32_t(secondsLeft < 0 ? 0 : secondsLeft);
    xcb_change_property(m_conn.get(), XCB_PROP_MODE_REPLACE, m_conn.root(), m_atom,
                        XCB_ATOM_CARDINAL, 32, 1, &value);
    xcb_flush(m_conn.get());
}

DelayCountdownWatch::DelayCountdownWatch(const Connection& conn)
    : m_conn(conn), m_atom(countdownAtom(conn.get())) {
    xcb_connection_t* c = m_conn.get();
    auto attributes =
        waitReply(c, xcb_get_window_attributes_reply, xcb_get_window_attributes(c, conn.root()));
    const std::uint32_t mask =
        (attributes ? attributes->your_event_mask : 0) | XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(c, conn.root(), XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);
}

std::optional<int> DelayCountdownWatch::handleEvent(const xcb_generic_event_t* event) const {
    if (m_atom == XCB_NONE || (event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY) {
        return std::nullopt;
    }
    const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
    if (notify->window != m_conn.root() || notify->atom != m_atom) {
        return std::nullopt;
    }
    if (notify->state == XCB_PROPERTY_DELETE) {
        return 0;
    }
    xcb_connection_t* c = m_conn.get();
    auto reply = waitReply(c, xcb_get_property_reply,
                           xcb_get_property(c, 0, m_conn.root(), m_atom, XCB_ATOM_CARDINAL, 0, 1));
    if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4) {
        return 0;
    }
    std::uint32_t value = 0;
    std::memcpy(&value, xcb_get_property_value(reply.get()), sizeof value);
    return value > 3600 ? 3600 : int(value);
}

}  // namespace pelko::x11
