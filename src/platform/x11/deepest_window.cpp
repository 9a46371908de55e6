#include "platform/x11/deepest_window.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

namespace pelko {

namespace {

// A window's outer rectangle (border included) on the root window.
struct Found {
    xcb_window_t window = XCB_NONE;
    x11::RootArea outer;
};

}  // namespace

X11WindowLocator::X11WindowLocator(const char* displayName) : m_conn(displayName) {
    m_primary = std::make_unique<x11::PrimaryOutput>(m_conn.get(), m_conn.screen());
    const char name[] = "WM_STATE";
    auto atom = x11::waitReply(m_conn.get(), xcb_intern_atom_reply,
                               xcb_intern_atom(m_conn.get(), 1, sizeof name - 1, name));
    m_wmState = atom ? atom->atom : XCB_NONE;
}

X11WindowLocator::X11WindowLocator(xcb_connection_t* connection, int screenNumber)
    : m_conn(connection, screenNumber) {
    m_primary = std::make_unique<x11::PrimaryOutput>(m_conn.get(), m_conn.screen());
    const char name[] = "WM_STATE";
    auto atom = x11::waitReply(m_conn.get(), xcb_intern_atom_reply,
                               xcb_intern_atom(m_conn.get(), 1, sizeof name - 1, name));
    m_wmState = atom ? atom->atom : XCB_NONE;
}

X11WindowLocator::~X11WindowLocator() = default;

Point X11WindowLocator::pointerPosition() {
    const x11::RootArea primary = m_primary->layout().primary;
    auto reply = x11::waitReply(m_conn.get(), xcb_query_pointer_reply,
                                xcb_query_pointer(m_conn.get(), m_conn.root()));
    if (!reply) {
        return {};
    }
    return {reply->root_x - primary.x, reply->root_y - primary.y};
}

Rect X11WindowLocator::windowRectAt(Point p, std::span<const std::uint32_t> skip) {
    xcb_connection_t* c = m_conn.get();
    const x11::ScreenLayout layout = m_primary->layout();
    const int px = p.x + layout.primary.x;
    const int py = p.y + layout.primary.y;

    // The topmost viewable InputOutput child of `parent` (at `origin` on the root) holding the
    // point; the children are asked together, one round trip for each kind of request.
    auto childAt = [&](xcb_window_t parent, int originX, int originY) -> std::optional<Found> {
        auto tree = x11::waitReply(c, xcb_query_tree_reply, xcb_query_tree(c, parent));
        if (!tree) {
            return std::nullopt;
        }
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        const int count = xcb_query_tree_children_length(tree.get());
        std::vector<xcb_get_window_attributes_cookie_t> attrs(static_cast<std::size_t>(count));
        std::vector<xcb_get_geometry_cookie_t> geoms(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) {
            attrs[std::size_t(i)] = xcb_get_window_attributes(c, children[i]);
            geoms[std::size_t(i)] = xcb_get_geometry(c, children[i]);
        }
        std::optional<Found> hit;
        // Children come bottom first: the last one holding the point is the topmost.
        for (int i = 0; i < count; ++i) {
            auto a = x11::waitReply(c, xcb_get_window_attributes_reply, attrs[std::size_t(i)]);
            auto g = x11::waitReply(c, xcb_get_geometry_reply, geoms[std::size_t(i)]);
            if (!a || !g || a->map_state != XCB_MAP_STATE_VIEWABLE ||
                a->_class != XCB_WINDOW_CLASS_INPUT_OUTPUT ||
                std::find(skip.begin(), skip.end(), children[i]) != skip.end()) {
                continue;
            }
            const int border = g->border_width;
            const x11::RootArea outer{originX + g->x, originY + g->y, g->width + 2 * border,
                                      g->height + 2 * border};
            if (px >= outer.x && py >= outer.y && px < outer.x + outer.width &&
                py < outer.y + outer.height) {
                hit = Found{children[i], outer};
            }
        }
        return hit;
    };
    auto isClient = [&](xcb_window_t w) {
        auto prop =
            x11::waitReply(c, xcb_get_property_reply,
                           xcb_get_property(c, 0, w, m_wmState, XCB_GET_PROPERTY_TYPE_ANY, 0, 0));
        return prop && prop->type != XCB_NONE;
    };

    std::optional<Found> topLevel = childAt(m_conn.root(), 0, 0);
    if (!topLevel) {
        return {0, 0, layout.primary.width, layout.primary.height};  // the desktop
    }
    // Down through the frame: its client window is entered; frame parts end the walk at the
    // frame itself.
    Found deepest = *topLevel;
    bool inClient = isClient(topLevel->window);
    for (int depth = 0; depth < 64; ++depth) {
        // A child's position is relative to its parent's inside, past the parent's border.
        auto g = x11::waitReply(c, xcb_get_geometry_reply, xcb_get_geometry(c, deepest.window));
        const int border = g ? g->border_width : 0;
        std::optional<Found> next =
            childAt(deepest.window, deepest.outer.x + border, deepest.outer.y + border);
        if (!next) {
            break;
        }
        if (!inClient) {
            if (!isClient(next->window)) {
                // A part of the frame (title bar, edge) or a frame container: keep looking
                // for the client below it, else the whole frame stands.
                std::optional<Found> below = next;
                bool found = false;
                while (below) {
                    if (isClient(below->window)) {
                        found = true;
                        break;
                    }
                    auto bg = x11::waitReply(c, xcb_get_geometry_reply,
                                             xcb_get_geometry(c, below->window));
                    const int b = bg ? bg->border_width : 0;
                    below = childAt(below->window, below->outer.x + b, below->outer.y + b);
                }
                if (!found) {
                    break;
                }
                next = below;
            }
            inClient = true;
        }
        deepest = *next;
    }
    if (!inClient) {
        deepest = *topLevel;
    }
    const x11::RootArea& o = deepest.outer;
    return {o.x - layout.primary.x, o.y - layout.primary.y, o.x - layout.primary.x + o.width,
            o.y - layout.primary.y + o.height};
}

}  // namespace pelko
