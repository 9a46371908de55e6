#pragma once

#include "core/capture/window_locator.h"

namespace pelko {

class WaylandScreen;

// The windows of a Wayland session as its compositor's IPC tells them, for the object
// selector.
//
// Wayland gives no client the pointer's position on the desktop: the selector passes where the
// pointer was released over its frozen picture, and the window is cut from that picture.
class CompositorWindowLocator final : public WindowLocator {
  public:
    // screen: a screen whose compositor tells its windows (it outlives this locator); the
    // windows of process ownPid (the selector's overlay) are passed over.
    CompositorWindowLocator(WaylandScreen& screen, long long ownPid)
        : m_screen(screen), m_ownPid(ownPid) {}

    // Wayland does not tell it: the top-left corner of the screen.
    Point pointerPosition() override { return {0, 0}; }
    // The topmost window on show at p, else the whole screen. skip holds X11 window ids,
    // which Wayland has none of: the overlay is recognised by its process.
    Rect windowRectAt(Point p, std::span<const std::uint32_t> skip) override;
    bool pointerFromFrozenPicture() const override { return true; }

  private:
    WaylandScreen& m_screen;
    long long m_ownPid;
};

}  // namespace pelko
