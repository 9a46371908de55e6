#pragma once

#include <array>
#include <cstdint>
#include <string_view>

// Deterministic test pictures: a tool shows them on the display, tests recompute them to check
// what a capture read back. Both include this header.
namespace pelko::testpattern {

struct Color {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Color&, const Color&) = default;
};

// "grid": every pixel of a 4096 x 4096 area has a colour of its own, so a copy shifted by one
// pixel or one row never matches. Red is x mod 256, green y mod 256, blue names the 256 x 256
// block: high nibble x / 256, low nibble y / 256.
constexpr Color grid(int x, int y) {
    return {std::uint8_t(x & 0xFF), std::uint8_t(y & 0xFF),
            std::uint8_t(((x >> 8) & 0xF) << 4 | ((y >> 8) & 0xF))};
}

// "tiles": 8 x 8 tiles in 16 colours, for palette displays that cannot show the grid. Each row of
// tiles is shifted by five colours against the one above.
constexpr std::array<Color, 16> kTileColors{{
    {0x00, 0x00, 0x00},
    {0xFF, 0xFF, 0xFF},
    {0xFF, 0x00, 0x00},
    {0x00, 0xFF, 0x00},
    {0x00, 0x00, 0xFF},
    {0xFF, 0xFF, 0x00},
    {0x00, 0xFF, 0xFF},
    {0xFF, 0x00, 0xFF},
    {0x80, 0x00, 0x00},
    {0x00, 0x80, 0x00},
    {0x00, 0x00, 0x80},
    {0x80, 0x80, 0x00},
    {0x00, 0x80, 0x80},
    {0x80, 0x00, 0x80},
    {0x80, 0x80, 0x80},
    {0x40, 0xC0, 0x20},
}};
constexpr Color tiles(int x, int y) {
    return kTileColors[std::size_t(((x >> 3) + 5 * (y >> 3)) & 15)];
}

using Pattern = Color (*)(int x, int y);

// The pattern of that name, or null.
constexpr Pattern findPattern(std::string_view name) {
    if (name == "grid") {
        return grid;
    }
    if (name == "tiles") {
        return tiles;
    }
    return nullptr;
}

}  // namespace pelko::testpattern
