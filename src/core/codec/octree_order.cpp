#include "core/codec/octree_order.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "core/codec/worker_threads.h"

namespace pelko {
namespace {

// A counting sort puts the colours into groups by the top 12 bits of their key (the octree's
// first four levels: a photograph spreads over hundreds of them), then each group is sorted by
// the other 12 bits, two radix passes of 6 bits, or by insertion when it is small.
constexpr int kPrefixBits = 12;
constexpr std::size_t kGroups = std::size_t(1) << kPrefixBits;
constexpr int kDigitBits = 6;
constexpr std::uint32_t kDigitMask = (1u << kDigitBits) - 1;
constexpr std::size_t kInsertionSortMax = 16;

std::size_t groupOf(const ColorCount& c) {
    return octreeKey(c.rgb) >> (24 - kPrefixBits);
}

void insertionSort(ColorCount* colors, std::size_t n) {
    for (std::size_t i = 1; i < n; ++i) {
        const ColorCount c = colors[i];
        const std::uint32_t key = octreeKey(c.rgb);
        std::size_t j = i;
        for (; j > 0 && octreeKey(colors[j - 1].rgb) > key; --j) {
            colors[j] = colors[j - 1];
        }
        colors[j] = c;
    }
}

// Sorts the n colours of one group by the low 12 bits of their key, through `spare` (n
// colours) and back.
void sortGroup(ColorCount* colors, ColorCount* spare, std::size_t n) {
    if (n <= kInsertionSortMax) {
        insertionSort(colors, n);
        return;
    }
    std::array<std::size_t, kDigitMask + 1> low{}, high{};
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t key = octreeKey(colors[i].rgb);
        ++low[key & kDigitMask];
        ++high[(key >> kDigitBits) & kDigitMask];
    }
    std::size_t lowStart = 0, highStart = 0;
    for (std::size_t d = 0; d <= kDigitMask; ++d) {
        lowStart += std::exchange(low[d], lowStart);
        highStart += std::exchange(high[d], highStart);
    }
    for (std::size_t i = 0; i < n; ++i) {
        spare[low[octreeKey(colors[i].rgb) & kDigitMask]++] = colors[i];
    }
    for (std::size_t i = 0; i < n; ++i) {
        colors[high[(octreeKey(spare[i].rgb) >> kDigitBits) & kDigitMask]++] = spare[i];
    }
}

// Sorts `out.size()` colours into `out`: visit(w, f) calls f(ColorCount) for the colours of
// worker w's share of the source, the same ones each time. The counts and the distribution
// into groups run on `workers` threads, each over its share; then each sorts a range of groups
// holding about as many colours as the others'.
template <class Visit>
void sortByKey(int workers, const Visit& visit, ColorList& out) {
    const auto shares = static_cast<std::size_t>(workers);
    // next[w][g]: where worker w puts its next colour of group g.
    std::vector<std::vector<std::size_t>> next(shares, std::vector<std::size_t>(kGroups));
    runParallel(workers, [&](int w) {
        std::vector<std::size_t>& counts = next[std::size_t(w)];
        visit(w, [&](const ColorCount& c) { ++counts[groupOf(c)]; });
    });
    std::vector<std::size_t> groupStart(kGroups + 1);
    std::size_t start = 0;
    for (std::size_t g = 0; g < kGroups; ++g) {
        groupStart[g] = start;
        for (std::vector<std::size_t>& counts : next) {
            start += std::exchange(counts[g], start);
        }
    }
    groupStart[kGroups] = start;
    runParallel(workers, [&](int w) {
        std::vector<std::size_t>& position = next[std::size_t(w)];
        visit(w, [&](const ColorCount& c) { out[position[groupOf(c)]++] = c; });
    });
    ColorList spare(out.size());
    runParallel(workers, [&](int w) {
        auto groupAt = [&](int k) {
            return std::size_t(std::lower_bound(groupStart.begin(), groupStart.end(),
                                                splitPoint(out.size(), workers, k)) -
                               groupStart.begin());
        };
        const std::size_t end = groupAt(w + 1);
        for (std::size_t g = groupAt(w); g < end; ++g) {
            sortGroup(out.data() + groupStart[g], spare.data() + groupStart[g],
                      groupStart[g + 1] - groupStart[g]);
        }
    });
}

}  // namespace

void sortInOctreeOrder(std::span<ColorCount> colors) {
    ColorList sorted(colors.size());
    sortByKey(
        1,
        [&](int, const auto& f) {
            for (const ColorCount& c : colors) {
                f(c);
            }
        },
        sorted);
    std::copy(sorted.begin(), sorted.end(), colors.begin());
}

ColorList colorsInOctreeOrder(const ColorHistogram& histogram, int workers) {
    ColorList colors(histogram.size());
    const std::size_t slots = histogram.slotCount();
    sortByKey(
        workers,
        [&](int w, const auto& f) {
            histogram.forEachColor(splitPoint(slots, workers, w), splitPoint(slots, workers, w + 1),
                                   f);
        },
        colors);
    return colors;
}

}  // namespace pelko
