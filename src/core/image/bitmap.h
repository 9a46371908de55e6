#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/large_allocator.h"

namespace pelko {

// One palette entry or colour, 8 bits per channel.
struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// A colour stored as 0x00BBGGRR, as settings files and the transparent colour keep it.
using ColorRef = std::uint32_t;
constexpr ColorRef toColorRef(Rgb c) {
    return c.r | (c.g << 8) | (ColorRef(c.b) << 16);
}
constexpr Rgb fromColorRef(ColorRef c) {
    return {std::uint8_t(c & 0xFF), std::uint8_t((c >> 8) & 0xFF), std::uint8_t((c >> 16) & 0xFF)};
}

// An owned raster image.
//
// depth() is the bit depth the image stands for (1, 4, 8, 15, 16, 24 or 32): the depth files
// are written at (15 and 16 are the 5-5-5 and 5-6-5 layouts of 16 bits per pixel that 15- and
// 16-bit displays have). Storage is one of two layouts, chosen by depth:
//  - depth 1, 4, 8: one byte per pixel holding a palette index (palette() has the colours);
//  - depth 15, 16, 24, 32: four bytes per pixel, B, G, R, X in memory order (little-endian
//    0xXXRRGGBB), 8 bits a channel, the X byte 0 except for depth 32, where it is alpha.
// Rows are tightly packed, top row first. A fresh screen copy is marked device-dependent.
class Bitmap {
  public:
    Bitmap() = default;
    // Throws pelko::Error when width * height * bytes per pixel does not fit in memory sizes.
    Bitmap(int width, int height, int depth = 24);

    int width() const { return m_width; }
    int height() const { return m_height; }
    int depth() const { return m_depth; }
    bool empty() const { return m_width == 0 || m_height == 0; }
    bool indexed() const { return m_depth <= 8; }
    int bytesPerPixel() const { return indexed() ? 1 : 4; }
    std::size_t stride() const { return std::size_t(m_width) * bytesPerPixel(); }

    // Resizes to width x height at the given depth; the pixels become 0 (black or index 0).
    void reset(int width, int height, int depth);

    std::uint8_t* row(int y) { return m_pixels.data() + stride() * std::size_t(y); }
    const std::uint8_t* row(int y) const { return m_pixels.data() + stride() * std::size_t(y); }
    std::uint8_t* data() { return m_pixels.data(); }
    const std::uint8_t* data() const { return m_pixels.data(); }
    std::size_t byteSize() const { return m_pixels.size(); }

    // 32-bit pixel access (depth 24 and 32): 0xXXRRGGBB.
    std::uint32_t pixel32(int x, int y) const {
        const std::uint8_t* p = row(y) + std::size_t(x) * 4;
        return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24);
    }
    void setPixel32(int x, int y, std::uint32_t v) {
        std::uint8_t* p = row(y) + std::size_t(x) * 4;
        p[0] = v & 0xFF;
        p[1] = (v >> 8) & 0xFF;
        p[2] = (v >> 16) & 0xFF;
        p[3] = (v >> 24) & 0xFF;
    }
    // The colour of a pixel at any depth.
    Rgb colorAt(int x, int y) const;

    const std::vector<Rgb>& palette() const { return m_palette; }
    void setPalette(std::vector<Rgb> palette) { m_palette = std::move(palette); }

    bool deviceDependent() const { return m_deviceDependent; }
    void setDeviceDependent(bool v) { m_deviceDependent = v; }

    bool transparent() const { return m_transparent; }
    ColorRef transparentColor() const { return m_transparentColor; }
    void setTransparent(bool on, ColorRef color) {
        m_transparent = on;
        m_transparentColor = color;
    }

    // A copy converted to depth 24 (palette indices looked up), used by encoders that need RGB.
    Bitmap toDepth24() const;

  private:
    int m_width = 0;
    int m_height = 0;
    int m_depth = 24;
    std::vector<std::uint8_t, LargeAllocator<std::uint8_t>> m_pixels;
    std::vector<Rgb> m_palette;
    bool m_deviceDependent = false;
    bool m_transparent = false;
    ColorRef m_transparentColor = 0;
};

// The most bytes an image may take (2 GiB): each side and the product of the sizes stay below
// what a 32-bit row offset or a sane allocation can hold.
inline constexpr long long kMaxImageBytes = 1LL << 31;

// Checked width * height * bytesPerPixel; throws pelko::Error ("Out of memory") past
// kMaxImageBytes, and on negative sizes.
std::size_t checkedImageSize(long long width, long long height, long long bytesPerPixel);

}  // namespace pelko
