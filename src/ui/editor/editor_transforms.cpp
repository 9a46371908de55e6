#include "ui/editor/editor_transforms.h"

#include "core/codec/apply_watermark.h"
#include "core/image/rotate.h"
#include "core/image/scale.h"
#include "core/settings/ini_file.h"

namespace pelko {

void scalePictureFromIni(Bitmap& picture, const std::string& editorIni) {
    const IniFile ini(editorIni);
    const int width = ini.readInteger("scaling", "width", 0);
    const int height = ini.readInteger("scaling", "height", 0);
    const int kind = ini.readInteger("scaling", "stype", 0);
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
    const std::string file = ini.readString("watermark", "imagefile", defaultWatermark);
    const int top = ini.readInteger("watermark", "top", 90);
    const int left = ini.readInteger("watermark", "left", 90);
    const bool transparent = ini.readBool("watermark", "transparent", true);
    const int direction = ini.readInteger("watermark", "direction", 1);
    const int htype = ini.readInteger("watermark", "htype", 0);
    const int vtype = ini.readInteger("watermark", "vtype", 0);
    Bitmap result = picture;
    ApplyWatermark(result, file, top, left, transparent, direction, htype, vtype);
    picture = std::move(result);
}

void rotatePictureFromIni(Bitmap& picture, const std::string& editorIni) {
    const IniFile ini(editorIni);
    const int angle = ini.readInteger("rotate", "angle", 0);
    const int kind = ini.readInteger("rotate", "rtype", 0);
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
