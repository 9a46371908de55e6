#include "core/codec/color_histogram.h"

#include <array>
#include <bit>
#include <cstring>

namespace pelko {
namespace {

constexpr int kInitialBits = 12;

}  // namespace

ColorHistogram::ColorHistogram()
    : m_slots(std::size_t(1) << kInitialBits),
      m_mask((std::size_t(1) << kInitialBits) - 1),
      m_shift(32 - kInitialBits) {}

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
    std::vector<Slot, LargeAllocator<Slot>> old(m_slots.size() * 2);
    old.swap(m_slots);
    m_mask = m_slots.size() - 1;
    --m_shift;
    for (const Slot& slot : old) {
        if (slot.key != kEmpty) {
            m_slots[findSlot(slot.key)] = slot;
        }
    }
}

void ColorHistogram::merge(const ColorHistogram& other) {
    for (const Slot& slot : other.m_slots) {
        if (slot.key != kEmpty) {
            add(slot.key, slot.value);
        }
    }
}

void ColorHistogram::addRows(const Bitmap& bitmap, int firstRow, int endRow) {
    std::array<std::uint32_t, 256> paletteRgb{};
    if (bitmap.indexed()) {
        for (std::size_t i = 0; i < bitmap.palette().size() && i < 256; ++i) {
            const Rgb c = bitmap.palette()[i];
            paletteRgb[i] = (std::uint32_t(c.r) << 16) | (c.g << 8) | c.b;
        }
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

std::vector<ColorCount> ColorHistogram::colors() const {
    std::vector<ColorCount> out;
    out.reserve(m_size);
    for (const Slot& slot : m_slots) {
        if (slot.key != kEmpty) {
            out.push_back({slot.key, slot.value});
        }
    }
    return out;
}

}  // namespace pelko
