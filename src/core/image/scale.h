#pragma once

#include <vector>

#include "core/image/bitmap.h"

namespace pelko {

// Scale kinds of settings/stype and of the editor's "Scale Image" command.
constexpr int kScalePercent = 1;
constexpr int kScalePixels = 2;

struct ScaleSize {
    int width = 0;
    int height = 0;
    friend bool operator==(const ScaleSize&, const ScaleSize&) = default;
};

// The size a picture of sourceWidth x sourceHeight is scaled to: kind 1 takes width and height
// as percentages (32-bit products, division truncating toward zero), kind 2 as pixels, and
// any other kind gives 0 x 0.
ScaleSize scaledSize(int kind, int width, int height, int sourceWidth, int sourceHeight);

// The source columns (or rows) that one target column (or row) averages, both ends included.
struct ScaleBlock {
    int first = 0;
    int last = 0;
    friend bool operator==(const ScaleBlock&, const ScaleBlock&) = default;
};

// The blocks of one direction when sourceSize pixels become targetSize pixels (both > 0).
//
// Block edges step by sourceSize / targetSize in 32-bit floats, each sum rounded to 32 bits;
// an edge at or past the source's end is pulled back to its last pixel; the ends are rounded
// half up. Neighbouring blocks share their boundary pixel. An end that rounds to sourceSize is
// cut at the last pixel rather than reaching past it, and a block left empty by that cut (the
// last block of every enlargement by 2 or more) takes the last pixel.
std::vector<ScaleBlock> scaleBlocks(int sourceSize, int targetSize);

// Resizes target to width x height, keeping its depth and palette, and fills it with the box
// average of each target pixel's block of source pixels (each channel rounded half up). A
// palette target gets the nearest palette colour of each average. Scaling to the source's own
// size copies the pixels unchanged.
//
// Errors, after the target has its new size: "Floating point division by zero" for a width or
// height of 0 (the source non-empty in that direction), "Invalid floating point operation" for
// an empty source.
void ScaleBitmap(const Bitmap& source, Bitmap& target, int width, int height);

}  // namespace pelko
