#include "platform/wayland/window_stack.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace pelko::wayland {

namespace {

// A layout coordinate as a pixel edge of the output: the compositor puts window edges on the
// nearest pixel.
int toPixel(int layout, int origin, double scale, int size) {
    const double pixel = std::round((double(layout) - origin) * scale);
    return int(std::clamp(pixel, 0.0, double(size)));
}

int clampToInt(long long v) {
    return int(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

// The output's scale; 1 for a scale no output has.
double usableScale(const OutputPlacement& output) {
    return std::isfinite(output.scale) && output.scale > 0 ? output.scale : 1;
}

}  // namespace

Rect rectAt(long long x, long long y, long long width, long long height) {
    return {clampToInt(x), clampToInt(y), clampToInt(x + width), clampToInt(y + height)};
}

std::vector<Rect> topmostFirst(std::vector<StackedWindow> windows) {
    std::stable_sort(windows.begin(), windows.end(),
                     [](const StackedWindow& a, const StackedWindow& b) {
                         return a.layer != b.layer ? a.layer < b.layer : a.recency < b.recency;
                     });
    std::vector<Rect> rects;
    for (const StackedWindow& w : windows) {
        if (w.rect.left < w.rect.right && w.rect.top < w.rect.bottom) {
            rects.push_back(w.rect);
        }
    }
    return rects;
}

std::optional<Rect> onOutput(const Rect& layout, const OutputPlacement& output) {
    const double scale = usableScale(output);
    const Rect r{toPixel(layout.left, output.x, scale, output.width),
                 toPixel(layout.top, output.y, scale, output.height),
                 toPixel(layout.right, output.x, scale, output.width),
                 toPixel(layout.bottom, output.y, scale, output.height)};
    if (r.left >= r.right || r.top >= r.bottom) {
        return std::nullopt;
    }
    return r;
}

std::optional<Rect> windowAtPixel(const std::vector<Rect>& windows, Point p,
                                  const OutputPlacement& output) {
    const double scale = usableScale(output);
    // The middle of the pixel, in layout coordinates.
    const double x = output.x + (p.x + 0.5) / scale, y = output.y + (p.y + 0.5) / scale;
    for (const Rect& w : windows) {
        if (x >= w.left && x < w.right && y >= w.top && y < w.bottom) {
            if (auto r = onOutput(w, output)) {
                return r;
            }
        }
    }
    return std::nullopt;
}

}  // namespace pelko::wayland
