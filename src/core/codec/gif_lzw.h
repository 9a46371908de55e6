#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/codec/gif_code_packer.h"

namespace pelko {

// GIF image data by LZW string matching, code for code as GIF encoders have long written it:
// a clear code first; the longest string in the table at each step; after each code a new
// entry for that string plus the next pixel, and a clear code instead once the next entry
// would be 4095; a code is one bit wider once the entry before it no longer fits the width.
//
// Returns the packed codes, ending with the end code; the caller adds the code-size byte and
// the data sub-blocks. Pixels are masked to their low minCodeSize bits; minCodeSize is 2 to 8.
ByteBuffer encodeGifLzw(const std::uint8_t* pixels, std::size_t count, int minCodeSize);

class LzwStringTable;

// The same coder fed in pieces, for pixels that arrive while they are computed: the codes
// are those of all pieces in one.
class GifLzwCoder {
  public:
    // Room is made for the codes of about `expectedPixels` pixels up front.
    explicit GifLzwCoder(int minCodeSize, std::size_t expectedPixels = 0);
    ~GifLzwCoder();
    GifLzwCoder(const GifLzwCoder&) = delete;
    GifLzwCoder& operator=(const GifLzwCoder&) = delete;

    void add(const std::uint8_t* pixels, std::size_t count);
    // The packed codes; throws when no pixel was added.
    ByteBuffer finish();

  private:
    void reset();
    void put(unsigned code);

    const int m_minCodeSize;
    const unsigned m_clearCode;
    ByteBuffer m_out;
    GifCodePacker m_packer;
    std::unique_ptr<LzwStringTable> m_table;
    bool m_started = false;
    unsigned m_current = 0;
    unsigned m_next = 0;
    int m_width = 0;
    unsigned m_limit = 0;
};

}  // namespace pelko
