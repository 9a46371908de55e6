#include "core/image/watermark.h"

#include <gtest/gtest.h>

#include "support/pictures.h"

namespace pelko {
namespace {

using test::filledPicture;
using test::makePicture;
using test::rgbAt;
using test::rgbPixels;

WatermarkPlacement place(int direction, int left, int top, int horizontalUnit = 0,
                         int verticalUnit = 0, bool transparent = false) {
    return WatermarkPlacement{top, left, transparent, direction, horizontalUnit, verticalUnit};
}

TEST(WatermarkOrigin, EachCornerAndUnit) {
    struct Case {
        WatermarkPlacement placement;
        StampOrigin expected;
    } cases[] = {
        {place(kWatermarkBottomRight, 10, 20), {690, 530}},
        {place(kWatermarkTopRight, 50, 0, kWatermarkPercent, kWatermarkPixels), {300, 0}},
        // Bottom-left measures left in pixels like the other corners.
        {place(kWatermarkBottomLeft, 90, 90), {90, 460}},
        {place(kWatermarkBottomLeft, 250, 90), {250, 460}},
        {place(kWatermarkTopLeft, 5, 10, kWatermarkPixels, kWatermarkPercent), {5, 60}},
        {place(kWatermarkBottomRight, 10, 10, kWatermarkPercent, kWatermarkPercent), {620, 490}},
        {place(kWatermarkTopLeft, 33, 33, kWatermarkPercent, kWatermarkPercent), {264, 198}},
        {place(kWatermarkTopLeft, -20, 700), {-20, 700}},
        // Units other than 0 and 1 are pixels; directions outside 0 to 3 are top-left.
        {place(kWatermarkTopRight, 50, 7, 2, -1), {650, 7}},
        {place(4, 5, 6), {5, 6}},
        {place(-1, 5, 6), {5, 6}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(watermarkOrigin(800, 600, 100, 50, c.placement), c.expected)
            << "direction " << c.placement.direction << ", left " << c.placement.left << ", top "
            << c.placement.top;
    }
}

// The target pixels a red stamp changed, as a picture of '#' and '.'.
std::vector<std::string> stamped(const Bitmap& target) {
    std::vector<std::string> rows;
    for (int y = 0; y < target.height(); ++y) {
        std::string row;
        for (int x = 0; x < target.width(); ++x) {
            row += rgbAt(target, x, y) == 0xFF0000 ? '#' : '.';
        }
        rows.push_back(row);
    }
    return rows;
}

TEST(DrawWatermark, DrawsOnlyTheOverlapAtEveryEdge) {
    struct Case {
        int left, top;
        std::vector<std::string> expected;
    } cases[] = {
        {1, 1, {".....", ".##..", ".##..", "....."}},
        {-1, -1, {"#....", ".....", ".....", "....."}},
        {4, 3, {".....", ".....", ".....", "....#"}},
        {-1, 3, {".....", ".....", ".....", "#...."}},
        {4, -1, {"....#", ".....", ".....", "....."}},
        {5, 0, {".....", ".....", ".....", "....."}},
        {0, -2, {".....", ".....", ".....", "....."}},
        {-100000, 100000, {".....", ".....", ".....", "....."}},
    };
    const Bitmap stamp = filledPicture(2, 2, 0xFF0000);
    for (const Case& c : cases) {
        Bitmap target = filledPicture(5, 4, 0x000000);
        drawWatermark(target, stamp, place(kWatermarkTopLeft, c.left, c.top));
        EXPECT_EQ(stamped(target), c.expected) << c.left << ", " << c.top;
    }
}

TEST(DrawWatermark, TransparentStampsLeaveOutTheirKeyColour) {
    // Bottom-left pixel white: white is the key; the black one is drawn.
    const Bitmap stamp =
        makePicture(2, 2, [](int x, int y) { return x == 1 && y == 0 ? 0x000000u : 0xFFFFFFu; });
    struct Case {
        bool transparent;
        std::vector<std::uint32_t> expected;
    } cases[] = {
        {true, {0x336699, 0x000000, 0x336699, 0x336699}},
        {false, {0xFFFFFF, 0x000000, 0xFFFFFF, 0xFFFFFF}},
    };
    for (const Case& c : cases) {
        Bitmap target = filledPicture(2, 2, 0x336699);
        drawWatermark(target, stamp, place(kWatermarkTopLeft, 0, 0, 0, 0, c.transparent));
        EXPECT_EQ(rgbPixels(target), c.expected);
    }

    // A 1-bit stamp's key is white, whatever its bottom-left pixel.
    Bitmap mono(2, 1, 1);
    mono.setPalette({{0, 0, 0}, {255, 255, 255}});
    mono.row(0)[0] = 0;
    mono.row(0)[1] = 1;
    EXPECT_EQ(stampTransparentKey(mono), (StampKey{{255, 255, 255}, 255}));
    Bitmap target = filledPicture(2, 1, 0x336699);
    drawWatermark(target, mono, place(kWatermarkTopLeft, 0, 0, 0, 0, true));
    EXPECT_EQ(rgbPixels(target), (std::vector<std::uint32_t>{0x000000, 0x336699}));

    // A palette stamp's key is its bottom-left pixel's colour, not its index.
    Bitmap indexed(3, 2, 8);
    indexed.setPalette({{9, 9, 9}, {9, 9, 9}, {200, 0, 0}});
    indexed.row(0)[0] = 0;
    indexed.row(0)[1] = 2;
    indexed.row(0)[2] = 1;
    indexed.row(1)[0] = 1;
    Bitmap under = filledPicture(3, 2, 0x336699);
    drawWatermark(under, indexed, place(kWatermarkTopLeft, 0, 0, 0, 0, true));
    EXPECT_EQ(rgbPixels(under), (std::vector<std::uint32_t>{0x336699, 0xC80000, 0x336699, 0x336699,
                                                            0x336699, 0x336699}));
}

TEST(DrawWatermark, AlphaBlendsOnlyTransparentStampsOpaqueOnesReplace) {
    Bitmap stamp(3, 1, 32);
    stamp.setPixel32(0, 0, 0x00000000);  // the key: transparent black
    stamp.setPixel32(1, 0, 0xFF000000);  // opaque black: not the key
    stamp.setPixel32(2, 0, 0x80FFFFFF);  // half white
    EXPECT_EQ(stampTransparentKey(stamp), (StampKey{{0, 0, 0}, 0}));
    struct Case {
        bool transparent;
        std::uint32_t under;
        std::vector<std::uint32_t> result;
    };
    const Case cases[] = {
        {true, 0x000000, {0x000000, 0x000000, 0x808080}},
        {true, 0xFF0000, {0xFF0000, 0x000000, 0xFF8080}},   // key left out, alpha blended
        {false, 0xFF0000, {0x000000, 0x000000, 0xFFFFFF}},  // every pixel replaced
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.transparent);
        Bitmap target = filledPicture(3, 1, c.under);
        drawWatermark(target, stamp, place(kWatermarkTopLeft, 0, 0, 0, 0, c.transparent));
        EXPECT_EQ(rgbPixels(target), c.result);
    }
}

TEST(DrawWatermark, PaletteTargetsTakeTheNearestEntry) {
    Bitmap target(2, 1, 8);
    target.setPalette({{0, 0, 0}, {250, 250, 250}, {0, 0, 200}});
    const Bitmap stamp = makePicture(2, 1, [](int x, int) { return x ? 0x0000F0u : 0xFFFFFFu; });
    drawWatermark(target, stamp, place(kWatermarkTopLeft, 0, 0));
    EXPECT_EQ(target.row(0)[0], 1);
    EXPECT_EQ(target.row(0)[1], 2);
}

}  // namespace
}  // namespace pelko
