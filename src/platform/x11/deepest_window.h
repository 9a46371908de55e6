#pragma once

#include <xcb/xcb.h>

#include <memory>

#include "core/capture/window_locator.h"
#include "platform/x11/connection.h"
#include "platform/x11/primary_output.h"

namespace pelko {

// The window under a point of an X11 display, found by walking down the window tree from the
// root: at each level the topmost viewable InputOutput child that holds the point. Inside a
// window manager's frame, the client window (the one carrying WM_STATE) is entered and its
// deepest child taken; a point on the frame's own parts gives the whole frame.
class X11WindowLocator final : public WindowLocator {
  public:
    // Opens its own connection (nullptr: $DISPLAY).
    explicit X11WindowLocator(const char* displayName = nullptr);
    // Uses a connection that stays owned by the caller and outlives this object.
    X11WindowLocator(xcb_connection_t* connection, int screenNumber);
    ~X11WindowLocator() override;

    Point pointerPosition() override;
    Rect windowRectAt(Point p, std::span<const std::uint32_t> skip) override;

  private:
    x11::Connection m_conn;
    std::unique_ptr<x11::PrimaryOutput> m_primary;
    xcb_atom_t m_wmState = XCB_NONE;
};

}  // namespace pelko
