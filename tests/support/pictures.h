#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/image/bitmap.h"

namespace pelko::test {

// A depth-24 picture whose pixel (x, y) is color(x, y) as 0xRRGGBB.
inline Bitmap makePicture(int width, int height,
                          const std::function<std::uint32_t(int, int)>& color) {
    Bitmap b(width, height, 24);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            b.setPixel32(x, y, color(x, y) & 0xFFFFFF);
        }
    }
    return b;
}

inline Bitmap filledPicture(int width, int height, std::uint32_t rgb) {
    return makePicture(width, height, [rgb](int, int) { return rgb; });
}

// The colour of a pixel as 0xRRGGBB, at any depth.
inline std::uint32_t rgbAt(const Bitmap& b, int x, int y) {
    Rgb c = b.colorAt(x, y);
    return std::uint32_t(c.r) << 16 | c.g << 8 | c.b;
}

// Every pixel as 0xRRGGBB, row by row.
inline std::vector<std::uint32_t> rgbPixels(const Bitmap& b) {
    std::vector<std::uint32_t> out;
    for (int y = 0; y < b.height(); ++y) {
        for (int x = 0; x < b.width(); ++x) {
            out.push_back(rgbAt(b, x, y));
        }
    }
    return out;
}

// Every pixel as 0xAARRGGBB: alpha from depth-32 pictures, 0xFF otherwise.
inline std::vector<std::uint32_t> argbPixels(const Bitmap& b) {
    std::vector<std::uint32_t> out;
    for (int y = 0; y < b.height(); ++y) {
        for (int x = 0; x < b.width(); ++x) {
            std::uint32_t a = b.depth() == 32 ? b.pixel32(x, y) >> 24 : 0xFF;
            out.push_back(a << 24 | rgbAt(b, x, y));
        }
    }
    return out;
}

}  // namespace pelko::test
