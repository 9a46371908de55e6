#include "core/image/rotate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/error.h"
#include "support/pictures.h"

namespace pelko {
namespace {

using test::filledPicture;
using test::makePicture;
using test::rgbAt;
using test::rgbPixels;

using Rows = std::vector<std::vector<std::uint32_t>>;

// Pixel (x, y) of a picture made from rows of colours.
Bitmap fromRows(const Rows& rows) {
    return makePicture(int(rows[0].size()), int(rows.size()),
                       [&](int x, int y) { return rows[std::size_t(y)][std::size_t(x)]; });
}

Rows toRows(const Bitmap& b) {
    Rows rows(std::size_t(b.height()));
    for (int y = 0; y < b.height(); ++y) {
        for (int x = 0; x < b.width(); ++x) {
            rows[std::size_t(y)].push_back(rgbAt(b, x, y));
        }
    }
    return rows;
}

// A palette picture with the same colours: both operations work on depth 24.
Bitmap asPalette(const Rows& rows) {
    Bitmap b(int(rows[0].size()), int(rows.size()), 8);
    std::vector<Rgb> palette;
    for (int y = 0; y < b.height(); ++y) {
        for (int x = 0; x < b.width(); ++x) {
            std::uint32_t c = rows[std::size_t(y)][std::size_t(x)];
            b.row(y)[x] = std::uint8_t(palette.size());
            palette.push_back({std::uint8_t(c >> 16), std::uint8_t(c >> 8), std::uint8_t(c)});
        }
    }
    b.setPalette(palette);
    return b;
}

const Rows kThreeByTwo = {{1, 2, 3}, {11, 12, 13}};

TEST(FlipBitmap, MirrorsRowsOrColumnsAndGivesDepth24) {
    struct Case {
        Rows before;
        bool horizontal;
        Rows after;
    } cases[] = {
        {{{1, 2, 3}}, true, {{3, 2, 1}}},
        {{{1}, {2}}, false, {{2}, {1}}},
        {{{1, 2, 3, 4}, {5, 6, 7, 8}}, true, {{4, 3, 2, 1}, {8, 7, 6, 5}}},
        {{{1, 2}, {3, 4}, {5, 6}}, false, {{5, 6}, {3, 4}, {1, 2}}},
        {{{7}}, true, {{7}}},
    };
    for (const Case& c : cases) {
        for (Bitmap b : {fromRows(c.before), asPalette(c.before)}) {
            FlipBitmap(b, c.horizontal);
            EXPECT_EQ(b.depth(), 24);
            EXPECT_EQ(toRows(b), c.after);
        }
    }
}

TEST(RotateBitmap, QuarterAndHalfTurnsAreExact) {
    struct Case {
        double angle;
        Rows after;
    } cases[] = {
        // The top row becomes the right column; the bottom-left pixel the top-left one.
        {90, {{11, 1}, {12, 2}, {13, 3}}},
        // The top-right pixel becomes the top-left one.
        {270, {{3, 13}, {2, 12}, {1, 11}}},
        {180, {{13, 12, 11}, {3, 2, 1}}},
        {0, kThreeByTwo},
        {360, kThreeByTwo},
        {720, kThreeByTwo},
        {-360, kThreeByTwo},
    };
    for (const Case& c : cases) {
        for (Bitmap b : {fromRows(kThreeByTwo), asPalette(kThreeByTwo)}) {
            RotateBitmap(b, 0xFFFFFF, c.angle);
            EXPECT_EQ(b.depth(), 24) << c.angle;
            EXPECT_EQ(toRows(b), c.after) << c.angle;
        }
    }

    // Larger than one copy tile in both directions.
    Bitmap big = makePicture(70, 45, [](int x, int y) { return std::uint32_t(x << 8 | y); });
    Bitmap turned = big;
    RotateBitmap(turned, 0, 90);
    RotateBitmap(turned, 0, 270);
    EXPECT_EQ(rgbPixels(turned), rgbPixels(big));
    RotateBitmap(turned, 0, 90);
    EXPECT_EQ(rgbAt(turned, 44, 69), rgbAt(big, 69, 0));
}

TEST(RotateBitmap, GeneralTurnSizesFollowTheGridCorners) {
    struct Case {
        int width, height;
        double angle;
        int newWidth, newHeight;
    } cases[] = {
        {100, 100, 45, 142, 141}, {100, 50, 30, 112, 93},
        {100, 50, -90, 50, 100},  {100, 50, 90.5, 51, 100},  // a fraction takes the general turn
        {100, 50, 450, 50, 100},  {1, 1, 45, 2, 1},
    };
    for (const Case& c : cases) {
        Bitmap b = filledPicture(c.width, c.height, 0x102030);
        RotateBitmap(b, 0xFFFFFF, c.angle);
        EXPECT_EQ(b.width(), c.newWidth) << c.angle;
        EXPECT_EQ(b.height(), c.newHeight) << c.angle;
    }
}

TEST(RotateBitmap, GeneralTurnFillsUncoveredPartsWithTheBackground) {
    Bitmap square = filledPicture(100, 100, 0x102030);
    const ColorRef green = 0x0000FF00;  // 0x00BBGGRR
    RotateBitmap(square, green, 45);
    for (auto [x, y] : {std::pair{0, 0}, {141, 0}, {0, 140}, {141, 140}, {20, 20}, {120, 120}}) {
        EXPECT_EQ(rgbAt(square, x, y), 0x00FF00u) << x << ", " << y;
    }
    EXPECT_EQ(rgbAt(square, 71, 70), 0x102030u);
    EXPECT_EQ(rgbAt(square, 71, 2), 0x102030u);

    // -90 through the general turn: shifted by one row against the exact quarter turn.
    Bitmap wide = makePicture(100, 50, [](int x, int y) { return std::uint32_t(x << 8 | y); });
    Bitmap turned = wide;
    RotateBitmap(turned, 0xFFFFFF, -90);
    for (int x = 0; x < 50; ++x) {
        ASSERT_EQ(rgbAt(turned, x, 0), 0xFFFFFFu);
    }
    for (int y = 1; y < 100; ++y) {
        for (int x = 0; x < 50; ++x) {
            ASSERT_EQ(rgbAt(turned, x, y), rgbAt(wide, 100 - y, x)) << x << ", " << y;
        }
    }
}

// The general turn, pixel by pixel as its rule says, with the library's rounding.
Bitmap turnedByTheRule(const Bitmap& old, std::uint32_t background, double degrees) {
    const double r = degrees * std::numbers::pi / 180.0, c = std::cos(r), s = std::sin(r);
    const double w = old.width(), h = old.height();
    double minX = 0, maxX = 0, minY = 0, maxY = 0;
    for (auto [x, y] : {std::pair{0.0, 0.0}, {w, 0.0}, {w, h}, {0.0, h}}) {
        const double tx = std::nearbyint(x * c - y * s), ty = std::nearbyint(x * s + y * c);
        minX = std::min(minX, tx);
        maxX = std::max(maxX, tx);
        minY = std::min(minY, ty);
        maxY = std::max(maxY, ty);
    }
    const double bc = std::cos(-r), bs = std::sin(-r);
    return makePicture(int(maxX - minX), int(maxY - minY), [&](int x, int y) {
        const double u = x + minX, v = y + minY;
        const double sx = std::nearbyint(u * bc - v * bs), sy = std::nearbyint(u * bs + v * bc);
        const bool inside = sx >= 0 && sx < w && sy >= 0 && sy < h;
        return inside ? rgbAt(old, int(sx), int(sy)) : background;
    });
}

TEST(RotateBitmap, GeneralTurnTakesEachPixelByTheRule) {
    std::uint32_t seed = 99;
    const Bitmap old = makePicture(150, 90, [&seed](int, int) {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    });
    for (double angle : {30.0, 45.0, -17.0, 137.25, 200.5, 271.0, 359.9, 0.001, -90.0, 1080.0}) {
        Bitmap turned = old;
        RotateBitmap(turned, 0x00FFFFFF, angle);
        const Bitmap expected = turnedByTheRule(old, 0xFFFFFF, angle);
        ASSERT_EQ(turned.width(), expected.width()) << angle;
        ASSERT_EQ(turned.height(), expected.height()) << angle;
        EXPECT_EQ(rgbPixels(turned), rgbPixels(expected)) << angle;
    }
}

TEST(RotateBitmap, NonFiniteAnglesAreRefused) {
    for (double angle : {std::nan(""), double(INFINITY), -double(INFINITY)}) {
        Bitmap b = filledPicture(3, 2, 0);
        EXPECT_THROW(RotateBitmap(b, 0, angle), Error);
    }
}

}  // namespace
}  // namespace pelko
