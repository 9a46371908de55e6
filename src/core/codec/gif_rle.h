#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/large_allocator.h"

namespace pelko {

// GIF image data coded by runs instead of LZW string matching: a valid GIF code stream (LSB
// first, growing code widths, clear codes) that every GIF decoder reads, but built from the
// runs of equal indices alone.
//
// A run of colour c is sent as codes whose strings are c, cc, ccc, ...: after a code for c^k
// the decoder's next table entry becomes c^(k+1) when the following code also starts with c,
// so sending that not-yet-defined entry at once (the decoder's "KwKwK" case) lengthens the run
// code by one each time, and a run of n pixels costs about sqrt(2n) codes. The codes of every
// c^k stay known until the next clear code and serve later runs of the same colour. A clear
// code goes out before the table reaches 4096 entries.
//
// Returns the packed codes, starting with a clear code and ending with the end code; the
// caller adds the code-size byte and the data sub-blocks. Every pixel must be below
// 1 << minCodeSize; minCodeSize is 2 to 8.
ByteBuffer encodeGifRle(const std::uint8_t* pixels, std::size_t count, int minCodeSize);

}  // namespace pelko
