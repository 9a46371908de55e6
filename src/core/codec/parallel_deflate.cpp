#include "core/codec/parallel_deflate.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>

#include "core/codec/worker_threads.h"
#include "core/error.h"

namespace pelko {
namespace {

constexpr std::size_t kBatchBytes = 128 * 1024;
constexpr std::size_t kBandsPerWorker = 4;
constexpr std::size_t kCostSampleStep = 16;  // every 16th row of a band estimates its cost

// zlib's memory for one stream, from one block whose pages are all present from the start
// (see LargeAllocator). Taken from the allocator one by one, its tables faulted in a page at a
// time at their first touch. Requests beyond the block go to the allocator.
class DeflateArena {
  public:
    explicit DeflateArena(const DeflateSettings& settings)
        // zlib's own figure for a deflate stream, and room for its state.
        : m_block((std::size_t(1) << (settings.windowBits + 2)) +
                  (std::size_t(1) << (settings.memLevel + 9)) + kStateRoom) {}

    static voidpf allocate(voidpf opaque, uInt items, uInt size) {
        auto* arena = static_cast<DeflateArena*>(opaque);
        const std::size_t bytes = (std::size_t(items) * size + 15) & ~std::size_t(15);
        if (bytes <= arena->m_block.size() - arena->m_used) {
            void* p = arena->m_block.data() + arena->m_used;
            arena->m_used += bytes;
            return p;
        }
        return std::calloc(items, size);
    }
    static void release(voidpf opaque, voidpf p) {
        auto* arena = static_cast<DeflateArena*>(opaque);
        const auto* byte = static_cast<const std::uint8_t*>(p);
        if (byte < arena->m_block.data() || byte >= arena->m_block.data() + arena->m_block.size()) {
            std::free(p);
        }
    }

  private:
    static constexpr std::size_t kStateRoom = 16 * 1024;
    ByteBuffer m_block;
    std::size_t m_used = 0;
};

// A raw deflate stream (no zlib header or trailer) that ends itself.
class RawDeflater {
  public:
    explicit RawDeflater(const DeflateSettings& settings) : m_arena(settings) {
        m_stream.zalloc = DeflateArena::allocate;
        m_stream.zfree = DeflateArena::release;
        m_stream.opaque = &m_arena;
        if (deflateInit2(&m_stream, settings.level, Z_DEFLATED, -settings.windowBits,
                         settings.memLevel, settings.strategy) != Z_OK) {
            throw Error("Out of memory");
        }
    }
    ~RawDeflater() { deflateEnd(&m_stream); }
    RawDeflater(const RawDeflater&) = delete;
    RawDeflater& operator=(const RawDeflater&) = delete;

    // Starts a new stream with the same settings, keeping the memory of the last one.
    void reset() {
        if (deflateReset(&m_stream) != Z_OK) {
            throw Error("Cannot compress the image data");
        }
    }

    void setDictionary(const std::uint8_t* data, std::size_t size) {
        if (deflateSetDictionary(&m_stream, data, uInt(size)) != Z_OK) {
            throw Error("Cannot compress the image data");
        }
    }

    // Compresses `size` bytes with the given flush mode, appending to `out` from `used` on.
    void compress(const std::uint8_t* data, std::size_t size, int flush, ByteBuffer& out,
                  std::size_t& used) {
        m_stream.next_in = const_cast<Bytef*>(data);
        m_stream.avail_in = uInt(size);
        for (;;) {
            if (out.size() - used < 4096) {
                out.resize(std::max(out.size() * 2, used + 65536));
            }
            const std::size_t room = std::min<std::size_t>(out.size() - used, 1u << 30);
            m_stream.next_out = out.data() + used;
            m_stream.avail_out = uInt(room);
            const int result = deflate(&m_stream, flush);
            used += room - m_stream.avail_out;
            if (result == Z_STREAM_ERROR) {
                throw Error("Cannot compress the image data");
            }
            if (flush == Z_FINISH ? result == Z_STREAM_END
                                  : m_stream.avail_in == 0 && m_stream.avail_out != 0) {
                return;
            }
        }
    }

  private:
    DeflateArena m_arena;
    z_stream m_stream{};
};

struct Band {
    std::size_t firstRow = 0;
    std::size_t rowCount = 0;
    ByteBuffer data;
    uLong adler = 0;
};

// The input buffer of one worker, for every band it takes (like its deflater).
ByteBuffer inputBuffer(std::size_t rowBytes, const DeflateSettings& settings) {
    const std::size_t window = std::size_t(1) << settings.windowBits;
    const std::size_t batchRows = std::max<std::size_t>(1, kBatchBytes / rowBytes);
    return ByteBuffer(std::max(batchRows * rowBytes, window + rowBytes));
}

void compressBand(Band& band, bool first, bool last, std::size_t rowBytes, const RowSource& source,
                  const DeflateSettings& settings, RawDeflater& deflater, ByteBuffer& buffer) {
    deflater.reset();
    const std::size_t window = std::size_t(1) << settings.windowBits;
    const std::size_t batchRows = std::max<std::size_t>(1, kBatchBytes / rowBytes);

    if (!first && band.firstRow > 0) {
        // Prime the window with the input just before this band, as a single deflate stream
        // would have it; the decoder has those bytes in its window already.
        const std::size_t rows = std::min(band.firstRow, (window + rowBytes - 1) / rowBytes);
        source(band.firstRow - rows, rows, buffer.data());
        const std::size_t size = std::min(rows * rowBytes, window);
        deflater.setDictionary(buffer.data() + rows * rowBytes - size, size);
    }

    std::size_t used = 0;
    band.data.resize(std::max<std::size_t>(band.rowCount * rowBytes / 4, 4096));
    if (first) {
        // Header: deflate, the window size, FLEVEL as zlib gives it for the level.
        const int flevel = settings.level < 2    ? 0
                           : settings.level < 6  ? 1
                           : settings.level == 6 ? 2
                                                 : 3;
        const unsigned cmf = unsigned((settings.windowBits - 8) << 4) | 8u;
        const unsigned header = (cmf << 8) | unsigned(flevel << 6);
        band.data[0] = std::uint8_t(cmf);
        band.data[1] = std::uint8_t((flevel << 6) + (31 - header % 31));
        used = 2;
    }
    band.adler = adler32(0, nullptr, 0);
    for (std::size_t done = 0; done < band.rowCount;) {
        const std::size_t rows = std::min(batchRows, band.rowCount - done);
        source(band.firstRow + done, rows, buffer.data());
        const std::size_t size = rows * rowBytes;
        band.adler = adler32(band.adler, buffer.data(), uInt(size));
        done += rows;
        const int flush = done < band.rowCount ? Z_NO_FLUSH : last ? Z_FINISH : Z_SYNC_FLUSH;
        deflater.compress(buffer.data(), size, flush, band.data, used);
    }
    if (band.rowCount == 0) {
        deflater.compress(nullptr, 0, last ? Z_FINISH : Z_SYNC_FLUSH, band.data, used);
    }
    band.data.resize(used);
}

// The order in which workers take the bands: the costliest first, so that the last bands to
// start are short ones and no core waits long for the other at the end. Deflate spends its time
// on data with few matches (a photograph), little on flat or repeated rows; the share of
// non-zero bytes in a sample of a band's filtered rows estimates that. Each band is compressed
// the same whatever the order, so the stream does not change.
std::vector<int> costliestFirst(const std::vector<Band>& bands, std::size_t rowBytes,
                                const RowSource& source, int workers) {
    std::vector<int> order(bands.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = int(i);
    }
    if (workers < 2 || bands.size() <= std::size_t(workers)) {
        return order;
    }
    std::vector<std::size_t> cost(bands.size(), 0);
    std::vector<std::uint8_t> row(rowBytes);
    for (std::size_t i = 0; i < bands.size(); ++i) {
        for (std::size_t r = 0; r < bands[i].rowCount; r += kCostSampleStep) {
            source(bands[i].firstRow + r, 1, row.data());
            cost[i] += std::size_t(rowBytes - std::size_t(std::count(row.begin(), row.end(), 0)));
        }
    }
    std::stable_sort(order.begin(), order.end(),
                     [&cost](int a, int b) { return cost[std::size_t(a)] > cost[std::size_t(b)]; });
    return order;
}

}  // namespace

std::vector<ByteBuffer> deflateRowsParallel(std::size_t rowCount, std::size_t rowBytes,
                                            const RowSource& source,
                                            const DeflateSettings& settings) {
    if (rowBytes == 0 || rowBytes > (1u << 30) || rowCount > SIZE_MAX / rowBytes) {
        throw Error("Invalid image size");
    }
    if (settings.windowBits < 9 || settings.windowBits > 15) {
        throw Error("Invalid compression settings");
    }
    // More bands than workers: a worker that finishes an easy band takes the next one, so
    // bands of very different content do not leave a core idle.
    const std::size_t totalBytes = rowCount * rowBytes;
    const int workers = resolveThreadCount(settings.threads);
    const std::size_t minBand = std::max<std::size_t>(settings.minBandBytes, 1);
    const std::size_t wanted = workers == 1 ? 1 : std::size_t(workers) * kBandsPerWorker;
    const int bandCount =
        int(std::clamp<std::size_t>(std::min({wanted, totalBytes / minBand, rowCount}), 1, wanted));

    std::vector<Band> bands(static_cast<std::size_t>(bandCount));
    for (int i = 0; i < bandCount; ++i) {
        bands[std::size_t(i)].firstRow = splitPoint(rowCount, bandCount, i);
        bands[std::size_t(i)].rowCount =
            splitPoint(rowCount, bandCount, i + 1) - bands[std::size_t(i)].firstRow;
    }
    const std::vector<int> order = costliestFirst(bands, rowBytes, source, workers);
    std::atomic<std::size_t> next{0};
    runParallel(std::min(workers, bandCount), [&](int) {
        RawDeflater deflater(settings);
        ByteBuffer buffer = inputBuffer(rowBytes, settings);
        for (std::size_t k = next++; k < order.size(); k = next++) {
            const int i = order[k];
            compressBand(bands[std::size_t(i)], i == 0, i == bandCount - 1, rowBytes, source,
                         settings, deflater, buffer);
        }
    });

    uLong adler = adler32(0, nullptr, 0);
    std::vector<ByteBuffer> parts;
    parts.reserve(bands.size());
    for (Band& band : bands) {
        adler = adler32_combine(adler, band.adler, z_off_t(band.rowCount * rowBytes));
        parts.push_back(std::move(band.data));
    }
    ByteBuffer& tail = parts.back();
    for (int shift = 24; shift >= 0; shift -= 8) {
        tail.push_back(std::uint8_t(adler >> shift));
    }
    return parts;
}

}  // namespace pelko
