#pragma once

#include <cstdint>
#include <span>

#include "core/capture/screen.h"
#include "core/capture/selection.h"

namespace pelko {

// Windows on the display, for the object selector. Implemented by the platform layer.
class WindowLocator {
  public:
    virtual ~WindowLocator() = default;

    // The pointer's position in screen coordinates.
    virtual Point pointerPosition() = 0;

    // The outer rectangle (border included), in screen coordinates, of the deepest visible
    // window at p: a control that is a window of its own rather than its top-level window;
    // the window manager's whole frame when p lies on the frame (its title bar, its edges);
    // the whole screen over the desktop background. The windows in `skip` (and everything in
    // them) are passed over.
    virtual Rect windowRectAt(Point p, std::span<const std::uint32_t> skip) = 0;

    // Whether the selector looks up the window where the pointer was released over its frozen
    // picture and cuts it from that picture (the display tells no pointer position and its
    // overlay cannot be taken away before a fresh copy), rather than asking pointerPosition()
    // and copying the screen as it is once the overlay is gone.
    virtual bool pointerFromFrozenPicture() const { return false; }
};

}  // namespace pelko
