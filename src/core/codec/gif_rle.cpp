#include "core/codec/gif_rle.h"

#include <algorithm>
#include <bit>

#include "core/codec/gif_code_packer.h"
#include "core/error.h"

namespace pelko {
namespace {

constexpr int kMaxCodeBits = 12;
// A clear code goes out before a code that would define this entry, well before the table is
// full, so that no decoder meets the full-table case.
constexpr int kClearAtEntry = 4093;

class RunCoder {
  public:
    RunCoder(int minCodeSize, ByteBuffer& out)
        : m_clearCode(1 << minCodeSize), m_runCodes(std::size_t(m_clearCode)), m_packer(out) {
        m_next = m_clearCode + 2;
        clear();
    }

    void run(int color, std::size_t length) {
        while (length > 0) {
            if (!m_first && m_next >= kClearAtEntry) {
                clear();
            }
            std::vector<std::uint16_t>& codes = m_runCodes[std::size_t(color)];
            const std::size_t longest = codes.size() + 1;  // the literal, then c^2 .. c^longest
            if (!m_first && m_prevColor == color && m_prevLength == longest &&
                length >= longest + 1) {
                // The entry the decoder is about to define is c^(longest + 1): send it now.
                emit(m_next, color, longest + 1);
                length -= longest + 1;
            } else {
                const std::size_t take = std::min(longest, length);
                emit(take == 1 ? color : codes[take - 2], color, take);
                length -= take;
            }
        }
    }

    void finish() {
        put(m_clearCode + 1);  // end of information
        m_packer.finish();
    }

  private:
    // The decoder reads each code with as many bits as its next free entry needs.
    int codeWidth() const { return std::min(kMaxCodeBits, int(std::bit_width(unsigned(m_next)))); }

    void put(int code) { m_packer.put(unsigned(code), codeWidth()); }

    void clear() {
        put(m_clearCode);
        m_next = m_clearCode + 2;
        m_first = true;
        for (int color : m_touched) {
            m_runCodes[std::size_t(color)].clear();
        }
        m_touched.clear();
    }

    // Sends a code whose string is `color` repeated `length` times, and follows the entry the
    // decoder defines on reading it: the previous string plus this string's first pixel.
    void emit(int code, int color, std::size_t length) {
        put(code);
        if (!m_first) {
            std::vector<std::uint16_t>& codes = m_runCodes[std::size_t(color)];
            if (m_prevColor == color && m_prevLength == codes.size() + 1) {
                if (codes.empty()) {
                    m_touched.push_back(color);
                }
                codes.push_back(std::uint16_t(m_next));
            }
            ++m_next;
        }
        m_first = false;
        m_prevColor = color;
        m_prevLength = length;
    }

    const int m_clearCode;
    // Per colour c: the codes of c^2, c^3, ... defined since the last clear code.
    std::vector<std::vector<std::uint16_t>> m_runCodes;
    std::vector<int> m_touched;
    GifCodePacker m_packer;
    int m_next = 0;
    bool m_first = true;
    int m_prevColor = -1;
    std::size_t m_prevLength = 0;
};

}  // namespace

ByteBuffer encodeGifRle(const std::uint8_t* pixels, std::size_t count, int minCodeSize) {
    if (minCodeSize < 2 || minCodeSize > 8) {
        throw Error("Invalid GIF code size");
    }
    ByteBuffer out;
    out.reserve(count / 8 + 64);
    RunCoder coder(minCodeSize, out);
    const int limit = 1 << minCodeSize;
    std::size_t i = 0;
    while (i < count) {
        const std::uint8_t color = pixels[i];
        if (color >= limit) {
            throw Error("Invalid GIF pixel value");
        }
        std::size_t end = i + 1;
        while (end < count && pixels[end] == color) {
            ++end;
        }
        coder.run(color, end - i);
        i = end;
    }
    coder.finish();
    return out;
}

}  // namespace pelko
