#include "core/editor/editor_transforms.h"

#include "core/codec/apply_watermark.h"
#include "core/image/rotate.h"
#include "core/image/scale.h"
#include "core/settings/editor_keys.h"
#include "core/settings/key_access.h"

namespace pelko {

void scalePictureFromIni(Bitmap& picture, const std::string& editorIni) {
    const IniFile ini(editorIni);
    const int width = read(ini, editorkeys::scalingWidth);
    const int height = read(ini, editorkeys::scalingHeight);
    const int kind = read(ini, editorkeys::scalingStype);
    const ScaleSize size = scaledSize(kind, width, height, picture.width(), picture.height());
    Bitmap target(0, 0, picture.depth());
    target.setPalette(picture.palette());
    ScaleBitmap(picture, target, size.width, size.height);
    picture = std::move(target);
}

void watermarkPictureFromIni(Bitmap& picture, const std::string& editorIni,
                             const std::string& defaultWatermark) {
    const IniFile ini(editorIni);
    // An empty file name stays empty: the stamp then fails to load rather than being swapped
    // for the default picture behind the user's back.
    const std::string file = read(ini, editorkeys::watermarkImagefile, defaultWatermark);
    const int top = read(ini, editorkeys::watermarkTop);
    const int left = read(ini, editorkeys::watermarkLeft);
    const bool transparent = read(ini, editorkeys::watermarkTransparent);
    const int direction = read(ini, editorkeys::watermarkDirection);
    const int htype = read(ini, editorkeys::watermarkHtype);
    const int vtype = read(ini, editorkeys::watermarkVtype);
    Bitmap result = picture;
    ApplyWatermark(result, file, top, left, transparent, direction, htype, vtype);
    picture = std::move(result);
}

void rotatePictureFromIni(Bitmap& picture, const std::string& editorIni) {
    const IniFile ini(editorIni);
    const int angle = read(ini, editorkeys::rotateAngle);
    const int kind = read(ini, editorkeys::rotateRtype);
    Bitmap result = picture;
    switch (kind) {
        case 1:
            FlipBitmap(result, true);
            break;
        case 2:
            FlipBitmap(result, false);
            break;
        case 3:
            RotateBitmap(result, 0xFFFFFF, angle);
            break;
        default:
            return;
    }
    picture = std::move(result);
}

}  // namespace pelko
