#include "core/codec/picture_error.h"

#include <algorithm>

namespace pelko {

void refuseOversizedPicture(std::uint64_t width, std::uint64_t height, const DecodeLimits& limits,
                            const char* message) {
    // checkedImageSize's bounds for 4 bytes per pixel: each side and the whole within 2^31
    // bytes. Sides within bounds keep the product from overflowing.
    constexpr std::uint64_t kMostSide = std::uint64_t(1) << 31;
    constexpr std::uint64_t kMostPixels = kMostSide / 4;
    const std::uint64_t most = std::min<std::uint64_t>(limits.maxPixels, kMostPixels);
    if (width > kMostSide || height > kMostSide || width * height > most) {
        throw PictureError(message, PictureFault::TooLarge, width, height);
    }
}

}  // namespace pelko
