#pragma once

#include <QImage>

#include "core/image/bitmap.h"

namespace pelko {

// A Bitmap as a QImage: depth 24 as Format_RGB32, depth 32 as Format_ARGB32 (straight alpha),
// and palette Bitmaps (depth 1, 4, 8) as Format_Indexed8 with the palette as the colour table,
// extended with black up to the highest index a pixel uses. The pixels are copied.
QImage toQImage(const Bitmap& bitmap);

// A QImage as a Bitmap: indexed images as depth-8 palette Bitmaps, images with an alpha channel
// as depth 32 with straight alpha, every other image as depth 24. A null image gives an empty
// Bitmap.
Bitmap toBitmap(const QImage& image);

}  // namespace pelko
