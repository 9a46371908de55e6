#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/codec/color_count.h"
#include "core/image/bitmap.h"
#include "core/large_allocator.h"

namespace pelko {

// Refinement steps over the distinct colours, in the manner of k-medians: each colour goes to
// its nearest table entry, then each quantised entry (from kFirstQuantizedEntry on, `quantized`
// of them) moves to the per-channel median of the pixels it got, which lowers their mean
// absolute error. The octree's cells have fixed borders; these steps let the colours settle
// where the pixels are. The static entries stay. At most `steps` steps; they stop when no
// entry moves. `workers` split the colours between them.
//
// Returns the index of the nearest entry of the final table for each colour, in the order of
// `colors`.
ByteBuffer refineColors(std::vector<Rgb>& table, int quantized, std::span<const ColorCount> colors,
                        int workers, int steps);

}  // namespace pelko
