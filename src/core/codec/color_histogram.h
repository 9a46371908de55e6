#pragma once

#include <cstdint>
#include <vector>

#include "core/codec/octree_quantizer.h"
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
    void merge(const ColorHistogram& other);

    std::size_t size() const { return m_size; }
    std::vector<ColorCount> colors() const;

    // The value stored for a colour that is in the table.
    std::uint32_t value(std::uint32_t rgb) const { return m_slots[findSlot(rgb)].value; }
    void setValue(std::uint32_t rgb, std::uint32_t value) { m_slots[findSlot(rgb)].value = value; }

  private:
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
    struct Slot {
        std::uint32_t key = kEmpty;
        std::uint32_t value = 0;
    };

    std::size_t findSlot(std::uint32_t rgb) const {
        std::size_t i = (rgb * 0x9E3779B1u) >> m_shift;
        while (m_slots[i].key != rgb && m_slots[i].key != kEmpty) {
            i = (i + 1) & m_mask;
        }
        return i;
    }
    void grow();

    std::vector<Slot, LargeAllocator<Slot>> m_slots;
    std::size_t m_mask = 0;
    int m_shift = 0;
    std::size_t m_size = 0;
};

}  // namespace pelko
