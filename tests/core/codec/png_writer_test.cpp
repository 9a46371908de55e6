#include <gtest/gtest.h>
#include <zlib.h>

#include "codec_test_support.h"

namespace pelko::test {
namespace {

struct Chunk {
    std::string type;
    std::vector<std::uint8_t> data;
};

std::uint32_t be32(const std::uint8_t* p) {
    return (std::uint32_t(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

// Splits a PNG file into its chunks, checking the signature and every CRC.
std::vector<Chunk> pngChunks(const std::vector<std::uint8_t>& bytes) {
    static const std::uint8_t kSignature[8] = {137, 'P', 'N', 'G', 13, 10, 26, 10};
    EXPECT_TRUE(bytes.size() >= 8 && std::equal(kSignature, kSignature + 8, bytes.begin()));
    std::vector<Chunk> chunks;
    std::size_t at = 8;
    while (at + 12 <= bytes.size()) {
        const std::uint32_t length = be32(&bytes[at]);
        Chunk chunk;
        chunk.type.assign(bytes.begin() + std::ptrdiff_t(at + 4),
                          bytes.begin() + std::ptrdiff_t(at + 8));
        chunk.data.assign(bytes.begin() + std::ptrdiff_t(at + 8),
                          bytes.begin() + std::ptrdiff_t(at + 8 + length));
        const uLong crc = crc32(0, &bytes[at + 4], uInt(length + 4));
        EXPECT_EQ(crc, be32(&bytes[at + 8 + length])) << chunk.type;
        chunks.push_back(std::move(chunk));
        at += 12 + length;
    }
    EXPECT_EQ(at, bytes.size());
    return chunks;
}

std::vector<std::uint8_t> inflateAll(const std::vector<std::uint8_t>& stream,
                                     std::size_t expected) {
    std::vector<std::uint8_t> out(expected + 1);
    uLongf size = uLongf(out.size());
    EXPECT_EQ(uncompress(out.data(), &size, stream.data(), uLong(stream.size())), Z_OK);
    out.resize(size);
    return out;
}

std::string chunkOrder(const std::vector<Chunk>& chunks) {
    std::string order;
    for (const Chunk& c : chunks) {
        if (c.type == "IDAT" && order.size() >= 4 && order.substr(order.size() - 4) == "IDAT") {
            continue;  // a run of IDATs reads as one
        }
        order += (order.empty() ? "" : " ") + c.type;
    }
    return order;
}

Rgb gradient(int x, int y) {
    return {std::uint8_t(x * 3), std::uint8_t(y * 5), std::uint8_t((x * y) >> 2)};
}

struct PngCase {
    const char* name;
    Bitmap bitmap;
    int bitDepth;
    int colorType;
};

std::vector<PngCase> pngCases() {
    std::vector<PngCase> cases;
    cases.push_back({"rgb24", makeRgbBitmap(37, 11, 24, gradient), 8, 2});
    cases.push_back({"rgb32_alpha_ignored", makeRgbBitmap(8, 5, 32, gradient), 8, 2});
    cases.push_back({"palette1", makeIndexedBitmap(19, 4, 1, 2, 5), 1, 3});
    cases.push_back({"palette4", makeIndexedBitmap(15, 6, 4, 16, 6), 4, 3});
    cases.push_back({"palette4_short", makeIndexedBitmap(3, 3, 4, 5, 7), 4, 3});
    cases.push_back({"palette8", makeIndexedBitmap(21, 9, 8, 256, 8), 8, 3});
    return cases;
}

// Each kind of Bitmap comes back exactly through Pillow, passes pngcheck, and has the header,
// chunk order and Sub-filtered rows the format promises.
TEST(PngWriter, DecodesExactlyWithHeaderChunkOrderAndSubFilter) {
    TempDir dir;
    std::vector<PngCase> cases = pngCases();
    std::vector<std::filesystem::path> files;
    for (const PngCase& c : cases) {
        files.push_back(dir / (std::string(c.name) + ".png"));
        writeFile(files.back(), encodeToBytes(c.bitmap, ImageFormat::Png));
    }
    const std::vector<DecodedImage> decoded = decodeWithPillow(files);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        const Bitmap& bitmap = cases[i].bitmap;
        EXPECT_TRUE(pngcheckPasses(files[i]));
        EXPECT_EQ(decoded[i].pixels, colorsOf(bitmap));

        const std::vector<Chunk> chunks = pngChunks(readFile(files[i]));
        const std::vector<std::uint8_t>& ihdr = chunks.at(0).data;
        ASSERT_EQ(ihdr.size(), 13u);
        EXPECT_EQ(be32(&ihdr[0]), std::uint32_t(bitmap.width()));
        EXPECT_EQ(be32(&ihdr[4]), std::uint32_t(bitmap.height()));
        EXPECT_EQ(ihdr[8], cases[i].bitDepth);
        EXPECT_EQ(ihdr[9], cases[i].colorType);
        EXPECT_EQ(ihdr[12], 0);  // no interlace
        EXPECT_EQ(chunkOrder(chunks),
                  cases[i].colorType == 3 ? "IHDR PLTE IDAT IEND" : "IHDR IDAT IEND");

        std::vector<std::uint8_t> stream;
        for (const Chunk& c : chunks) {
            if (c.type == "IDAT") {
                stream.insert(stream.end(), c.data.begin(), c.data.end());
            }
        }
        const std::size_t rowBytes =
            1 +
            (std::size_t(bitmap.width()) * (cases[i].colorType == 2 ? 24 : cases[i].bitDepth) + 7) /
                8;
        const std::vector<std::uint8_t> raw = inflateAll(stream, rowBytes * bitmap.height());
        ASSERT_EQ(raw.size(), rowBytes * bitmap.height());
        for (int y = 0; y < bitmap.height(); ++y) {
            EXPECT_EQ(raw[rowBytes * std::size_t(y)], 1) << "row " << y;
        }
    }
}

// A picture big enough for several deflate bands on several threads and many IDAT chunks:
// every chunk holds at most 65535 bytes, the pieces form one zlib stream at level 7 (FLEVEL
// 3) whose checksum holds, and any thread count gives the same pixels.
TEST(PngWriter, LargePictureSplitsIntoBoundedIdatChunksOfOneStream) {
    FixtureRandom random(42);
    const Bitmap bitmap = makeRgbBitmap(640, 480, 24, [&](int x, int y) {
        // Noise over a gradient compresses poorly, so the stream spans many chunks.
        return Rgb{std::uint8_t(x / 3 + random.below(16)), std::uint8_t(y / 2 + random.below(16)),
                   std::uint8_t(random.below(256))};
    });
    TempDir dir;
    std::vector<std::filesystem::path> files;
    for (int threads : {1, 3, 8}) {
        EncodeOptions options;
        options.threads = threads;
        const std::vector<std::uint8_t> bytes = encodeToBytes(bitmap, ImageFormat::Png, options);
        files.push_back(dir / ("threads" + std::to_string(threads) + ".png"));
        writeFile(files.back(), bytes);

        SCOPED_TRACE(threads);
        const std::vector<Chunk> chunks = pngChunks(bytes);
        std::vector<std::uint8_t> stream;
        int idats = 0;
        for (const Chunk& c : chunks) {
            if (c.type == "IDAT") {
                EXPECT_LE(c.data.size(), 65535u);
                stream.insert(stream.end(), c.data.begin(), c.data.end());
                ++idats;
            }
        }
        EXPECT_GT(idats, 5);
        ASSERT_GE(stream.size(), 2u);
        EXPECT_EQ(stream[0] & 0x0F, 8);                    // deflate
        EXPECT_EQ((stream[0] * 256 + stream[1]) % 31, 0);  // header check bits
        EXPECT_EQ(stream[1] >> 6, 3);                      // FLEVEL of level 7
        EXPECT_EQ(inflateAll(stream, 481 * 640 * 3).size(), (1 + 640 * 3) * 480u);
        EXPECT_TRUE(pngcheckPasses(files.back()));
    }
    for (const DecodedImage& image : decodeWithPillow(files)) {
        EXPECT_EQ(image.pixels, colorsOf(bitmap));
    }
}

TEST(PngWriter, TransparentColorBecomesTrns) {
    Bitmap rgb = makeRgbBitmap(4, 4, 24, gradient);
    rgb.setTransparent(true, toColorRef({1, 2, 3}));
    Bitmap indexed(4, 2, 8);
    indexed.setPalette({{9, 9, 9}, {200, 100, 50}, {1, 1, 1}, {200, 100, 50}, {7, 7, 7}});
    indexed.setTransparent(true, toColorRef({200, 100, 50}));
    Bitmap noMatch = makeIndexedBitmap(4, 2, 8, 3, 1);
    noMatch.setPalette({{1, 1, 1}, {2, 2, 2}, {3, 3, 3}});
    noMatch.setTransparent(true, toColorRef({4, 4, 4}));

    const std::vector<Chunk> rgbChunks = pngChunks(encodeToBytes(rgb, ImageFormat::Png));
    EXPECT_EQ(chunkOrder(rgbChunks), "IHDR tRNS IDAT IEND");
    EXPECT_EQ(rgbChunks[1].data, (std::vector<std::uint8_t>{0, 1, 0, 2, 0, 3}));

    // Every palette entry of the transparent colour gets alpha 0; the chunk ends after the last.
    const std::vector<Chunk> indexedChunks = pngChunks(encodeToBytes(indexed, ImageFormat::Png));
    EXPECT_EQ(chunkOrder(indexedChunks), "IHDR PLTE tRNS IDAT IEND");
    EXPECT_EQ(indexedChunks[2].data, (std::vector<std::uint8_t>{255, 0, 255, 0}));

    // No palette entry has the colour: nothing to make transparent.
    EXPECT_EQ(chunkOrder(pngChunks(encodeToBytes(noMatch, ImageFormat::Png))),
              "IHDR PLTE IDAT IEND");

    TempDir dir;
    writeFile(dir / "rgb.png", encodeToBytes(rgb, ImageFormat::Png));
    writeFile(dir / "indexed.png", encodeToBytes(indexed, ImageFormat::Png));
    const std::vector<DecodedImage> decoded =
        decodeWithPillow({dir / "rgb.png", dir / "indexed.png"});
    EXPECT_EQ(decoded[0].numbers("transparency"), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(decoded[1].numbers("transparency"), (std::vector<int>{255, 0, 255, 0}));
}

}  // namespace
}  // namespace pelko::test
