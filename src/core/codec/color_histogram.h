#pragma once

#include <cstdint>
#include <vector>

#include "core/codec/color_count.h"
#include "core/image/bitmap.h"
#include "core/large_allocator.h"

namespace pelko {

// The distinct colours of an image with a 32-bit value each: first the pixel count, later
// whatever the user stores (the colour reduction stores the palette index). An open-addressing
// hash table keyed by 0x00RRGGBB.
class ColorHistogram {
  public:
    ColorHistogram();

    // Counts the pixels of rows [firstRow, endRow) of a Bitmap of any depth (indexed ones
    // through their palette).
    void addRows(const Bitmap& bitmap, int firstRow, int endRow);
    void add(std::uint32_t rgb, std::uint32_t count);

    // One histogram of the colours of all `parts` (the row bands of an image, say), the counts
    // of a colour in several parts summed. `workers` threads share the work, each the colours
    // of one range of hash values.
    static ColorHistogram merged(std::vector<ColorHistogram> parts, int workers);

    std::size_t size() const { return m_size; }

    // The table's slots, for visiting its colours in ranges of slots: calls f(ColorCount) for
    // each colour in slots [first, end).
    std::size_t slotCount() const { return m_slots.size(); }
    template <class F>
    void forEachColor(std::size_t first, std::size_t end, F&& f) const {
        for (std::size_t i = first; i < end; ++i) {
            if (m_slots[i].key != kEmpty) {
                f(ColorCount{m_slots[i].key, m_slots[i].value});
            }
        }
    }

    // The value stored for a colour that is in the table.
    std::uint32_t value(std::uint32_t rgb) const { return m_slots[findSlot(rgb)].value; }
    void setValue(std::uint32_t rgb, std::uint32_t value) { m_slots[findSlot(rgb)].value = value; }

  private:
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
    // No default member values: a merged table's slots are cleared by the workers that fill
    // them, so that each page is first touched by one of them.
    struct Slot {
        std::uint32_t key;
        std::uint32_t value;
    };
    using Slots = std::vector<Slot, LargeAllocator<Slot>>;

    explicit ColorHistogram(int bits);  // 2^bits slots, not cleared

    static std::uint32_t hash(std::uint32_t rgb) { return rgb * 0x9E3779B1u; }
    std::size_t findSlot(std::uint32_t rgb) const {
        std::size_t i = hash(rgb) >> m_shift;
        while (m_slots[i].key != rgb && m_slots[i].key != kEmpty) {
            i = (i + 1) & m_mask;
        }
        return i;
    }
    void grow();
    std::size_t mergeRange(const std::vector<ColorHistogram>& parts, std::size_t first,
                           std::size_t end, std::vector<ColorCount>& spilled);

    Slots m_slots;
    std::size_t m_mask = 0;
    int m_shift = 0;
    std::size_t m_size = 0;
};

}  // namespace pelko
