#pragma once

#include "core/settings/keys.h"

// The keys of the editor's lib/editor.ini, through which its scale, watermark and rotate
// dialogs hand their values to the editor. They share their sections and names with keys of
// settings.ini, from which the dialogs start, but the editor's reader passes its own defaults.
// The file has no factory values: factory repeats def.
namespace pelko::editorkeys {

// [scaling]
inline constexpr keys::IntKey scalingWidth{"scaling", "width", 0, 0};
inline constexpr keys::IntKey scalingHeight{"scaling", "height", 0, 0};
inline constexpr keys::IntKey scalingStype{"scaling", "stype", 0, 0};

// [watermark]
// Read with the default watermark picture of the program folder.
inline constexpr keys::StringKey watermarkImagefile{"watermark", "imagefile", "", ""};
inline constexpr keys::IntKey watermarkTop{"watermark", "top", 90, 90};
inline constexpr keys::IntKey watermarkLeft{"watermark", "left", 90, 90};
inline constexpr keys::BoolKey watermarkTransparent{"watermark", "transparent", true, true};
inline constexpr keys::IntKey watermarkDirection{"watermark", "direction", 1, 1};
inline constexpr keys::IntKey watermarkHtype{"watermark", "htype", 0, 0};
inline constexpr keys::IntKey watermarkVtype{"watermark", "vtype", 0, 0};

// [rotate]
inline constexpr keys::IntKey rotateAngle{"rotate", "angle", 0, 0};
inline constexpr keys::IntKey rotateRtype{"rotate", "rtype", 0, 0};

}  // namespace pelko::editorkeys
