#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "core/image/bitmap.h"

namespace pelko {
namespace {

bool allZero(const Bitmap& bitmap) {
    return std::all_of(bitmap.data(), bitmap.data() + bitmap.byteSize(),
                       [](std::uint8_t b) { return b == 0; });
}

// Pixel memory of every size (small blocks from the heap, whole frames mapped on their own)
// starts black, is black again after a reset over used memory, and copies exactly.
TEST(Bitmap, PixelsStartBlackAfterResetAndCopyExactlyAtEverySize) {
    struct Case {
        int width, height, depth;
    };
    for (const Case& c : {Case{16, 9, 24}, Case{1, 1, 8}, Case{1920, 1080, 24}, Case{2000, 2000, 8},
                          Case{3840, 2160, 32}}) {
        SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height << "x" << c.depth);
        Bitmap bitmap(c.width, c.height, c.depth);
        ASSERT_EQ(bitmap.byteSize(), std::size_t(c.width) * std::size_t(c.height) *
                                         std::size_t(bitmap.bytesPerPixel()));
        EXPECT_TRUE(allZero(bitmap));

        std::fill_n(bitmap.data(), bitmap.byteSize(), std::uint8_t(0xAB));
        bitmap.row(c.height - 1)[0] = 7;
        const Bitmap copy = bitmap;
        EXPECT_TRUE(std::equal(copy.data(), copy.data() + copy.byteSize(), bitmap.data()));

        bitmap.reset(c.width, c.height, c.depth);  // the same size reuses the memory
        EXPECT_TRUE(allZero(bitmap));
        bitmap.reset(c.width / 2 + 1, c.height, 24);
        EXPECT_TRUE(allZero(bitmap));
        EXPECT_EQ(copy.row(c.height - 1)[0], 7);
    }
}

}  // namespace
}  // namespace pelko
