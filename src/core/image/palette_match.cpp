#include "core/image/palette_match.h"

#include <algorithm>

namespace pelko {

std::uint8_t PaletteMatcher::operator()(Rgb color) {
    const std::uint32_t key = toColorRef(color);
    if (auto it = m_known.find(key); it != m_known.end()) {
        return it->second;
    }
    std::uint8_t best = 0;
    long bestDistance = -1;
    const std::size_t count = std::min<std::size_t>(m_palette.size(), 256);
    for (std::size_t i = 0; i < count; ++i) {
        const long dr = long(m_palette[i].r) - color.r;
        const long dg = long(m_palette[i].g) - color.g;
        const long db = long(m_palette[i].b) - color.b;
        const long d = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || d < bestDistance) {
            bestDistance = d;
            best = std::uint8_t(i);
        }
    }
    m_known.emplace(key, best);
    return best;
}

}  // namespace pelko
