#pragma once

#include <cstdint>
#include <vector>

#include "core/image/bitmap.h"

namespace pelko {

// A distinct colour of an image and how many pixels have it. rgb is 0x00RRGGBB.
struct ColorCount {
    std::uint32_t rgb = 0;
    std::uint32_t count = 0;
};

// The position of a colour in an octree over 8 bits per channel: bits 3l+2, 3l+1, 3l (from
// the top) hold bit 7-l of red, green and blue, the child taken at level l. Colours that share
// an octree node are contiguous in this order, and so are colours in the same 8x8x8 cube.
std::uint32_t octreeKey(std::uint32_t rgb);

// Sorts distinct colours by octreeKey (a radix sort).
void sortInOctreeOrder(std::vector<ColorCount>& colors);

// Octree colour quantisation. The octree holds every distinct colour as a leaf at depth 8;
// while more than maxColors leaves remain, the node whose children are all leaves and whose
// merge adds the least error (pixel count times root-mean-square distance from the mean)
// becomes a leaf with the mean colour of its pixels. Returns the leaf colours, at most maxColors of
// them; with maxColors or fewer distinct colours these are exactly the image's colours. `colors`
// must be distinct and sorted by sortInOctreeOrder.
std::vector<Rgb> octreeQuantize(const std::vector<ColorCount>& colors, int maxColors);

}  // namespace pelko
