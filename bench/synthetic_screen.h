#pragma once

#include "core/image/bitmap.h"

namespace pelko {

// A deterministic picture of a desktop for benchmarks and size comparisons: a photo-like
// wallpaper (smooth gradients, soft texture and mild per-pixel noise), desktop icons, a
// taskbar and several overlapping windows (title bars, flat toolbars, sidebars, rows of
// anti-aliased text-like glyphs dark on white, a terminal, an embedded photo). The same
// arguments always give the same pixels. Depth 24, marked device-dependent like a fresh
// screen copy.
Bitmap makeSyntheticScreen(int width, int height, unsigned seed);

}  // namespace pelko
