#include "core/image/scale.h"

#include <gtest/gtest.h>

#include "core/error.h"
#include "support/pictures.h"

namespace pelko {
namespace {

using test::filledPicture;
using test::makePicture;
using test::rgbAt;
using test::rgbPixels;

TEST(ScaledSize, PercentTruncatesAndPixelsIgnoreTheSource) {
    struct Case {
        int kind, width, height, sourceWidth, sourceHeight;
        ScaleSize expected;
    } cases[] = {
        {kScalePercent, 33, 33, 1001, 768, {330, 253}},
        {kScalePercent, 100, 100, 64, 48, {64, 48}},
        {kScalePercent, 200, 50, 10, 9, {20, 4}},
        {kScalePercent, 1, 1, 50, 50, {0, 0}},  // too small a percentage for the source
        {kScalePercent, 0, 100, 50, 50, {0, 50}},
        {kScalePercent, -33, 100, 1001, 10, {-330, 10}},  // truncated toward zero
        {kScalePixels, 640, 480, 1001, 768, {640, 480}},
        {kScalePixels, 640, 480, 3, 2, {640, 480}},
        {0, 50, 50, 100, 100, {0, 0}},
        {3, 50, 50, 100, 100, {0, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(scaledSize(c.kind, c.width, c.height, c.sourceWidth, c.sourceHeight), c.expected)
            << "kind " << c.kind << ", " << c.width << " x " << c.height << " of " << c.sourceWidth
            << " x " << c.sourceHeight;
    }
}

std::vector<ScaleBlock> blocks(std::initializer_list<std::pair<int, int>> ranges) {
    std::vector<ScaleBlock> out;
    for (auto [first, last] : ranges) {
        out.push_back({first, last});
    }
    return out;
}

TEST(ScaleBlocks, SharedBoundariesRoundHalfUpAndStayInsideTheSource) {
    struct Case {
        int from, to;
        std::vector<ScaleBlock> expected;
    } cases[] = {
        {4, 2, blocks({{0, 2}, {2, 3}})},
        {4, 4, blocks({{0, 0}, {1, 1}, {2, 2}, {3, 3}})},  // an unchanged size: one pixel each
        {10, 15,
         blocks({{0, 1},
                 {1, 1},
                 {1, 2},
                 {2, 3},
                 {3, 3},
                 {3, 4},
                 {4, 5},
                 {5, 5},
                 {5, 6},
                 {6, 7},
                 {7, 7},
                 {7, 8},
                 {8, 9},
                 {9, 9},
                 {9, 9}})},
        {10, 1, blocks({{0, 9}})},
        {3, 2, blocks({{0, 2}, {2, 2}})},
        // The last end is just below 7 and rounds to 7: the block stops at column 6.
        {7, 6, blocks({{0, 1}, {1, 2}, {2, 4}, {4, 5}, {5, 6}, {6, 6}})},
        // Enlarging by 2 or more: the last block would start past its end; it takes the last
        // pixel.
        {3, 7, blocks({{0, 0}, {0, 1}, {1, 1}, {1, 2}, {2, 2}, {2, 2}, {2, 2}})},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(scaleBlocks(c.from, c.to), c.expected) << c.from << " -> " << c.to;
    }

    // 1024 -> 768: the last end is 1023.99 (32-bit steps); the last block is column 1023 alone.
    EXPECT_EQ(scaleBlocks(1024, 768).back(), (ScaleBlock{1023, 1023}));
    std::vector<ScaleBlock> twice = scaleBlocks(10, 20);
    EXPECT_EQ(twice[18], (ScaleBlock{9, 9}));
    EXPECT_EQ(twice[19], (ScaleBlock{9, 9}));

    // Every block of every small pair of sizes is a non-empty range inside the source, and
    // together they run from the first pixel to the last.
    for (int from = 1; from <= 64; ++from) {
        for (int to = 1; to <= 64; ++to) {
            std::vector<ScaleBlock> b = scaleBlocks(from, to);
            ASSERT_EQ(b.size(), std::size_t(to));
            EXPECT_EQ(b.front().first, 0);
            EXPECT_EQ(b.back().last, from - 1) << from << " -> " << to;
            for (const ScaleBlock& block : b) {
                ASSERT_LE(0, block.first);
                ASSERT_LE(block.first, block.last) << from << " -> " << to;
                ASSERT_LT(block.last, from) << from << " -> " << to;
            }
        }
    }
}

TEST(ScaleBitmap, AveragesEachBlockAndRoundsHalfUp) {
    // red = 10 x + 40 y, so that a block's average red is 10 and 40 times its centre.
    Bitmap source = makePicture(4, 4, [](int x, int y) {
        return std::uint32_t(10 * x + 40 * y) << 16 | (x == 0 && y == 0 ? 255u : 0u);
    });
    Bitmap target;
    ScaleBitmap(source, target, 2, 2);
    ASSERT_EQ(target.width(), 2);
    ASSERT_EQ(target.height(), 2);
    EXPECT_EQ(target.depth(), 24);
    EXPECT_EQ(rgbAt(target, 0, 0), 50u << 16 | 28u);  // columns and rows 0-2; 255 / 9 = 28.3
    EXPECT_EQ(rgbAt(target, 1, 1), 125u << 16);       // columns and rows 2-3

    struct Case {
        std::vector<std::uint32_t> row;
        std::uint32_t expected;
    } cases[] = {
        {{0x000000, 0xFFFFFF}, 0x808080},                      // 127.5 goes up
        {{0x000000, 0x000000, 0x010101}, 0x000000},            // 0.33 goes down
        {{0x000000, 0x010101, 0x010101}, 0x010101},            // 0.67 goes up
        {{0x0000FF, 0x00FF00, 0xFF0000, 0x000000}, 0x404040},  // 63.75 each
        // 287 / 82 = 3.5 exactly, which a single-precision reciprocal puts just below 3.5.
        {[] {
             std::vector<std::uint32_t> row(82, 0x030303);
             row[0] = 0x2C2C2C;
             return row;
         }(),
         0x040404},
    };
    for (const Case& c : cases) {
        Bitmap row = makePicture(int(c.row.size()), 1, [&](int x, int) { return c.row[x]; });
        Bitmap one;
        ScaleBitmap(row, one, 1, 1);
        EXPECT_EQ(rgbAt(one, 0, 0), c.expected);
    }
}

TEST(ScaleBitmap, EqualsTheExactBlockAverages) {
    // Noise through small blocks (the 16-bit path) and large ones (over 257 pixels).
    std::uint32_t seed = 12345;
    auto noise = [&seed](int, int) {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    struct Case {
        int fromWidth, fromHeight, toWidth, toHeight;
    } cases[] = {{50, 40, 17, 13}, {50, 40, 25, 20}, {37, 29, 80, 61}, {16, 16, 1, 1},
                 {17, 16, 1, 1},   {50, 40, 1, 1},   {600, 2, 2, 1},   {3, 500, 2, 3}};
    for (const Case& c : cases) {
        const Bitmap source = makePicture(c.fromWidth, c.fromHeight, noise);
        Bitmap target;
        ScaleBitmap(source, target, c.toWidth, c.toHeight);
        const std::vector<ScaleBlock> columns = scaleBlocks(c.fromWidth, c.toWidth);
        const std::vector<ScaleBlock> rows = scaleBlocks(c.fromHeight, c.toHeight);
        for (int i = 0; i < c.toHeight; ++i) {
            for (int j = 0; j < c.toWidth; ++j) {
                std::uint64_t sum[3] = {0, 0, 0}, count = 0;
                for (int y = rows[i].first; y <= rows[i].last; ++y) {
                    for (int x = columns[j].first; x <= columns[j].last; ++x) {
                        const std::uint32_t p = rgbAt(source, x, y);
                        sum[0] += p >> 16;
                        sum[1] += p >> 8 & 0xFF;
                        sum[2] += p & 0xFF;
                        ++count;
                    }
                }
                std::uint32_t expected = 0;
                for (std::uint64_t channel : sum) {
                    expected = expected << 8 | std::uint32_t((2 * channel + count) / (2 * count));
                }
                ASSERT_EQ(rgbAt(target, j, i), expected)
                    << c.fromWidth << " x " << c.fromHeight << " -> " << c.toWidth << " x "
                    << c.toHeight << " at " << j << ", " << i;
            }
        }
    }
}

TEST(ScaleBitmap, NeverReadsPastTheLastColumnOrRow) {
    // Blocks whose end rounds to the size would average in a black sample past the edge.
    for (auto [from, to] : {std::pair{1024, 768}, std::pair{7, 6}, std::pair{13, 11}}) {
        Bitmap source = filledPicture(from, from, 0xFFFFFF);
        Bitmap target;
        ScaleBitmap(source, target, to, to);
        for (std::uint32_t p : rgbPixels(target)) {
            ASSERT_EQ(p, 0xFFFFFFu) << from << " -> " << to;
        }
    }
}

TEST(ScaleBitmap, SameSizeIsAnExactCopy) {
    Bitmap source = makePicture(4, 4, [](int x, int y) { return std::uint32_t(x * 60 + y * 7); });
    Bitmap target;
    ScaleBitmap(source, target, 4, 4);
    EXPECT_EQ(rgbPixels(target), rgbPixels(source));
}

// A change of one side leaves the other side's pixels unmixed: columns stay sharp when only
// the height changes, rows when only the width does.
TEST(ScaleBitmap, AnUnchangedSideStaysExact) {
    // Columns alternate black and white; every row is the same.
    Bitmap stripes = makePicture(6, 4, [](int x, int) { return x % 2 ? 0xFFFFFFu : 0u; });
    Bitmap target;
    ScaleBitmap(stripes, target, 6, 2);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 6; ++x) {
            EXPECT_EQ(target.pixel32(x, y) & 0xFFFFFF, x % 2 ? 0xFFFFFFu : 0u) << x << "," << y;
        }
    }
    Bitmap bands = makePicture(4, 6, [](int, int y) { return y % 2 ? 0xFFFFFFu : 0u; });
    ScaleBitmap(bands, target, 9, 6);
    for (int y = 0; y < 6; ++y) {
        EXPECT_EQ(target.pixel32(4, y) & 0xFFFFFF, y % 2 ? 0xFFFFFFu : 0u) << y;
    }
}

TEST(ScaleBitmap, EnlargingRepeatsTheEdgePixels) {
    Bitmap source = makePicture(10, 10, [](int x, int y) { return std::uint32_t(20 * x + y); });
    Bitmap target;
    ScaleBitmap(source, target, 20, 20);
    // Blocks 18 and 19 of each direction are both the last pixel alone.
    for (auto [x, y] : {std::pair{18, 18}, {18, 19}, {19, 18}, {19, 19}}) {
        EXPECT_EQ(rgbAt(target, x, y), rgbAt(source, 9, 9));
    }
    EXPECT_EQ(rgbAt(target, 0, 19), (rgbAt(source, 0, 9) + rgbAt(source, 1, 9)) / 2);

    Bitmap dot = filledPicture(1, 1, 0x123456);
    ScaleBitmap(dot, target, 5, 3);
    EXPECT_EQ(rgbPixels(target), std::vector<std::uint32_t>(15, 0x123456u));
}

TEST(ScaleBitmap, KeepsTheTargetsFormat) {
    // A palette source is read through its palette; a palette target gets the nearest entry;
    // a depth-32 target keeps the averaged alpha of a depth-32 source.
    Bitmap source(2, 1, 8);
    source.setPalette({{0, 0, 0}, {200, 100, 50}});
    source.row(0)[0] = 1;
    source.row(0)[1] = 1;
    Bitmap rgb;
    ScaleBitmap(source, rgb, 1, 1);
    EXPECT_EQ(rgbAt(rgb, 0, 0), 0xC86432u);

    Bitmap indexed(0, 0, 8);
    indexed.setPalette({{0, 0, 0}, {255, 255, 255}, {190, 110, 40}});
    ScaleBitmap(source, indexed, 3, 2);
    EXPECT_EQ(indexed.depth(), 8);
    EXPECT_EQ(std::vector<std::uint8_t>(indexed.data(), indexed.data() + indexed.byteSize()),
              std::vector<std::uint8_t>(6, 2));

    Bitmap translucent(2, 1, 32);
    translucent.setPixel32(0, 0, 0x00FFFFFF);
    translucent.setPixel32(1, 0, 0xFFFFFFFF);
    Bitmap alpha(0, 0, 32);
    ScaleBitmap(translucent, alpha, 1, 1);
    EXPECT_EQ(alpha.pixel32(0, 0), 0x80FFFFFFu);
    Bitmap opaque(0, 0, 32);
    ScaleBitmap(source, opaque, 1, 1);
    EXPECT_EQ(opaque.pixel32(0, 0) >> 24, 0xFFu);
    Bitmap plain;
    ScaleBitmap(translucent, plain, 1, 1);
    EXPECT_EQ(plain.pixel32(0, 0) >> 24, 0u);  // depth 24 keeps its X byte 0
}

TEST(ScaleBitmap, ZeroSidesAndEmptySourcesFailAfterTheTargetIsSized) {
    struct Case {
        int sourceWidth, sourceHeight, width, height;
        const char* message;
    } cases[] = {
        {4, 4, 0, 3, "Floating point division by zero"},
        {4, 4, 3, 0, "Floating point division by zero"},
        {0, 0, 2, 2, "Invalid floating point operation"},
        {0, 4, 2, 2, "Invalid floating point operation"},
        {0, 0, 0, 0, "Invalid floating point operation"},  // 0 / 0
    };
    for (const Case& c : cases) {
        Bitmap source = filledPicture(c.sourceWidth, c.sourceHeight, 0xFFFFFF);
        Bitmap target(1, 1, 24);
        try {
            ScaleBitmap(source, target, c.width, c.height);
            ADD_FAILURE() << "no error for " << c.width << " x " << c.height;
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
        EXPECT_EQ(target.width(), c.width);
        EXPECT_EQ(target.height(), c.height);
    }
}

}  // namespace
}  // namespace pelko
