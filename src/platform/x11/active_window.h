#pragma once

#include <xcb/xcb.h>

#include <functional>
#include <optional>
#include <span>
#include <utility>

#include "platform/x11/copy_plan.h"

namespace pelko::x11 {

// The window the user works in, as the window manager sees it.
struct ActiveWindow {
    xcb_window_t window = XCB_NONE;    // the active (focused) window
    xcb_window_t topLevel = XCB_NONE;  // the child of the root holding it: the manager's frame
    RootArea outer;                    // topLevel's outer rectangle, X border included
    bool own = false;  // window or one of its ancestors is among the windows named as our own
};

// The child of the root that holds window (the window manager's frame, or the window itself
// when it is unmanaged) and its outer rectangle, X border included; none when window is not a
// window of this screen (gone, never existed, the root). visit sees each window on the way up.
std::optional<std::pair<xcb_window_t, RootArea>> topLevelFrame(
    xcb_connection_t* c, xcb_window_t root, xcb_window_t window,
    const std::function<void(xcb_window_t)>& visit = {});

// Finds the active window: _NET_ACTIVE_WINDOW of the root when the window manager keeps it
// (EWMH), else the input focus. None when no window is active (None, PointerRoot, the root) or
// the window is gone.
class ActiveWindowFinder {
  public:
    ActiveWindowFinder(xcb_connection_t* c, xcb_window_t root);

    std::optional<ActiveWindow> find(std::span<const xcb_window_t> ownWindows) const;

  private:
    // The active window; XCB_NONE when there is none.
    xcb_window_t activeWindow() const;

    xcb_connection_t* m_conn;
    xcb_window_t m_root;
    xcb_atom_t m_netActiveWindow = XCB_NONE;
};

}  // namespace pelko::x11
