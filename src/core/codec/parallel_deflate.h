#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/large_allocator.h"

namespace pelko {

// Fills `out` with rows [firstRow, firstRow + count) of the data to compress, count * rowBytes
// bytes. Called from several threads at once, for disjoint rows.
using RowSource = std::function<void(std::size_t firstRow, std::size_t count, std::uint8_t* out)>;

struct DeflateSettings {
    int level = 7;
    int windowBits = 15;  // 9 to 15
    int memLevel = 8;
    int strategy = 0;  // a zlib strategy: Z_DEFAULT_STRATEGY, Z_FILTERED, ...
    int threads = 0;   // 0: one per core
    // Below this many input bytes per band, fewer bands are used.
    std::size_t minBandBytes = 128 * 1024;
};

// One zlib stream (RFC 1950) over rowCount rows of rowBytes bytes, compressed in contiguous
// bands of rows on parallel threads. Each band is raw deflate data primed with the window's
// worth of input before it and ended with a sync flush (the last with the final block), so the
// bands join into one deflate stream; the Adler-32 checksums of the bands are combined for the
// trailer. The result is in parts that, concatenated in order, form the whole stream: the
// 2-byte header starts the first part, the trailer ends the last.
std::vector<ByteBuffer> deflateRowsParallel(std::size_t rowCount, std::size_t rowBytes,
                                            const RowSource& source,
                                            const DeflateSettings& settings);

}  // namespace pelko
