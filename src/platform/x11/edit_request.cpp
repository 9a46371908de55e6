#include "platform/x11/edit_request.h"

#include <cstring>

namespace pelko::x11 {

namespace {

xcb_atom_t internAtom(xcb_connection_t* c, const char* name) {
    auto reply = waitReply(c, xcb_intern_atom_reply,
                           xcb_intern_atom(c, 0, std::uint16_t(std::strlen(name)), name));
    return reply ? reply->atom : XCB_NONE;
}

// Requests larger than this are cut off by the reader: far more paths than a command line holds.
constexpr std::uint32_t kMaxRequestWords = 1 << 20;

}  // namespace

bool sendEditRequest(const std::vector<std::string>& paths) {
    Connection conn(nullptr);
    xcb_connection_t* c = conn.get();
    const xcb_atom_t owner = internAtom(c, kEditorOwnerAtom);
    const xcb_atom_t request = internAtom(c, kEditRequestAtom);
    if (owner == XCB_NONE || request == XCB_NONE) {
        return false;
    }
    auto current = waitReply(c, xcb_get_selection_owner_reply, xcb_get_selection_owner(c, owner));
    if (!current || current->owner == XCB_NONE) {
        return false;
    }
    std::string data;
    for (const std::string& p : paths) {
        data += p;
        data += '\0';
    }
    xcb_change_property(c, XCB_PROP_MODE_APPEND, conn.root(), request, XCB_ATOM_STRING, 8,
                        std::uint32_t(data.size()), data.data());
    // Delivered before the command ends.
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    return true;
}

EditRequestWatch::EditRequestWatch(const Connection& conn)
    : m_conn(conn), m_request(internAtom(conn.get(), kEditRequestAtom)) {
    xcb_connection_t* c = m_conn.get();
    const xcb_atom_t owner = internAtom(c, kEditorOwnerAtom);
    if (owner == XCB_NONE || m_request == XCB_NONE) {
        return;
    }
    m_owner = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, m_owner, conn.root(), -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_set_selection_owner(c, m_owner, owner, XCB_CURRENT_TIME);
    auto attributes =
        waitReply(c, xcb_get_window_attributes_reply, xcb_get_window_attributes(c, conn.root()));
    const std::uint32_t mask =
        (attributes ? attributes->your_event_mask : 0) | XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(c, conn.root(), XCB_CW_EVENT_MASK, &mask);
    // A request left by a command whose tray program ended is not replayed.
    xcb_delete_property(c, conn.root(), m_request);
    xcb_flush(c);
}

EditRequestWatch::~EditRequestWatch() {
    if (m_owner != XCB_NONE) {
        xcb_destroy_window(m_conn.get(), m_owner);
        xcb_flush(m_conn.get());
    }
}

std::optional<std::vector<std::string>> EditRequestWatch::handleEvent(
    const xcb_generic_event_t* event) const {
    if (m_owner == XCB_NONE || (event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY) {
        return std::nullopt;
    }
    const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
    if (notify->window != m_conn.root() || notify->atom != m_request ||
        notify->state != XCB_PROPERTY_NEW_VALUE) {
        return std::nullopt;
    }
    xcb_connection_t* c = m_conn.get();
    auto reply = waitReply(
        c, xcb_get_property_reply,
        xcb_get_property(c, 1, m_conn.root(), m_request, XCB_ATOM_STRING, 0, kMaxRequestWords));
    if (!reply || reply->format != 8) {
        return std::nullopt;
    }
    const auto* bytes = static_cast<const char*>(xcb_get_property_value(reply.get()));
    const std::string data(bytes, std::size_t(xcb_get_property_value_length(reply.get())));
    std::vector<std::string> paths;
    std::size_t start = 0;
    for (std::size_t end; (end = data.find('\0', start)) != std::string::npos; start = end + 1) {
        if (end > start) {
            paths.push_back(data.substr(start, end - start));
        }
    }
    if (paths.empty()) {
        return std::nullopt;
    }
    return paths;
}

}  // namespace pelko::x11
