#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "core/image/bitmap.h"

namespace pelko {

// Finds the palette entry nearest to a colour (least squared RGB distance, the lowest index
// on ties), remembering the answers: operations that write RGB colours into a palette Bitmap
// meet the same few colours over and over. An empty palette always gives index 0.
class PaletteMatcher {
  public:
    explicit PaletteMatcher(const std::vector<Rgb>& palette) : m_palette(palette) {}

    std::uint8_t operator()(Rgb color);

  private:
    const std::vector<Rgb>& m_palette;
    std::unordered_map<std::uint32_t, std::uint8_t> m_known;
};

}  // namespace pelko
