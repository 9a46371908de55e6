#include "core/codec/gif_lzw.h"

#include <array>
#include <cstring>
#include <memory>

#include "core/codec/gif_code_packer.h"
#include "core/error.h"

namespace pelko {
namespace {

// The entry that triggers a clear code instead of being defined.
constexpr unsigned kClearAtEntry = 4095;

}  // namespace

// The strings defined since the last clear code: (prefix code, next pixel) -> code, in an
// open-addressing table at most a quarter full, small enough to stay in the cache. A slot holds
// the key (20 bits) above the code (12 bits); the empty value is no real slot, because code
// 4095 is never defined.
class LzwStringTable {
  public:
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;

    LzwStringTable() { clear(); }

    void clear() { std::memset(m_slots.data(), 0xFF, sizeof m_slots); }

    // The slot of `key`, or the empty slot where it would go.
    std::size_t find(std::uint32_t key) const {
        std::size_t i = (key * 0x9E3779B1u) >> (32 - kBits);
        while (m_slots[i] != kEmpty && (m_slots[i] >> 12) != key) {
            i = (i + 1) & (kSize - 1);
        }
        return i;
    }
    std::uint32_t at(std::size_t slot) const { return m_slots[slot]; }
    void set(std::size_t slot, std::uint32_t key, unsigned code) {
        m_slots[slot] = key << 12 | code;
    }

  private:
    static constexpr int kBits = 14;
    static constexpr std::size_t kSize = std::size_t(1) << kBits;
    std::array<std::uint32_t, kSize> m_slots;
};

GifLzwCoder::GifLzwCoder(int minCodeSize, std::size_t expectedPixels)
    : m_minCodeSize(minCodeSize), m_clearCode(1u << minCodeSize), m_packer(m_out) {
    if (minCodeSize < 2 || minCodeSize > 8) {
        throw Error("Invalid GIF code size");
    }
    // A quarter byte a pixel covers all but noise; growing a large buffer step by step would
    // copy it and touch fresh pages again each time.
    m_out.reserve(expectedPixels / 4 + 64);
    m_table = std::make_unique<LzwStringTable>();
    reset();
    put(m_clearCode);
}

GifLzwCoder::~GifLzwCoder() = default;

void GifLzwCoder::add(const std::uint8_t* pixels, std::size_t count) {
    if (count == 0) {
        return;
    }
    const unsigned mask = m_clearCode - 1;
    std::size_t i = 0;
    if (!m_started) {
        m_current = pixels[i++] & mask;
        m_started = true;
    }
    unsigned current = m_current;
    LzwStringTable& table = *m_table;
    for (; i < count; ++i) {
        const unsigned pixel = pixels[i] & mask;
        const std::uint32_t key = current << 8 | pixel;
        const std::size_t slot = table.find(key);
        const std::uint32_t entry = table.at(slot);
        if (entry != LzwStringTable::kEmpty) {
            current = entry & 0xFFF;
            continue;
        }
        put(current);
        current = pixel;
        if (m_next >= kClearAtEntry) {
            put(m_clearCode);
            reset();
        } else {
            table.set(slot, key, m_next++);
        }
    }
    m_current = current;
}

ByteBuffer GifLzwCoder::finish() {
    if (!m_started) {
        throw Error("Cannot write an empty image");
    }
    put(m_current);
    put(m_clearCode + 1);  // end of information
    m_packer.finish();
    return std::move(m_out);
}

void GifLzwCoder::reset() {
    m_next = m_clearCode + 2;
    m_width = m_minCodeSize + 1;
    m_limit = 1u << m_width;
    m_table->clear();
}

// The width grows after the code that was sent while the next entry already needed it.
void GifLzwCoder::put(unsigned code) {
    m_packer.put(code, m_width);
    if (m_next >= m_limit) {
        m_limit = 1u << ++m_width;
    }
}

ByteBuffer encodeGifLzw(const std::uint8_t* pixels, std::size_t count, int minCodeSize) {
    GifLzwCoder coder(minCodeSize, count);
    coder.add(pixels, count);
    return coder.finish();
}

}  // namespace pelko
