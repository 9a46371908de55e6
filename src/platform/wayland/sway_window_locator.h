#pragma once

#include <string>

#include "core/capture/window_locator.h"

namespace pelko {

// The windows of a sway session as its IPC socket tells them, for the object selector.
//
// Wayland gives no client the pointer's position on the desktop: the selector passes where the
// pointer was released over its frozen picture, and the window is cut from that picture.
class SwayWindowLocator final : public WindowLocator {
  public:
    // socketPath: $SWAYSOCK; screen: the primary output's rectangle in sway's layout
    // coordinates (screen coordinates are relative to its top-left corner); the windows of
    // process ownPid (the selector's overlay) are passed over.
    SwayWindowLocator(std::string socketPath, Rect screen, long long ownPid);

    // Wayland does not tell it: the top-left corner of the screen.
    Point pointerPosition() override { return {0, 0}; }
    // The topmost window on show at p, else the whole screen. skip holds X11 window ids,
    // which Wayland has none of: the overlay is recognised by its process.
    Rect windowRectAt(Point p, std::span<const std::uint32_t> skip) override;
    bool pointerFromFrozenPicture() const override { return true; }

  private:
    std::string m_socketPath;
    Rect m_screen;
    long long m_ownPid;
};

}  // namespace pelko
