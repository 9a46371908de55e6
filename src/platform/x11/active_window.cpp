#include "platform/x11/active_window.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <utility>

#include "platform/x11/connection.h"

namespace pelko::x11 {

namespace {

constexpr char kNetActiveWindow[] = "_NET_ACTIVE_WINDOW";
// Window trees are shallow; the limit only guards against a server that answers nonsense.
constexpr int kMaxTreeDepth = 256;

}  // namespace

std::optional<std::pair<xcb_window_t, RootArea>> topLevelFrame(
    xcb_connection_t* c, xcb_window_t root, xcb_window_t window,
    const std::function<void(xcb_window_t)>& visit) {
    // Walk up to the child of the root that holds the window.
    xcb_window_t w = window;
    for (int depth = 0;; ++depth) {
        if (visit) {
            visit(w);
        }
        auto tree = waitReply(c, xcb_query_tree_reply, xcb_query_tree(c, w));
        if (!tree || tree->root != root || depth == kMaxTreeDepth) {
            return std::nullopt;  // gone meanwhile, or on another screen
        }
        if (tree->parent == root) {
            break;
        }
        w = tree->parent;
    }
    auto geometry = waitReply(c, xcb_get_geometry_reply, xcb_get_geometry(c, w));
    if (!geometry) {
        return std::nullopt;
    }
    // x and y are the outer corner; width and height leave out the border on both sides.
    int border = 2 * geometry->border_width;
    return std::pair{
        w, RootArea{geometry->x, geometry->y, geometry->width + border, geometry->height + border}};
}

ActiveWindowFinder::ActiveWindowFinder(xcb_connection_t* c, xcb_window_t root)
    : m_conn(c), m_root(root) {
    auto atom = waitReply(
        c, xcb_intern_atom_reply,
        xcb_intern_atom(c, 0, std::uint16_t(std::strlen(kNetActiveWindow)), kNetActiveWindow));
    if (atom) {
        m_netActiveWindow = atom->atom;
    }
}

xcb_window_t ActiveWindowFinder::activeWindow() const {
    if (m_netActiveWindow != XCB_NONE) {
        auto prop = waitReply(
            m_conn, xcb_get_property_reply,
            xcb_get_property(m_conn, 0, m_root, m_netActiveWindow, XCB_ATOM_WINDOW, 0, 1));
        // A window manager that keeps the property has the last word, None included.
        if (prop && prop->type == XCB_ATOM_WINDOW && prop->format == 32 &&
            xcb_get_property_value_length(prop.get()) >= 4) {
            xcb_window_t w;
            std::memcpy(&w, xcb_get_property_value(prop.get()), 4);
            return w;
        }
    }
    auto focus = waitReply(m_conn, xcb_get_input_focus_reply, xcb_get_input_focus(m_conn));
    if (!focus || focus->focus == XCB_INPUT_FOCUS_POINTER_ROOT) {
        return XCB_NONE;
    }
    return focus->focus;
}

std::optional<ActiveWindow> ActiveWindowFinder::find(
    std::span<const xcb_window_t> ownWindows) const {
    ActiveWindow result;
    result.window = activeWindow();
    if (result.window == XCB_NONE || result.window == m_root) {
        return std::nullopt;
    }
    auto isOwn = [&](xcb_window_t w) {
        return std::find(ownWindows.begin(), ownWindows.end(), w) != ownWindows.end();
    };
    auto frame = topLevelFrame(m_conn, m_root, result.window,
                               [&](xcb_window_t w) { result.own = result.own || isOwn(w); });
    if (!frame) {
        return std::nullopt;
    }
    result.topLevel = frame->first;
    result.outer = frame->second;
    return result;
}

}  // namespace pelko::x11
