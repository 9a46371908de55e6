#pragma once

#include <span>

#include "core/codec/color_count.h"
#include "core/codec/color_histogram.h"

namespace pelko {

// Sorts distinct colours by octreeKey.
void sortInOctreeOrder(std::span<ColorCount> colors);

// A histogram's colours with their counts, sorted by octreeKey. `workers` threads share the
// work: first each the colours of a range of the table's slots, then each a range of keys.
ColorList colorsInOctreeOrder(const ColorHistogram& histogram, int workers);

}  // namespace pelko
