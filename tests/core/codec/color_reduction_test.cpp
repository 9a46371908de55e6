#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <limits>
#include <map>
#include <set>

#include "codec_test_support.h"
#include "core/codec/color_reduction.h"
#include "core/codec/default_palette.h"
#include "core/codec/nearest_color.h"
#include "core/codec/octree_quantizer.h"

namespace pelko::test {
namespace {

int distance2(Rgb a, Rgb b) {
    return (a.r - b.r) * (a.r - b.r) + (a.g - b.g) * (a.g - b.g) + (a.b - b.b) * (a.b - b.b);
}

std::uint32_t packed(Rgb c) {
    return (std::uint32_t(c.r) << 16) | (c.g << 8) | c.b;
}

Rgb randomColor(FixtureRandom& random) {
    return {std::uint8_t(random.below(256)), std::uint8_t(random.below(256)),
            std::uint8_t(random.below(256))};
}

// The nearest entry by a scan of the whole table, the lowest index on ties.
int scanNearest(const std::vector<Rgb>& table, Rgb c) {
    int best = 0;
    for (int i = 1; i < int(table.size()); ++i) {
        if (distance2(c, table[std::size_t(i)]) < distance2(c, table[std::size_t(best)])) {
            best = i;
        }
    }
    return best;
}

// The cube-pruned lookup gives exactly what a scan of the whole table gives, ties included.
TEST(NearestColor, MatchesAFullScanWithLowestIndexOnTies) {
    FixtureRandom random(3);
    for (int size : {1, 2, 37, 256}) {
        std::vector<Rgb> table;
        for (int i = 0; i < size; ++i) {
            // Some duplicates and near-duplicates, and colours bunched in one corner.
            table.push_back(i % 9 == 5   ? table[std::size_t(random.below(i))]
                            : i % 4 == 0 ? Rgb{std::uint8_t(random.below(40)),
                                               std::uint8_t(random.below(40)), 7}
                                         : randomColor(random));
        }
        NearestColor nearest(table);
        for (int n = 0; n < 20000; ++n) {
            const Rgb c = n < 8 ? Rgb{std::uint8_t(n & 1 ? 255 : 0), std::uint8_t(n & 2 ? 255 : 0),
                                      std::uint8_t(n & 4 ? 255 : 0)}
                                : randomColor(random);
            ASSERT_EQ(nearest.find(c), scanNearest(table, c)) << "table size " << size;
        }
    }
}

// After some entries moved, a colour whose nearest entry stayed finds what a scan of the new
// table finds: entries that moved a little or far, onto another entry's colour (before and
// after it in the table, so that ties go either way), or away from a duplicate; also when the
// searches are reused for one table after another.
TEST(NearestColor, AfterAMoveMatchesAFullScan) {
    FixtureRandom random(5);
    // One pair of searches for all rounds, reset for each as the refinement reuses them.
    NearestColor before({Rgb{}}), after({Rgb{}});
    for (int round = 0; round < 6; ++round) {
        std::vector<Rgb> table;
        for (int i = 0; i < 256; ++i) {
            table.push_back(i % 11 == 3 ? table[std::size_t(random.below(i))]
                                        : randomColor(random));
        }
        std::vector<Rgb> movedTable = table;
        std::array<bool, 256> moved{};
        for (int i = 0; i < 256; ++i) {
            const int kind = random.below(8);
            Rgb& e = movedTable[std::size_t(i)];
            if (kind == 0) {
                e = randomColor(random);
            } else if (kind == 1) {
                e = table[std::size_t(random.below(256))];
            } else if (kind == 2) {
                auto nudge = [&](std::uint8_t v) {
                    return std::uint8_t(std::clamp(v + random.below(7) - 3, 0, 255));
                };
                e = Rgb{nudge(e.r), nudge(e.g), nudge(e.b)};
            }
            moved[std::size_t(i)] = e != table[std::size_t(i)];
        }
        before.reset(table, nullptr);
        after.reset(movedTable, &moved);
        int checked = 0;
        for (int n = 0; n < 20000; ++n) {
            const Rgb c = randomColor(random);
            const std::uint8_t old = before.find(c);
            if (moved[old]) {
                continue;
            }
            ++checked;
            ASSERT_EQ(after.findAfterMove(c, old), scanNearest(movedTable, c)) << "round " << round;
        }
        EXPECT_GT(checked, 5000);
    }
}

TEST(OctreeQuantizer, SortingOrdersByOctreeKey) {
    FixtureRandom random(11);
    std::set<std::uint32_t> distinct;
    while (distinct.size() < 5000) {
        distinct.insert(packed(randomColor(random)));
    }
    std::vector<ColorCount> colors;
    for (std::uint32_t rgb : distinct) {
        colors.push_back({rgb, 1});
    }
    sortInOctreeOrder(colors);
    ASSERT_EQ(colors.size(), distinct.size());
    for (std::size_t i = 1; i < colors.size(); ++i) {
        ASSERT_LT(octreeKey(colors[i - 1].rgb), octreeKey(colors[i].rgb));
    }
    // Octree key: red, green, blue bits interleaved from the top.
    EXPECT_EQ(octreeKey(0x800000), 1u << 23);
    EXPECT_EQ(octreeKey(0x008000), 1u << 22);
    EXPECT_EQ(octreeKey(0x000080), 1u << 21);
    EXPECT_EQ(octreeKey(0x000001), 1u);
}

std::vector<ColorCount> sortedHistogram(const std::vector<Rgb>& pixels) {
    std::map<std::uint32_t, std::uint32_t> counts;
    for (Rgb c : pixels) {
        ++counts[packed(c)];
    }
    std::vector<ColorCount> colors;
    for (auto [rgb, count] : counts) {
        colors.push_back({rgb, count});
    }
    sortInOctreeOrder(colors);
    return colors;
}

TEST(OctreeQuantizer, KeepsFewColoursExactlyAndReducesMany) {
    FixtureRandom random(5);
    std::vector<Rgb> few;
    for (int i = 0; i < 236; ++i) {
        few.push_back(randomColor(random));
    }
    std::vector<Rgb> result = octreeQuantize(sortedHistogram(few), 236);
    std::set<std::uint32_t> expected, got;
    for (Rgb c : few) {
        expected.insert(packed(c));
    }
    for (Rgb c : result) {
        got.insert(packed(c));
    }
    EXPECT_EQ(got, expected);
    EXPECT_EQ(result.size(), expected.size());

    // Two tight clusters far apart, each of many colours: two colours at their means.
    std::vector<Rgb> clusters;
    for (int i = 0; i < 3000; ++i) {
        const int base = i % 2 ? 40 : 200;
        clusters.push_back({std::uint8_t(base + random.below(5) - 2),
                            std::uint8_t(base + random.below(5) - 2),
                            std::uint8_t(base + random.below(5) - 2)});
    }
    result = octreeQuantize(sortedHistogram(clusters), 2);
    ASSERT_EQ(result.size(), 2u);
    std::sort(result.begin(), result.end(), [](Rgb a, Rgb b) { return a.r < b.r; });
    for (int k = 0; k < 2; ++k) {
        const int base = k == 0 ? 40 : 200;
        EXPECT_NEAR(result[std::size_t(k)].r, base, 1);
        EXPECT_NEAR(result[std::size_t(k)].g, base, 1);
        EXPECT_NEAR(result[std::size_t(k)].b, base, 1);
    }

    // Many colours: never more than asked for.
    std::vector<Rgb> many;
    for (int i = 0; i < 20000; ++i) {
        many.push_back(randomColor(random));
    }
    for (int maxColors : {1, 17, 236}) {
        EXPECT_LE(octreeQuantize(sortedHistogram(many), maxColors).size(), std::size_t(maxColors));
    }
}

// A picture of far more than 236 colours, through the whole GIF writer and giflib's decoder:
// the static colours at both ends, at most 236 quantised colours, and every pixel on its
// nearest table colour.
TEST(ColorReduction, ManyColoursMapToTheNearestOfAtMost236) {
    FixtureRandom random(9);
    Bitmap bitmap = makeRgbBitmap(211, 157, 32, [&](int x, int y) {
        if (y < 40) {  // flat UI-like bands
            return Rgb{std::uint8_t(240 - (x / 30) * 10), 240, 240};
        }
        return Rgb{std::uint8_t(x + random.below(9)), std::uint8_t(y + random.below(9)),
                   std::uint8_t((x * y) % 256)};
    });
    bitmap.setDeviceDependent(true);
    for (int method : {kGifMethodLzw, kGifMethodRle}) {
        EncodeOptions options;
        options.gifMethod = method;
        const GifContents gif =
            decodeGifWithGiflib(encodeToBytes(bitmap, ImageFormat::Gif, options));
        ASSERT_EQ(gif.colorTable.size(), 256u);
        for (std::size_t i = 0; i < 10; ++i) {
            EXPECT_EQ(gif.colorTable[i], kDefaultPaletteFirst[i]);
            EXPECT_EQ(gif.colorTable[246 + i], kDefaultPaletteLast[i]);
        }
        const std::set<std::uint32_t> quantized = [&] {
            std::set<std::uint32_t> s;
            for (std::size_t i = 10; i < 246; ++i) {
                s.insert(packed(gif.colorTable[i]));
            }
            return s;
        }();
        EXPECT_LE(quantized.size(), 236u);
        const std::vector<Rgb> original = colorsOf(bitmap);
        for (std::size_t p = 0; p < original.size(); ++p) {
            int best = std::numeric_limits<int>::max();
            for (Rgb entry : gif.colorTable) {
                best = std::min(best, distance2(original[p], entry));
            }
            ASSERT_EQ(distance2(original[p], gif.colorTable[gif.indices[p]]), best)
                << "pixel " << p;
        }
    }
}

// The reduction of a photo-like picture (smooth shading with sensor noise, flat black and white
// areas that equal static colours, a few saturated patches) is the same on any number of
// threads and the same as the reference result, also when its rows are taken while they are
// mapped: faster searches must not change a single colour or index.
TEST(ColorReduction, PhotoLikePictureGivesTheReferenceResultOnAnyThreadCount) {
    FixtureRandom random(21);
    const Bitmap bitmap = makeRgbBitmap(480, 320, 32, [&](int x, int y) {
        if (x < 40) {
            return y < 160 ? Rgb{0, 0, 0} : Rgb{255, 255, 255};
        }
        if (y > 280 && x > 400) {
            return Rgb{std::uint8_t(255 * ((x / 20) & 1)), 0, std::uint8_t(255 * ((y / 10) & 1))};
        }
        const int r = 60 + x * 150 / 480 + (y * y) % 37, g = 90 + y / 3, b = 200 - x / 4 + y / 8;
        auto noisy = [&](int v) {
            return std::uint8_t(std::clamp(v + random.below(13) - 6, 0, 255));
        };
        return Rgb{noisy(r), noisy(g), noisy(b)};
    });
    std::uint64_t reference = 0;
    for (int threads : {1, 2, 3}) {
        const ReducedImage image = reduceColors(bitmap, threads);
        std::uint64_t hash = 1469598103934665603ull;  // FNV-1a
        auto add = [&hash](std::uint8_t byte) { hash = (hash ^ byte) * 1099511628211ull; };
        for (Rgb c : image.colorTable) {
            add(c.r);
            add(c.g);
            add(c.b);
        }
        for (std::uint8_t i : image.indices) {
            add(i);
        }
        if (threads == 1) {
            reference = hash;
        }
        EXPECT_EQ(hash, reference) << threads << " threads";
        EXPECT_EQ(hash, 9701546568157517237u) << threads << " threads";

        // Handed over in bands while they are mapped: in order, every row once, same indices.
        std::vector<std::uint8_t> streamed;
        int nextRow = 0;
        const ReducedImage banded =
            reduceColors(bitmap, threads, [&](const std::uint8_t* rows, int firstRow, int count) {
                EXPECT_EQ(firstRow, nextRow);
                nextRow = firstRow + count;
                streamed.insert(streamed.end(), rows, rows + std::size_t(count) * 480);
            });
        EXPECT_EQ(nextRow, 320) << threads << " threads";
        EXPECT_TRUE(std::equal(streamed.begin(), streamed.end(), image.indices.begin(),
                               image.indices.end()))
            << threads << " threads";
        EXPECT_EQ(banded.colorTable, image.colorTable);
    }
}

TEST(ColorReduction, TableHoldsStaticColoursAroundQuantisedOnes) {
    const std::vector<Rgb> table = reducedColorTable({{1, 2, 3}, {4, 5, 6}});
    ASSERT_EQ(table.size(), 256u);
    EXPECT_EQ(table[0], (Rgb{0, 0, 0}));
    EXPECT_EQ(table[9], (Rgb{166, 202, 240}));
    EXPECT_EQ(table[10], (Rgb{1, 2, 3}));
    EXPECT_EQ(table[11], (Rgb{4, 5, 6}));
    EXPECT_EQ(table[12], (Rgb{0, 0, 0}));  // unused entries are black
    EXPECT_EQ(table[246], (Rgb{255, 251, 240}));
    EXPECT_EQ(table[255], (Rgb{255, 255, 255}));
}

}  // namespace
}  // namespace pelko::test
