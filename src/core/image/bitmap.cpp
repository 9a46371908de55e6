#include "core/image/bitmap.h"

#include <limits>

#include "core/error.h"

namespace pelko {

std::size_t checkedImageSize(long long width, long long height, long long bytesPerPixel) {
    if (width < 0 || height < 0 || bytesPerPixel <= 0) {
        throw Error("Invalid image size");
    }
    constexpr long long limit = kMaxImageBytes;
    if (width > limit || height > limit || (height != 0 && width > limit / height) ||
        (width * height != 0 && bytesPerPixel > limit / (width * height))) {
        throw Error("Out of memory");
    }
    return std::size_t(width * height * bytesPerPixel);
}

Bitmap::Bitmap(int width, int height, int depth) {
    reset(width, height, depth);
}

void Bitmap::reset(int width, int height, int depth) {
    if (depth != 1 && depth != 4 && depth != 8 && depth != 15 && depth != 16 && depth != 24 &&
        depth != 32) {
        throw Error("Invalid pixel format");
    }
    std::size_t size = checkedImageSize(width, height, depth <= 8 ? 1 : 4);
    m_width = width;
    m_height = height;
    m_depth = depth;
    m_pixels.assign(size, 0);
}

Rgb Bitmap::colorAt(int x, int y) const {
    if (indexed()) {
        std::uint8_t i = row(y)[x];
        return i < m_palette.size() ? m_palette[i] : Rgb{};
    }
    const std::uint8_t* p = row(y) + std::size_t(x) * 4;
    return {p[2], p[1], p[0]};
}

Bitmap Bitmap::toDepth24() const {
    Bitmap out(m_width, m_height, 24);
    for (int y = 0; y < m_height; ++y) {
        std::uint8_t* d = out.row(y);
        if (indexed()) {
            const std::uint8_t* s = row(y);
            for (int x = 0; x < m_width; ++x) {
                Rgb c = s[x] < m_palette.size() ? m_palette[s[x]] : Rgb{};
                d[4 * x] = c.b;
                d[4 * x + 1] = c.g;
                d[4 * x + 2] = c.r;
            }
        } else {
            const std::uint8_t* s = row(y);
            for (int x = 0; x < m_width; ++x) {
                d[4 * x] = s[4 * x];
                d[4 * x + 1] = s[4 * x + 1];
                d[4 * x + 2] = s[4 * x + 2];
            }
        }
    }
    out.m_transparent = m_transparent;
    out.m_transparentColor = m_transparentColor;
    return out;
}

}  // namespace pelko
