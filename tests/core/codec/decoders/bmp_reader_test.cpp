#include <gtest/gtest.h>

#include <filesystem>

#include "core/codec/decode.h"
#include "core/error.h"
#include "decoder_fixtures.h"

namespace pelko {
namespace {

using test::decodeError;
using test::expectMatchesReference;
using test::fixtureBytes;

TEST(DecodeBmp, EveryKindMatchesAnIndependentDecoder) {
    struct Case {
        const char* name;
        int depth;
    } cases[] = {
        {"rgb24.bmp", 24},  {"rgb32.bmp", 24}, {"topdown24.bmp", 24}, {"core24.bmp", 24},
        {"rgb565.bmp", 24}, {"pal8.bmp", 8},   {"pal4.bmp", 4},       {"mono1.bmp", 1},
        {"rle8.bmp", 8},    {"rle4.bmp", 4},
    };
    for (const Case& c : cases) {
        const Bitmap b = decodeBmp(fixtureBytes(c.name));
        EXPECT_EQ(b.depth(), c.depth) << c.name;
        // 5- and 6-bit fields: the reference truncates where we round to the nearest level.
        expectMatchesReference(b, c.name, std::string(c.name) == "rgb565.bmp" ? 1 : 0);
        if (b.depth() == 24) {
            for (int y = 0; y < b.height(); ++y) {
                for (int x = 0; x < b.width(); ++x) {
                    ASSERT_EQ(b.pixel32(x, y) >> 24, 0u) << c.name;  // X bytes stay 0
                }
            }
        }
    }
}

// A file with a 40-byte info header.
std::vector<std::uint8_t> bmpFile(int width, int height, int bits, std::uint32_t compression,
                                  const std::vector<Rgb>& palette,
                                  const std::vector<std::uint8_t>& pixels) {
    std::vector<std::uint8_t> f;
    auto u16 = [&](std::uint32_t v) {
        f.push_back(std::uint8_t(v));
        f.push_back(std::uint8_t(v >> 8));
    };
    auto u32 = [&](std::uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    };
    const std::uint32_t offset = 14 + 40 + 4 * std::uint32_t(palette.size());
    f.push_back('B');
    f.push_back('M');
    u32(offset + std::uint32_t(pixels.size()));
    u32(0);
    u32(offset);
    u32(40);
    u32(std::uint32_t(width));
    u32(std::uint32_t(height));
    u16(1);
    u16(std::uint32_t(bits));
    u32(compression);
    u32(std::uint32_t(pixels.size()));
    u32(0);
    u32(0);
    u32(std::uint32_t(palette.size()));
    u32(0);
    for (const Rgb& c : palette) {
        f.insert(f.end(), {c.b, c.g, c.r, 0});
    }
    f.insert(f.end(), pixels.begin(), pixels.end());
    return f;
}

std::vector<std::vector<int>> indexRows(const Bitmap& b) {
    std::vector<std::vector<int>> rows(std::size_t(b.height()));
    for (int y = 0; y < b.height(); ++y) {
        rows[std::size_t(y)].assign(b.row(y), b.row(y) + b.width());
    }
    return rows;
}

TEST(DecodeBmp, RunLengthEscapesMovesAndClipping) {
    const std::vector<Rgb> palette = {{0, 0, 0}, {255, 0, 0}, {0, 0, 255}};
    // Bottom row first: two 1s; a move by (1, 1); a run of three 2s cut at the right edge;
    // end of line; a literal run 1 2 1 (padded); end of picture.
    const std::vector<std::uint8_t> rle8 = {2, 1, 0, 2, 1, 1, 3, 2, 0, 0, 0, 3, 1, 2, 1, 0, 0, 1};
    const Bitmap b8 = decodeBmp(bmpFile(4, 3, 8, 1, palette, rle8));
    EXPECT_EQ(indexRows(b8),
              (std::vector<std::vector<int>>{{1, 2, 1, 0}, {0, 0, 0, 2}, {1, 1, 0, 0}}));
    // RLE4: a run alternates the two nibbles; a literal run holds two pixels a byte.
    const std::vector<std::uint8_t> rle4 = {3, 0x12, 0, 0, 0, 3, 0x21, 0x20, 0, 1};
    const Bitmap b4 = decodeBmp(bmpFile(3, 2, 4, 2, palette, rle4));
    EXPECT_EQ(indexRows(b4), (std::vector<std::vector<int>>{{2, 1, 2}, {1, 2, 1}}));
    // Indices past the colour table read as black.
    const Bitmap past = decodeBmp(bmpFile(2, 1, 8, 0, palette, {7, 1, 0, 0}));
    EXPECT_EQ(test::rgbAt(past, 0, 0), 0u);
    EXPECT_EQ(test::rgbAt(past, 1, 0), 0xFF0000u);
}

TEST(DecodeBmp, AlphaFieldsGiveDepth32OnlyWhenTheyMeanSomething) {
    // The PngSuite references: V5 headers with an alpha field; a translucent one and an opaque one.
    const std::string suite = PELKO_PNGSUITE_DIR;
    if (!std::filesystem::exists(suite)) {
        GTEST_SKIP() << "no PngSuite at " << suite;
    }
    const Bitmap translucent = decodeBmp(readFileBytes(suite + "/bmp/basn6a08.bmp"));
    EXPECT_EQ(translucent.depth(), 32);
    EXPECT_EQ(translucent.pixel32(0, 0) >> 24, 0u);
    const Bitmap opaque = decodeBmp(readFileBytes(suite + "/bmp/basn2c08.bmp"));
    EXPECT_EQ(opaque.depth(), 24);
}

TEST(DecodeBmp, MalformedHeadersAreNotValid) {
    const std::vector<std::uint8_t> good = fixtureBytes("rgb24.bmp");
    auto with = [&](std::size_t at, std::vector<std::uint8_t> bytes) {
        std::vector<std::uint8_t> f = good;
        std::copy(bytes.begin(), bytes.end(), f.begin() + std::ptrdiff_t(at));
        return f;
    };
    struct Case {
        const char* what;
        std::vector<std::uint8_t> file;
    } cases[] = {
        {"no BM", with(0, {'B', 'X'})},
        {"a JPEG", fixtureBytes("baseline.jpg")},
        {"empty", {}},
        {"header size 20", with(14, {20, 0, 0, 0})},
        {"width 0", with(18, {0, 0, 0, 0})},
        {"height 0", with(22, {0, 0, 0, 0})},
        {"width -13", with(18, {0xF3, 0xFF, 0xFF, 0xFF})},
        {"7 bits", with(28, {7, 0})},
        {"JPEG compression", with(30, {4, 0, 0, 0})},
        {"RLE8 at 24 bits", with(30, {1, 0, 0, 0})},
        {"bit fields at 24 bits", with(30, {3, 0, 0, 0})},
        {"pixels past the end", with(10, {0xFF, 0xFF, 0, 0})},
        {"pixels inside the header", with(10, {20, 0, 0, 0})},
        {"huge width, short data", with(18, {0xFF, 0xFF, 0xFF, 0x7F})},
        {"huge height, short data", with(22, {0xFF, 0xFF, 0xFF, 0x7F})},
        {"a missing row", std::vector<std::uint8_t>(good.begin(), good.end() - 40)},
        {"colour table past the end", bmpFile(1, 1, 8, 0, {}, {0, 0, 0, 0})},  // 256 implied
    };
    for (const Case& c : cases) {
        EXPECT_EQ(decodeError(decodeBmp, c.file), "Bitmap image is not valid") << c.what;
    }
}

}  // namespace
}  // namespace pelko
