#include <gtest/gtest.h>
#include <zlib.h>

#include "codec_test_support.h"
#include "core/codec/parallel_deflate.h"

namespace pelko::test {
namespace {

// Whatever the split into bands, the parts join into one zlib stream of exactly the rows.
TEST(ParallelDeflate, BandsJoinIntoOneStreamOfTheRows) {
    struct Case {
        std::size_t rows, rowBytes;
        int threads;
        std::size_t minBandBytes;
        int windowBits;
    };
    const Case cases[] = {
        {1, 1, 4, 1, 15},          // one byte
        {3, 100, 8, 1, 15},        // fewer rows than bands wanted
        {500, 301, 3, 1000, 15},   // many small bands
        {500, 301, 2, 1000, 9},    // smallest window
        {64, 70000, 2, 4096, 14},  // rows longer than the window
        {200, 1000, 1, 1, 15},     // one thread
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rows * 1000 + c.rowBytes);
        std::vector<std::uint8_t> data(c.rows * c.rowBytes);
        FixtureRandom random(std::uint32_t(c.rows));
        for (std::size_t i = 0; i < data.size(); ++i) {
            // Repeats across rows (for the primed windows) mixed with noise.
            data[i] = std::uint8_t(i % 7 == 0 ? random.below(256) : (i % c.rowBytes) / 3);
        }
        DeflateSettings settings;
        settings.threads = c.threads;
        settings.minBandBytes = c.minBandBytes;
        settings.windowBits = c.windowBits;
        const auto parts = deflateRowsParallel(
            c.rows, c.rowBytes,
            [&](std::size_t first, std::size_t count, std::uint8_t* out) {
                std::copy_n(data.begin() + std::ptrdiff_t(first * c.rowBytes), count * c.rowBytes,
                            out);
            },
            settings);
        std::vector<std::uint8_t> stream;
        for (const auto& part : parts) {
            stream.insert(stream.end(), part.begin(), part.end());
        }
        ASSERT_GE(stream.size(), 6u);
        EXPECT_EQ(stream[0] >> 4, c.windowBits - 8);  // the window the header states
        std::vector<std::uint8_t> out(data.size() + 1);
        uLongf size = uLongf(out.size());
        ASSERT_EQ(uncompress(out.data(), &size, stream.data(), uLong(stream.size())), Z_OK);
        out.resize(size);
        EXPECT_EQ(out, data);
    }
}

}  // namespace
}  // namespace pelko::test
