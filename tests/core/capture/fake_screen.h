#pragma once

#include "core/capture/screen.h"

namespace pelko::test {

// A display whose pixel (x, y) is 0x00RRGGBB = pixelAt(x, y), with a settable pointer.
class FakeScreen : public Screen {
  public:
    static std::uint32_t pixelAt(int x, int y) {
        return std::uint32_t((x * 7) << 8 | (y * 3)) & 0xFFFFFF;
    }

    Rect screenRect() override { return {0, 0, width, height}; }
    std::optional<std::vector<Rgb>> systemPalette() override { return palette; }
    void copyRect(Bitmap& target, const Rect& r) override {
        ++copies;
        target.reset(r.width(), r.height(), 24);
        for (int y = 0; y < r.height(); ++y) {
            for (int x = 0; x < r.width(); ++x) {
                int sx = r.left + x, sy = r.top + y;
                bool on = sx >= 0 && sy >= 0 && sx < width && sy < height;
                target.setPixel32(x, y, on ? pixelAt(sx, sy) : 0);
            }
        }
        target.setDeviceDependent(true);
    }
    std::optional<Rect> activeWindowRect() override { return active; }
    std::optional<PointerImage> pointer() override { return cursor; }

    int width = 64, height = 48;
    int copies = 0;
    std::optional<std::vector<Rgb>> palette;
    std::optional<Rect> active;
    std::optional<PointerImage> cursor;
};

// A 3 x 3 opaque white pointer with its hotspot in the middle.
inline PointerImage whitePointer(int x, int y) {
    PointerImage p;
    p.x = x;
    p.y = y;
    p.xhot = 1;
    p.yhot = 1;
    p.width = 3;
    p.height = 3;
    p.argb.assign(9, 0xFFFFFFFFu);
    return p;
}

}  // namespace pelko::test
