#pragma once

#include <optional>
#include <vector>

#include "core/capture/screen.h"
#include "core/capture/selection.h"

namespace pelko::wayland {

// Where a window lies in the compositor's stack: full-screen windows above floating ones, and
// floating ones above tiled ones.
enum class WindowLayer { FullScreen, Floating, Tiled };

// One window on show as a compositor tells it.
struct StackedWindow {
    Rect rect;  // in the compositor's layout coordinates
    WindowLayer layer = WindowLayer::Tiled;
    long long recency = 0;  // within a layer, the lower lies higher
};

// The rectangle at (x, y) of width x height, cut to the range of coordinates.
Rect rectAt(long long x, long long y, long long width, long long height);

// The rectangles of windows, the topmost first: by layer, then by recency; windows of equal
// rank keep their order. Windows without area are left out.
std::vector<Rect> topmostFirst(std::vector<StackedWindow> windows);

// Where the screen, one output of the compositor, lies in its layout.
struct OutputPlacement {
    int x = 0, y = 0;           // the layout position of its top-left corner
    double scale = 1;           // its pixels per layout unit
    int width = 0, height = 0;  // its size in pixels
};

// A rectangle in layout coordinates as the output's pixels (screen coordinates), cut to the
// output; none when no part of it lies on the output.
std::optional<Rect> onOutput(const Rect& layout, const OutputPlacement& output);

// The topmost of windows (topmost first, in layout coordinates) that covers the output's pixel
// p, in screen coordinates and cut to the output; none over the bare desktop.
std::optional<Rect> windowAtPixel(const std::vector<Rect>& windows, Point p,
                                  const OutputPlacement& output);

}  // namespace pelko::wayland
