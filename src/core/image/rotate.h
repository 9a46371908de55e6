#pragma once

#include "core/image/bitmap.h"

namespace pelko {

// Mirrors the Bitmap left to right (horizontal true) or top to bottom. The Bitmap becomes
// depth 24 first and stays so.
void FlipBitmap(Bitmap& bitmap, bool horizontal);

// Turns the Bitmap clockwise by angle degrees (rows grow downwards). The Bitmap becomes depth
// 24 first and stays so. Whole-number angles of 0, 360, 720 and -360 leave the pixels as they
// are; 90, 180 and 270 are exact quarter and half turns. Every other angle turns the corners
// (0, 0), (W, 0), (W, H), (0, H) of the pixel grid about (0, 0), sizes the Bitmap to their
// bounding box (coordinates rounded half to even), fills it with background and takes each
// pixel from the nearest source pixel, if any. A non-finite angle throws "Invalid floating
// point operation".
void RotateBitmap(Bitmap& bitmap, ColorRef background, double angle);

}  // namespace pelko
