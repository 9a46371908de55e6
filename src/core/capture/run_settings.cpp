#include "core/capture/run_settings.h"

#include "core/settings/key_access.h"

namespace pelko {

RunSettings readRunSettings(const IniFile& f, bool scalingChecked, const ProgramPaths& paths) {
    RunSettings r;
    r.hideWhileCapturing = read(f, keys::minimizewc);
    if (scalingChecked) {
        r.scale.width = read(f, keys::scalingWidth);
        r.scale.height = read(f, keys::scalingHeight);
        r.scale.kind = read(f, keys::scalingStype);
    }
    auto& w = r.watermark;
    w.enabled = read(f, keys::watermarkEnable);
    w.imageFile = read(f, keys::watermarkImagefile, paths.defaultWatermark());
    if (w.imageFile.empty()) {
        w.imageFile = paths.defaultWatermark();
    }
    w.top = read(f, keys::watermarkTop);
    w.left = read(f, keys::watermarkLeft);
    w.transparent = read(f, keys::watermarkTransparent);
    w.direction = read(f, keys::watermarkDirection);
    w.horizontalUnit = read(f, keys::watermarkHtype);
    w.verticalUnit = read(f, keys::watermarkVtype);
    return r;
}

}  // namespace pelko
