#pragma once

#include <span>
#include <vector>

#include "core/codec/color_count.h"
#include "core/codec/octree_order.h"
#include "core/image/bitmap.h"

namespace pelko {

// Octree colour quantisation. The octree holds every distinct colour as a leaf at depth 8;
// while more than maxColors leaves remain, the node whose children are all leaves and whose
// merge adds the least error (pixel count times root-mean-square distance from the mean)
// becomes a leaf with the mean colour of its pixels. Returns the leaf colours, at most maxColors of
// them; with maxColors or fewer distinct colours these are exactly the image's colours. `colors`
// must be distinct and sorted by sortInOctreeOrder.
std::vector<Rgb> octreeQuantize(std::span<const ColorCount> colors, int maxColors);

}  // namespace pelko
