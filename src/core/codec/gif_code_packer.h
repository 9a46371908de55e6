#pragma once

#include <cstdint>
#include <vector>

#include "core/large_allocator.h"

namespace pelko {

// Packs GIF codes of varying width into bytes, least significant bit first, as the image data
// sub-blocks carry them.
class GifCodePacker {
  public:
    explicit GifCodePacker(ByteBuffer& out) : m_out(out) {}

    void put(unsigned code, int width) {
        m_bits |= std::uint64_t(code) << m_bitCount;
        m_bitCount += width;
        while (m_bitCount >= 8) {
            m_out.push_back(std::uint8_t(m_bits));
            m_bits >>= 8;
            m_bitCount -= 8;
        }
    }

    // The last partial byte, its unused high bits zero.
    void finish() {
        if (m_bitCount > 0) {
            m_out.push_back(std::uint8_t(m_bits));
            m_bits = 0;
            m_bitCount = 0;
        }
    }

  private:
    ByteBuffer& m_out;
    std::uint64_t m_bits = 0;
    int m_bitCount = 0;
};

}  // namespace pelko
