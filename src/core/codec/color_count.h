#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "core/large_allocator.h"

namespace pelko {

// A distinct colour of an image and how many pixels have it. rgb is 0x00RRGGBB. No default
// member values: a list of a photograph's colours is written once, by the workers that fill it,
// not cleared first.
struct ColorCount {
    std::uint32_t rgb;
    std::uint32_t count;
};

using ColorList = std::vector<ColorCount, LargeAllocator<ColorCount>>;

namespace detail {

// spread[c][v]: the bits of channel value v placed at their octree key positions.
constexpr std::array<std::array<std::uint32_t, 256>, 3> makeSpreadTables() {
    std::array<std::array<std::uint32_t, 256>, 3> tables{};
    for (int channel = 0; channel < 3; ++channel) {  // 0 red, 1 green, 2 blue
        for (std::uint32_t v = 0; v < 256; ++v) {
            std::uint32_t key = 0;
            for (int bit = 0; bit < 8; ++bit) {
                if (v & (1u << bit)) {
                    key |= 1u << (3 * bit + 2 - channel);
                }
            }
            tables[std::size_t(channel)][v] = key;
        }
    }
    return tables;
}

inline constexpr auto kSpread = makeSpreadTables();

}  // namespace detail

// The position of a colour in an octree over 8 bits per channel: bits 3l+2, 3l+1, 3l (from
// the top) hold bit 7-l of red, green and blue, the child taken at level l. Colours that share
// an octree node are contiguous in this order, and so are colours in the same 8x8x8 cube.
inline std::uint32_t octreeKey(std::uint32_t rgb) {
    return detail::kSpread[0][(rgb >> 16) & 0xFF] | detail::kSpread[1][(rgb >> 8) & 0xFF] |
           detail::kSpread[2][rgb & 0xFF];
}

}  // namespace pelko
