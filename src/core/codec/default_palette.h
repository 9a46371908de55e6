#pragma once

#include <array>

#include "core/image/bitmap.h"

namespace pelko {

// The twenty static colours of the classic 256-colour system palette: the first ten open
// every colour table of a colour-reduced GIF, the last ten close it.
constexpr std::array<Rgb, 10> kDefaultPaletteFirst{{
    {0, 0, 0},
    {128, 0, 0},
    {0, 128, 0},
    {128, 128, 0},
    {0, 0, 128},
    {128, 0, 128},
    {0, 128, 128},
    {192, 192, 192},
    {192, 220, 192},
    {166, 202, 240},
}};

constexpr std::array<Rgb, 10> kDefaultPaletteLast{{
    {255, 251, 240},
    {160, 160, 164},
    {128, 128, 128},
    {255, 0, 0},
    {0, 255, 0},
    {255, 255, 0},
    {0, 0, 255},
    {255, 0, 255},
    {0, 255, 255},
    {255, 255, 255},
}};

}  // namespace pelko
