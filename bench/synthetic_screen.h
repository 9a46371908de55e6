#pragma once

#include "core/image/bitmap.h"

namespace pelko {

// A deterministic picture of a desktop for benchmarks and size comparisons: a photo-like
// wallpaper (smooth gradients, soft texture and mild per-pixel noise), desktop icons, a
// taskbar and several overlapping windows (title bars, flat toolbars, sidebars, rows of
// anti-aliased text-like glyphs dark on white, a terminal, an embedded photo). The same
// arguments always give the same pixels. Depth 24, marked device-dependent like a fresh
// screen copy. With a photograph, the photograph covers the screen as its wallpaper instead.
Bitmap makeSyntheticScreen(int width, int height, unsigned seed, const Bitmap* photo = nullptr);

// The photograph the benchmarks show as wallpaper, decoded: the file in PELKO_BENCH_PHOTO, else
// a photograph of Debian's mate-backgrounds package (scripts/install-deps.sh bench). An empty
// Bitmap when neither can be read.
Bitmap loadBenchPhoto();

}  // namespace pelko
