#include "core/image/watermark.h"

#include <algorithm>

#include "core/image/palette_match.h"

namespace pelko {

namespace {

// side * percent / 100 with the 32-bit product of the settings' integer arithmetic.
long long percentOf(int side, int percent) {
    return std::int32_t(std::uint32_t(side) * std::uint32_t(percent)) / 100;
}

// One stamp pixel: its colour and alpha.
struct StampPixel {
    Rgb color;
    std::uint8_t alpha;
};

StampPixel stampPixel(const Bitmap& stamp, int x, int y) {
    if (stamp.depth() == 32) {
        const std::uint8_t* p = stamp.row(y) + 4 * std::size_t(x);
        return {Rgb{p[2], p[1], p[0]}, p[3]};
    }
    return {stamp.colorAt(x, y), 255};
}

std::uint8_t blend(int over, int under, int alpha) {
    return std::uint8_t((over * alpha + under * (255 - alpha) + 127) / 255);
}

}  // namespace

StampOrigin watermarkOrigin(int targetWidth, int targetHeight, int stampWidth, int stampHeight,
                            const WatermarkPlacement& p) {
    const long long dx =
        p.horizontalUnit == kWatermarkPercent ? percentOf(targetWidth, p.left) : p.left;
    const long long dy =
        p.verticalUnit == kWatermarkPercent ? percentOf(targetHeight, p.top) : p.top;
    const long long right = (long long)targetWidth - dx - stampWidth;
    const long long bottom = (long long)targetHeight - dy - stampHeight;
    switch (p.direction) {
        case kWatermarkBottomLeft:
            return {dx, bottom};
        case kWatermarkBottomRight:
            return {right, bottom};
        case kWatermarkTopRight:
            return {right, dy};
        default:
            return {dx, dy};
    }
}

StampKey stampTransparentKey(const Bitmap& stamp) {
    if (stamp.depth() == 1) {
        return {Rgb{255, 255, 255}, 255};
    }
    if (stamp.empty()) {
        return {};
    }
    StampPixel p = stampPixel(stamp, 0, stamp.height() - 1);
    return {p.color, p.alpha};
}

void drawWatermark(Bitmap& target, const Bitmap& stamp, const WatermarkPlacement& placement) {
    const StampOrigin origin =
        watermarkOrigin(target.width(), target.height(), stamp.width(), stamp.height(), placement);
    // The overlap, in stamp coordinates.
    const long long x0 = std::max(0LL, -origin.x), y0 = std::max(0LL, -origin.y);
    const long long x1 = std::min<long long>(stamp.width(), target.width() - origin.x);
    const long long y1 = std::min<long long>(stamp.height(), target.height() - origin.y);
    if (x0 >= x1 || y0 >= y1) {
        return;
    }
    const StampKey key = stampTransparentKey(stamp);
    PaletteMatcher matcher(target.palette());
    for (long long sy = y0; sy < y1; ++sy) {
        const int ty = int(origin.y + sy);
        for (long long sx = x0; sx < x1; ++sx) {
            const int tx = int(origin.x + sx);
            StampPixel s = stampPixel(stamp, int(sx), int(sy));
            if (!placement.transparent) {
                s.alpha = 255;  // an opaque stamp replaces the pixels, alpha channel or not
            } else if (key == StampKey{s.color, s.alpha} || s.alpha == 0) {
                continue;
            }
            Rgb c = s.color;
            std::uint8_t alpha = 255;
            if (s.alpha != 255) {
                const Rgb under = target.colorAt(tx, ty);
                c = Rgb{blend(c.r, under.r, s.alpha), blend(c.g, under.g, s.alpha),
                        blend(c.b, under.b, s.alpha)};
                if (target.depth() == 32) {
                    const int a = target.row(ty)[4 * std::size_t(tx) + 3];
                    alpha = std::uint8_t(s.alpha + (a * (255 - s.alpha) + 127) / 255);
                }
            }
            if (target.indexed()) {
                target.row(ty)[tx] = matcher(c);
            } else {
                target.setPixel32(tx, ty,
                                  std::uint32_t(target.depth() == 32 ? alpha : 0) << 24 |
                                      std::uint32_t(c.r) << 16 | c.g << 8 | c.b);
            }
        }
    }
}

}  // namespace pelko
