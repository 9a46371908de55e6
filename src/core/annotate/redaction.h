#pragma once

#include <cstdint>
#include <vector>

#include "core/annotate/annotation.h"
#include "core/annotate/geometry.h"
#include "core/image/bitmap.h"

namespace pelko {

// The smallest block a pixelation averages, in pixels: smaller blocks keep too much of the
// shape of letters.
inline constexpr int kMinPixelBlock = 12;
// The block size for a width chosen in the editor.
int pixelBlockSize(int width);

// Fills the part of box inside the picture with colour. The picture is depth 24 or 32.
void redactBox(Bitmap& picture, Box box, Rgb color);

// Pixelates the part of box inside the picture so that its detail cannot be recovered.
// Each block of `block` x `block` pixels (at least kMinPixelBlock) becomes one colour: the
// region's mean moved a quarter of the way towards the block's own mean, plus noise drawn per
// block from the seed, as large as the detail a quarter of a block's mean can show. A plain
// block average keeps enough of each block for candidate texts rendered and averaged the same
// way to be matched against it; here every block's colour depends on the secret noise as
// much as on the picture.
void pixelateBox(Bitmap& picture, Box box, int block, std::uint64_t seed);

// The plain block average (every block its own mean), the usual pixelation. Not used by the
// editor: it is the weak pixelation the editor's is measured against.
void averageBlocks(Bitmap& picture, Box box, int block);

// Applies one redaction annotation (Redact or Pixelate) to the picture.
void applyRedaction(Bitmap& picture, const Annotation& a);

// Rebuilds the redacted picture inside `dirty` after the redactions changed there: the
// pixels come back from `base` (the picture without annotations) and every redaction that
// touches them is applied again in list order, each to the picture the earlier ones left.
// The area grows to every redaction it touches, so that each is redone whole. Returns the
// area rebuilt. `layer` and `base` have the same size and depth 24 or 32.
Box rebuildRedactions(Bitmap& layer, const Bitmap& base, const std::vector<Annotation>& list,
                      Box dirty);

}  // namespace pelko
