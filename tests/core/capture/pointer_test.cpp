#include <gtest/gtest.h>

#include "core/capture/sources.h"

namespace pelko {
namespace {

TEST(CompositePointer, PremultipliedOverAndClipping) {
    Bitmap b(4, 4, 24);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            b.setPixel32(x, y, 0x00804020);
        }
    }
    PointerImage p;
    p.width = 2;
    p.height = 2;
    p.xhot = 1;
    p.yhot = 1;
    // opaque red, half-transparent white (premultiplied), fully transparent, black outline
    p.argb = {0xFFFF0000u, 0x80808080u, 0x00000000u, 0xFF000000u};
    compositePointer(b, p, 0, 0);  // hotspot at (0, 0): only the bottom-right pixel lands
    EXPECT_EQ(b.pixel32(0, 0), 0x00000000u);
    EXPECT_EQ(b.pixel32(1, 0), 0x00804020u);

    compositePointer(b, p, 2, 2);  // fully inside: image from (1, 1)
    EXPECT_EQ(b.pixel32(1, 1), 0x00FF0000u);
    // 0x80 + 0x80 * 127 / 255 etc.
    EXPECT_EQ(b.pixel32(2, 1), 0x00C0A090u);
    EXPECT_EQ(b.pixel32(1, 2), 0x00804020u);
    EXPECT_EQ(b.pixel32(2, 2), 0x00000000u);

    compositePointer(b, p, 100, -100);  // far outside: nothing changes, nothing crashes
    // Offsets past the 32-bit range, as a region at its far end gives.
    for (const std::int64_t far : {-4294967296LL, 4294967295LL, 2147483647LL, -2147483648LL}) {
        compositePointer(b, p, far, far);
        compositePointer(b, p, far, 2);
    }
    compositePointer(b, p, 4, 4);  // only the top-left pixel lands, at (3, 3)
    EXPECT_EQ(b.pixel32(3, 3), 0x00FF0000u);
}

TEST(CompositePointer, PaletteBitmapTakesNearestEntry) {
    Bitmap b(2, 1, 8);
    b.setPalette({{0, 0, 0}, {250, 250, 250}, {255, 0, 0}});
    PointerImage p;
    p.width = 1;
    p.height = 1;
    p.argb = {0xFFFFFFFFu};
    compositePointer(b, p, 1, 0);
    EXPECT_EQ(b.row(0)[0], 0);
    EXPECT_EQ(b.row(0)[1], 1);
}

}  // namespace
}  // namespace pelko
