#pragma once

#include <cstdint>

#include "core/image/bitmap.h"

namespace pelko {

// The corner of the target that the watermark's offsets are measured from; the stamp's own
// corner of the same name is placed there.
enum WatermarkDirection : int {
    kWatermarkBottomLeft = 0,
    kWatermarkBottomRight = 1,
    kWatermarkTopLeft = 2,
    kWatermarkTopRight = 3,
};

// Units of the offsets.
constexpr int kWatermarkPixels = 0;
constexpr int kWatermarkPercent = 1;  // of the target's width (left) or height (top)

// Where and how a stamp goes onto a picture (the watermark section of the settings).
struct WatermarkPlacement {
    int top = 90;
    int left = 90;
    bool transparent = true;
    int direction = kWatermarkBottomRight;
    int horizontalUnit = kWatermarkPixels;
    int verticalUnit = kWatermarkPixels;
};

struct StampOrigin {
    long long x = 0;
    long long y = 0;
    friend bool operator==(const StampOrigin&, const StampOrigin&) = default;
};

// The position of the stamp's top-left corner on the target; it may lie outside the target.
// Units other than percent count as pixels and an unknown direction as top-left.
StampOrigin watermarkOrigin(int targetWidth, int targetHeight, int stampWidth, int stampHeight,
                            const WatermarkPlacement& placement);

// The colour a transparent stamp leaves out: white for a 1-bit stamp, else the colour of its
// bottom-left pixel (with its alpha, for a stamp that has an alpha channel).
struct StampKey {
    Rgb color;
    std::uint8_t alpha = 255;
    friend bool operator==(const StampKey&, const StampKey&) = default;
};
StampKey stampTransparentKey(const Bitmap& stamp);

// Draws the stamp onto the target at the placement's position, only where the two overlap.
// An opaque stamp (transparent off) replaces the target's pixels with its colours, whatever its
// alpha channel says (nearest palette colour on palette targets). A transparent stamp leaves
// the target alone where its pixel has exactly the transparent key, and a stamp with an alpha
// channel (depth 32) is blended over the target by it.
void drawWatermark(Bitmap& target, const Bitmap& stamp, const WatermarkPlacement& placement);

}  // namespace pelko
