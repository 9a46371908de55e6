#include "ui/selectors/frozen_image.h"

#include "ui/toolkit/bitmap_image.h"

namespace pelko {

QImage frozenImage(const Bitmap& frozen) {
    if (frozen.empty() || frozen.indexed() || frozen.depth() == 32) {
        return toQImage(frozen);
    }
    return QImage(frozen.data(), frozen.width(), frozen.height(), qsizetype(frozen.stride()),
                  QImage::Format_RGB32);
}

}  // namespace pelko
