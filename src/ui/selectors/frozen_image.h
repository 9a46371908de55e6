#pragma once

#include <QImage>

#include "core/image/bitmap.h"

namespace pelko {

// The frozen screen as an image the overlay can draw. A true-colour screen copy is shown in
// place, without a copy of its pixels (its B, G, R, X bytes are Format_RGB32's layout), so the
// Bitmap must outlive the image; palette screens are converted.
QImage frozenImage(const Bitmap& frozen);

}  // namespace pelko
