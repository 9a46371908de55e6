#pragma once

#include "core/capture/screen.h"
#include "core/image/bitmap.h"
#include "platform/wayland/display.h"

namespace pelko::wayland {

// Copies the part r (in the output's pixels) of what an output shows into target (r's size,
// depth 24) through the compositor's wlroots screen-copy protocol, the pointer drawn in by the
// compositor when withPointer. Parts of r outside the output stay as target has them. Throws
// pelko::Error when the compositor refuses or fails the copy or goes away meanwhile.
void copyOutput(Display& display, const Output& output, bool withPointer, const Rect& r,
                Bitmap& target);

}  // namespace pelko::wayland
