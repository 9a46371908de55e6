#include "core/codec/apply_watermark.h"

#include "core/codec/decode.h"
#include "core/image/watermark.h"

namespace pelko {

void ApplyWatermark(Bitmap& target, const std::string& imageFile, int top, int left,
                    bool transparent, int direction, int horizontalUnit, int verticalUnit) {
    const Bitmap stamp = readPictureFile(imageFile);
    drawWatermark(
        target, stamp,
        WatermarkPlacement{top, left, transparent, direction, horizontalUnit, verticalUnit});
}

}  // namespace pelko
