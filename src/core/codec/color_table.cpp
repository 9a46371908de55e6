#include "core/codec/color_table.h"

#include <algorithm>

namespace pelko {

std::vector<Rgb> indexedColorTable(const Bitmap& bitmap) {
    const std::uint8_t mask = indexMask(bitmap.depth());
    int highest = 0;
    for (int y = 0; y < bitmap.height() && highest < mask; ++y) {
        const std::uint8_t* row = bitmap.row(y);
        for (int x = 0; x < bitmap.width(); ++x) {
            highest = std::max(highest, int(row[x] & mask));
        }
    }
    std::size_t size = std::min(bitmap.palette().size(), std::size_t(mask) + 1);
    size = std::max(size, std::size_t(highest) + 1);
    std::vector<Rgb> table(size);
    std::copy_n(bitmap.palette().begin(), std::min(size, bitmap.palette().size()), table.begin());
    return table;
}

}  // namespace pelko
