#include "core/codec/color_histogram.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "core/codec/worker_threads.h"

namespace pelko {
namespace {

constexpr int kInitialBits = 12;
constexpr int kPresizedBits = 18;

}  // namespace

ColorHistogram::ColorHistogram() : ColorHistogram(kInitialBits) {
    std::fill(m_slots.begin(), m_slots.end(), Slot{kEmpty, 0});
}

ColorHistogram::ColorHistogram(int bits)
    : m_slots(std::size_t(1) << bits), m_mask((std::size_t(1) << bits) - 1), m_shift(32 - bits) {}

void ColorHistogram::add(std::uint32_t rgb, std::uint32_t count) {
    std::size_t i = findSlot(rgb);
    if (m_slots[i].key == kEmpty) {
        if (2 * (m_size + 1) > m_slots.size()) {
            grow();
            i = findSlot(rgb);
        }
        m_slots[i].key = rgb;
        ++m_size;
    }
    m_slots[i].value += count;
}

void ColorHistogram::grow() {
    Slots old(m_slots.size() * 2, Slot{kEmpty, 0});
    old.swap(m_slots);
    m_mask = m_slots.size() - 1;
    --m_shift;
    for (const Slot& slot : old) {
        if (slot.key != kEmpty) {
            m_slots[findSlot(slot.key)] = slot;
        }
    }
}

ColorHistogram ColorHistogram::merged(std::vector<ColorHistogram> parts, int workers) {
    if (parts.size() <= 1) {
        return parts.empty() ? ColorHistogram() : std::move(parts[0]);
    }
    // The result has no fewer slots than any part, so that a range of its slots is a range of
    // each part's. The largest part's table takes the others' colours when they would fill at
    // most three quarters of it even if no colour were in two parts: a screen's bands share
    // many colours. Otherwise a new table takes them all, at most half full, as add() keeps
    // it.
    std::size_t total = 0;
    std::size_t largest = 0;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        total += parts[i].m_size;
        if (parts[i].m_slots.size() > parts[largest].m_slots.size()) {
            largest = i;
        }
    }
    int bits = 32 - parts[largest].m_shift;
    const bool inPlace = 4 * total <= 3 * (std::size_t(1) << bits);
    while ((std::size_t(1) << bits) < 2 * total) {
        ++bits;
    }
    ColorHistogram result = inPlace ? std::move(parts[largest]) : ColorHistogram(bits);
    if (inPlace) {
        parts.erase(parts.begin() + std::ptrdiff_t(largest));
    }
    std::vector<std::vector<ColorCount>> spilled(static_cast<std::size_t>(workers));
    std::vector<std::size_t> added(static_cast<std::size_t>(workers));
    runParallel(workers, [&](int i) {
        const std::size_t first = splitPoint(result.m_slots.size(), workers, i);
        const std::size_t end = splitPoint(result.m_slots.size(), workers, i + 1);
        if (!inPlace) {
            std::fill(result.m_slots.begin() + std::ptrdiff_t(first),
                      result.m_slots.begin() + std::ptrdiff_t(end), Slot{kEmpty, 0});
        }
        added[std::size_t(i)] = result.mergeRange(parts, first, end, spilled[std::size_t(i)]);
    });
    for (std::size_t n : added) {
        result.m_size += n;
    }
    if (2 * result.m_size > result.m_slots.size()) {
        result.grow();
    }
    for (const std::vector<ColorCount>& colors : spilled) {
        for (const ColorCount& c : colors) {
            result.add(c.rgb, c.count);
        }
    }
    return result;
}

// Adds to slots [first, end) every part's colours whose home slot is there, without probing
// past `end`: a colour that would is left in `spilled`, for merged() to add once every range
// is done. Returns the number of colours placed in empty slots.
std::size_t ColorHistogram::mergeRange(const std::vector<ColorHistogram>& parts, std::size_t first,
                                       std::size_t end, std::vector<ColorCount>& spilled) {
    if (first == end) {
        return 0;
    }
    std::size_t placed = 0;
    auto place = [&](const Slot& slot) {
        const std::size_t home = hash(slot.key) >> m_shift;
        if (home < first || home >= end) {
            return;
        }
        for (std::size_t i = home; i < end; ++i) {
            if (m_slots[i].key == slot.key) {
                m_slots[i].value += slot.value;
                return;
            }
            if (m_slots[i].key == kEmpty) {
                m_slots[i] = slot;
                ++placed;
                return;
            }
        }
        spilled.push_back({slot.key, slot.value});
    };
    for (const ColorHistogram& part : parts) {
        // A part has as many slots or fewer: its home slot of a colour is this table's shifted
        // right by `drop` bits.
        const int drop = part.m_shift - m_shift;
        const std::size_t partFirst = first >> drop;
        const std::size_t partEnd = ((end - 1) >> drop) + 1;
        for (std::size_t i = partFirst; i < partEnd; ++i) {
            if (part.m_slots[i].key != kEmpty) {
                place(part.m_slots[i]);
            }
        }
        // Colours whose home is in the range but that collisions pushed past its end follow in
        // the run of full slots from there, wrapping round after the last slot.
        for (std::size_t i = partEnd & part.m_mask; i != partFirst && part.m_slots[i].key != kEmpty;
             i = (i + 1) & part.m_mask) {
            place(part.m_slots[i]);
        }
    }
    return placed;
}

void ColorHistogram::addRows(const Bitmap& bitmap, int firstRow, int endRow) {
    std::array<std::uint32_t, 256> paletteRgb{};
    if (bitmap.indexed()) {
        for (std::size_t i = 0; i < bitmap.palette().size() && i < 256; ++i) {
            const Rgb c = bitmap.palette()[i];
            paletteRgb[i] = (std::uint32_t(c.r) << 16) | (c.g << 8) | c.b;
        }
    }
    // An empty table starts at a size for the pixels to come, instead of doubling its way up
    // from the smallest, rehashing every colour at each step.
    const std::size_t pixels =
        std::size_t(std::max(endRow - firstRow, 0)) * std::size_t(bitmap.width());
    const int bits = std::clamp(int(std::bit_width(pixels / 4)), kInitialBits, kPresizedBits);
    if (m_size == 0 && (std::size_t(1) << bits) > m_slots.size()) {
        *this = ColorHistogram(bits);
        std::fill(m_slots.begin(), m_slots.end(), Slot{kEmpty, 0});
    }
    // Screens have long runs of one colour: count a run, then add it once.
    std::uint32_t runColor = 0;
    std::uint32_t runLength = 0;
    for (int y = firstRow; y < endRow; ++y) {
        const std::uint8_t* p = bitmap.row(y);
        for (int x = 0; x < bitmap.width(); ++x) {
            std::uint32_t rgb;
            if (bitmap.indexed()) {
                rgb = paletteRgb[p[x]];
            } else if constexpr (std::endian::native == std::endian::little) {
                std::memcpy(&rgb, p + 4 * x, 4);  // B, G, R, X: 0xXXRRGGBB
                rgb &= 0xFFFFFF;
            } else {
                rgb = (std::uint32_t(p[4 * x + 2]) << 16) | (p[4 * x + 1] << 8) | p[4 * x];
            }
            if (rgb == runColor && runLength > 0) {
                ++runLength;
                continue;
            }
            if (runLength > 0) {
                add(runColor, runLength);
            }
            runColor = rgb;
            runLength = 1;
        }
    }
    if (runLength > 0) {
        add(runColor, runLength);
    }
}

}  // namespace pelko
