#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <vector>

#include "codec_test_support.h"
#include "core/codec/color_histogram.h"
#include "core/codec/octree_order.h"

namespace pelko::test {
namespace {

// The colours of each part (a row band's histogram): `perPart[p]` distinct ones each, random
// picks from base | (random & mask), or from a pool that every part draws on with
// `sharedPercent` chance, so that the parts hold some colours in common.
struct PartsCase {
    const char* name;
    std::vector<int> perPart;
    std::uint32_t base;
    std::uint32_t mask;
    int sharedPercent;
};

const PartsCase kPartsCases[] = {
    {"a few colours, all in every part", {6, 6, 6}, 0, 0xFFFFFF, 100},
    {"one part", {5000}, 0, 0xFFFFFF, 0},
    // Tables half full, as full as they get: runs of full slots cross the workers' ranges.
    {"two parts, half full", {4096, 4096}, 0, 0xFFFFFF, 0},
    {"three parts, half full", {4096, 2048, 2048}, 0, 0xFFFFFF, 0},
    {"two parts, some colours in both", {4000, 4000}, 0, 0xFFFFFF, 30},
    {"parts of very different sizes", {20000, 40, 3000}, 0, 0xFFFFFF, 20},
    {"a large part and a small one, no colour in both", {4096, 1500}, 0, 0xFFFFFF, 0},
    // Every colour in one group of the sort's first pass, then in two.
    {"one key prefix", {2500, 2500}, 0x304070, 0x0F0F0F, 40},
    {"two key prefixes", {3000, 3000}, 0x304070, 0x8F0F0F, 10},
    {"black, white and near them", {40, 40, 40, 40}, 0, 0x030303, 50},
};

struct Parts {
    std::vector<ColorHistogram> histograms;
    std::map<std::uint32_t, std::uint32_t> counts;  // summed over the parts
};

Parts makeParts(const PartsCase& c) {
    FixtureRandom random(7);
    std::vector<std::uint32_t> pool;
    for (int i = 0; i < 64; ++i) {
        pool.push_back(c.base | (random.next() & c.mask));
    }
    pool.push_back(0x000000);
    pool.push_back(0xFFFFFF);
    Parts parts;
    for (int n : c.perPart) {
        ColorHistogram& histogram = parts.histograms.emplace_back();
        while (histogram.size() < std::size_t(n)) {
            const std::uint32_t rgb = random.below(100) < c.sharedPercent
                                          ? pool[std::size_t(random.below(int(pool.size())))]
                                          : c.base | (random.next() & c.mask);
            const std::uint32_t count = 1 + std::uint32_t(random.below(1000));
            histogram.add(rgb, count);
            parts.counts[rgb] += count;
        }
    }
    return parts;
}

std::vector<std::uint32_t> keysOf(const ColorList& colors) {
    std::vector<std::uint32_t> keys;
    for (const ColorCount& c : colors) {
        keys.push_back(octreeKey(c.rgb));
    }
    return keys;
}

// Merged on any number of workers, the parts' tables hold each colour once with the sum of
// its counts, at most half full, take stored values, and give the colours sorted as std::sort
// by key does.
TEST(ColorHistogram, MergedPartsHoldTheSummedCountsAndSortByOctreeKey) {
    for (const PartsCase& c : kPartsCases) {
        const Parts parts = makeParts(c);
        std::vector<ColorCount> expected;
        for (auto [rgb, count] : parts.counts) {
            expected.push_back({rgb, count});
        }
        std::sort(expected.begin(), expected.end(),
                  [](ColorCount a, ColorCount b) { return octreeKey(a.rgb) < octreeKey(b.rgb); });
        for (int workers : {1, 2, 3, 4, 8}) {
            SCOPED_TRACE(std::string(c.name) + ", " + std::to_string(workers) + " workers");
            ColorHistogram merged = ColorHistogram::merged(parts.histograms, workers);
            ASSERT_EQ(merged.size(), parts.counts.size());
            EXPECT_LE(2 * merged.size(), merged.slotCount());  // as fast to look up as a part
            for (auto [rgb, count] : parts.counts) {
                ASSERT_EQ(merged.value(rgb), count) << std::hex << rgb;
            }

            const ColorList sorted = colorsInOctreeOrder(merged, workers);
            ASSERT_EQ(keysOf(sorted), keysOf(ColorList(expected.begin(), expected.end())));
            for (std::size_t i = 0; i < sorted.size(); ++i) {
                ASSERT_EQ(sorted[i].rgb, expected[i].rgb);
                ASSERT_EQ(sorted[i].count, expected[i].count) << std::hex << sorted[i].rgb;
            }

            std::uint32_t next = 0;
            for (auto [rgb, count] : parts.counts) {
                merged.setValue(rgb, next++);
            }
            next = 0;
            for (auto [rgb, count] : parts.counts) {
                ASSERT_EQ(merged.value(rgb), next++) << std::hex << rgb;
            }
        }
    }
}

}  // namespace
}  // namespace pelko::test
