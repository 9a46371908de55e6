#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/image/bitmap.h"

namespace pelko {

// A rectangle in screen coordinates (origin at the primary display's top-left corner);
// right and bottom are exclusive.
struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// The pointer as the display shows it now.
struct PointerImage {
    int x = 0, y = 0;        // position in screen coordinates
    int xhot = 0, yhot = 0;  // hotspot within the image
    int width = 0, height = 0;
    std::vector<std::uint32_t> argb;  // premultiplied 0xAARRGGBB, width * height, top row first
};

// What the capture sources need of the display. Implemented by the platform layer.
class Screen {
  public:
    virtual ~Screen() = default;

    // The primary display's rectangle: (0, 0, W, H).
    virtual Rect screenRect() = 0;

    // The display's palette when its visual is palette-based (at most 256 entries), else none.
    virtual std::optional<std::vector<Rgb>> systemPalette() = 0;

    // Resizes target to r's size at the display's depth (8 on palette displays, else 24),
    // keeping its palette, and fills it with what the screen shows in r. Parts of r outside
    // the screen are black (index 0 on palette displays). The result is device-dependent.
    virtual void copyRect(Bitmap& target, const Rect& r) = 0;

    // The outer rectangle (frame included) of the window the user works in; the whole screen
    // when that is one of our own tray windows; none when no window is active.
    virtual std::optional<Rect> activeWindowRect() = 0;

    // The current pointer, or none when it is hidden or has no visible pixel.
    virtual std::optional<PointerImage> pointer() = 0;
};

}  // namespace pelko
