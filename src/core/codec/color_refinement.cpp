#include "core/codec/color_refinement.h"

#include <array>

#include "core/codec/color_reduction.h"
#include "core/codec/nearest_color.h"
#include "core/codec/worker_threads.h"
#include "core/large_allocator.h"

namespace pelko {
namespace {

// Per quantised entry and channel: pixel counts by channel value.
using ChannelCounts = std::array<std::array<std::uint32_t, 256>, 3>;

// The counts of one worker's colours, kept from step to step: a step changes them only for
// the colours whose nearest entry changed, and marks the entries it changed.
struct WorkerCounts {
    std::vector<ChannelCounts, LargeAllocator<ChannelCounts>> entries;
    std::array<bool, 256> touched{};

    void add(std::uint8_t entry, Rgb c, std::uint32_t n) {
        const std::size_t k = std::size_t(entry) - kFirstQuantizedEntry;
        if (k < entries.size()) {
            entries[k][0][c.r] += n;
            entries[k][1][c.g] += n;
            entries[k][2][c.b] += n;
            touched[entry] = true;
        }
    }
    void remove(std::uint8_t entry, Rgb c, std::uint32_t n) {
        const std::size_t k = std::size_t(entry) - kFirstQuantizedEntry;
        if (k < entries.size()) {
            entries[k][0][c.r] -= n;
            entries[k][1][c.g] -= n;
            entries[k][2][c.b] -= n;
            touched[entry] = true;
        }
    }
};

Rgb colorOf(const ColorCount& color) {
    return Rgb{std::uint8_t(color.rgb >> 16), std::uint8_t(color.rgb >> 8),
               std::uint8_t(color.rgb)};
}

// The per-channel median of the pixels of quantised entry k over all workers; false when the
// entry has no pixels.
bool medianOf(const std::vector<WorkerCounts>& counts, std::size_t k, Rgb& median) {
    std::uint8_t* channels[3] = {&median.r, &median.g, &median.b};
    for (std::size_t channel = 0; channel < 3; ++channel) {
        std::array<std::uint64_t, 256> total{};
        for (const WorkerCounts& own : counts) {
            for (std::size_t v = 0; v < 256; ++v) {
                total[v] += own.entries[k][channel][v];
            }
        }
        std::uint64_t pixels = 0;
        for (std::uint64_t n : total) {
            pixels += n;
        }
        if (pixels == 0) {
            return false;
        }
        std::uint64_t below = 0;
        std::size_t v = 0;
        while (v < 255 && 2 * (below + total[v]) < pixels) {
            below += total[v++];
        }
        *channels[channel] = std::uint8_t(v);
    }
    return true;
}

}  // namespace

ByteBuffer refineColors(std::vector<Rgb>& table, int quantized, std::span<const ColorCount> colors,
                        int workers, int steps) {
    const auto entries = std::size_t(quantized);
    ByteBuffer nearest(colors.size());
    std::vector<WorkerCounts> counts(static_cast<std::size_t>(workers));
    for (WorkerCounts& own : counts) {
        own.entries.assign(entries, ChannelCounts{});
    }
    // The entries that moved in the last step. A colour whose nearest entry stayed can only
    // have gone to one of them, and only the colours that went elsewhere change the counts,
    // so the later steps, where few entries still move, cost little.
    std::array<bool, 256> moved{};
    // One pass more than there are steps: the last only finds the nearest entries of the final
    // table.
    std::vector<NearestColor> searches(static_cast<std::size_t>(workers), NearestColor(table));
    for (int step = 0; step <= steps; ++step) {
        const bool first = step == 0, last = step == steps;
        runParallel(workers, [&](int i) {
            NearestColor& search = searches[std::size_t(i)];
            search.reset(table, first ? nullptr : &moved);
            WorkerCounts& own = counts[std::size_t(i)];
            own.touched.fill(false);
            const std::size_t end = splitPoint(colors.size(), workers, i + 1);
            for (std::size_t j = splitPoint(colors.size(), workers, i); j < end; ++j) {
                const Rgb c = colorOf(colors[j]);
                if (first) {
                    nearest[j] = search.find(c);
                    own.add(nearest[j], c, colors[j].count);
                    continue;
                }
                const std::uint8_t before = nearest[j];
                const std::uint8_t now =
                    moved[before] ? search.find(c) : search.findAfterMove(c, before);
                if (now != before) {
                    nearest[j] = now;
                    if (!last) {
                        own.remove(before, c, colors[j].count);
                        own.add(now, c, colors[j].count);
                    }
                }
            }
        });
        if (last) {
            break;
        }
        // Entries whose pixels did not change keep their median, which is where they are.
        moved.fill(false);
        bool changed = false;
        for (std::size_t k = 0; k < entries; ++k) {
            const std::size_t entry = kFirstQuantizedEntry + k;
            bool touched = false;
            for (const WorkerCounts& own : counts) {
                touched = touched || own.touched[entry];
            }
            Rgb median;
            if (touched && medianOf(counts, k, median) && table[entry] != median) {
                table[entry] = median;  // an entry with no pixels stays
                moved[entry] = true;
                changed = true;
            }
        }
        if (!changed) {
            break;
        }
    }
    return nearest;
}

}  // namespace pelko
