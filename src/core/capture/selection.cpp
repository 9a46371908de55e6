#include "core/capture/selection.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace pelko {

Rect normalizeRect(Point a, Point b) {
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

std::optional<Rect> dragSelection(Point press, Point release) {
    if (press.x == release.x || press.y == release.y) {
        return std::nullopt;
    }
    return normalizeRect(press, release);
}

std::string selectionInfoText(const Rect& info) {
    return "x: " + std::to_string(info.left) + "\ny: " + std::to_string(info.top) + "\n" +
           std::to_string(std::abs(info.right - info.left)) + " x " +
           std::to_string(std::abs(info.bottom - info.top)) + " pixels";
}

Point selectionInfoAnchor(const Rect& info, Point pointer, int lineHeight) {
    if (info.left < info.right && info.top < info.bottom) {
        return {pointer.x, pointer.y + lineHeight + 2};
    }
    return {std::max(info.right, info.left), std::max(info.bottom, info.top) + lineHeight + 2};
}

Bitmap copyArea(const Bitmap& source, const Rect& r) {
    Bitmap out(std::max(r.width(), 0), std::max(r.height(), 0), source.depth());
    out.setPalette(source.palette());
    out.setDeviceDependent(source.deviceDependent());
    const int left = std::max(r.left, 0);
    const int right = std::min(r.right, source.width());
    const int top = std::max(r.top, 0);
    const int bottom = std::min(r.bottom, source.height());
    if (left >= right || top >= bottom) {
        return out;
    }
    const std::size_t bpp = std::size_t(source.bytesPerPixel());
    for (int y = top; y < bottom; ++y) {
        std::memcpy(out.row(y - r.top) + std::size_t(left - r.left) * bpp,
                    source.row(y) + std::size_t(left) * bpp, std::size_t(right - left) * bpp);
    }
    return out;
}

std::optional<Rect> regionWithArea(const Rect& r) {
    const Rect ordered = normalizeRect({r.left, r.top}, {r.right, r.bottom});
    if (ordered.width() == 0 || ordered.height() == 0) {
        return std::nullopt;
    }
    return ordered;
}

std::string geometryText(const Rect& r) {
    auto corner = [](int v) { return (v < 0 ? "" : "+") + std::to_string(v); };
    return std::to_string(r.width()) + "x" + std::to_string(r.height()) + corner(r.left) +
           corner(r.top);
}

}  // namespace pelko
