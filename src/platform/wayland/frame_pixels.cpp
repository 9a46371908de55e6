#include "platform/wayland/frame_pixels.h"

#include <wayland-client-protocol.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "core/error.h"

namespace pelko::wayland {

namespace {

// Formats whose little-endian 32-bit words read 0xXXRRGGBB: the bytes are B, G, R, X, as a
// Bitmap keeps them.
bool bgrxOrder(std::uint32_t format) {
    return format == WL_SHM_FORMAT_XRGB8888 || format == WL_SHM_FORMAT_ARGB8888;
}

// Formats whose words read 0xXXBBGGRR: bytes R, G, B, X.
bool rgbxOrder(std::uint32_t format) {
    return format == WL_SHM_FORMAT_XBGR8888 || format == WL_SHM_FORMAT_ABGR8888;
}

}  // namespace

void requireReadableFormat(std::uint32_t format) {
    if (!bgrxOrder(format) && !rgbxOrder(format)) {
        throw Error(
            "The Wayland compositor offers the screen in a pixel format Pelko cannot read (" +
            std::to_string(format) + ")");
    }
}

void copyFrame(const FramePixels& frame, const Rect& r, Bitmap& target) {
    requireReadableFormat(frame.format);
    if (frame.width <= 0 || frame.height <= 0 || frame.stride < frame.width * 4 ||
        std::size_t(frame.stride) * std::size_t(frame.height) > frame.size) {
        throw Error("The Wayland compositor sent a screen copy of an invalid size");
    }
    const int left = std::max(r.left, 0), right = std::min(r.right, frame.width);
    const int top = std::max(r.top, 0), bottom = std::min(r.bottom, frame.height);
    if (left >= right || top >= bottom) {
        return;
    }
    const bool swap = rgbxOrder(frame.format);
    for (int y = top; y < bottom; ++y) {
        const int sourceRow = frame.yInverted ? frame.height - 1 - y : y;
        const std::uint8_t* in =
            frame.data + std::size_t(sourceRow) * std::size_t(frame.stride) + std::size_t(left) * 4;
        std::uint8_t* out = target.row(y - r.top) + std::size_t(left - r.left) * 4;
        const int n = right - left;
        if (!swap) {
            std::memcpy(out, in, std::size_t(n) * 4);
            for (int x = 0; x < n; ++x) {
                out[x * 4 + 3] = 0;
            }
        } else {
            for (int x = 0; x < n; ++x) {
                out[x * 4] = in[x * 4 + 2];
                out[x * 4 + 1] = in[x * 4 + 1];
                out[x * 4 + 2] = in[x * 4];
                out[x * 4 + 3] = 0;
            }
        }
    }
}

}  // namespace pelko::wayland
