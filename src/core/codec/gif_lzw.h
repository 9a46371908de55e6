#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pelko {

// GIF image data by LZW string matching, code for code as GIF encoders have long written it:
// a clear code first; the longest string in the table at each step; after each code a new
// entry for that string plus the next pixel, and a clear code instead once the next entry
// would be 4095; a code is one bit wider once the entry before it no longer fits the width.
//
// Returns the packed codes, ending with the end code; the caller adds the code-size byte and
// the data sub-blocks. Pixels are masked to their low minCodeSize bits; minCodeSize is 2 to 8.
std::vector<std::uint8_t> encodeGifLzw(const std::uint8_t* pixels, std::size_t count,
                                       int minCodeSize);

}  // namespace pelko
