#pragma once

#include <cstdint>
#include <vector>

#include "core/image/bitmap.h"

namespace pelko {

// The mask that keeps a stored palette index within what the Bitmap's depth can address;
// writers of 1- and 4-bit data apply it to every index they pack.
constexpr std::uint8_t indexMask(int depth) {
    return std::uint8_t((1u << depth) - 1u);
}

// The colour table written for an indexed Bitmap (depth 1, 4 or 8): its palette, cut to the
// 2^depth entries the depth can address and extended with black up to the highest index a
// pixel uses, so that every stored index names an entry (as Bitmap::colorAt shows such pixels
// black). Never empty.
std::vector<Rgb> indexedColorTable(const Bitmap& bitmap);

}  // namespace pelko
