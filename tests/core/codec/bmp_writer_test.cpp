#include <gtest/gtest.h>

#include "codec_test_support.h"

namespace pelko::test {
namespace {

std::uint32_t u32At(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t(b[at + 3]) << 24);
}
std::uint16_t u16At(const std::vector<std::uint8_t>& b, std::size_t at) {
    return std::uint16_t(b[at] | (b[at + 1] << 8));
}

struct BmpCase {
    const char* name;
    Bitmap bitmap;
    std::uint32_t colorTableSize;
};

// Widths chosen so that rows need padding at every depth.
std::vector<BmpCase> bmpCases() {
    auto rgb = [](int x, int y) {
        return Rgb{std::uint8_t(x * 37 + y), std::uint8_t(y * 11), std::uint8_t(x ^ y)};
    };
    std::vector<BmpCase> cases;
    cases.push_back({"depth1", makeIndexedBitmap(13, 5, 1, 2, 1), 2});
    cases.push_back({"depth4", makeIndexedBitmap(11, 6, 4, 16, 2), 16});
    cases.push_back({"depth4_short_palette", makeIndexedBitmap(9, 4, 4, 5, 3), 5});
    cases.push_back({"depth8", makeIndexedBitmap(7, 9, 8, 200, 4), 200});
    cases.push_back({"depth24", makeRgbBitmap(9, 7, 24, rgb), 0});
    cases.push_back({"depth32", makeRgbBitmap(5, 3, 32, rgb), 0});
    return cases;
}

// Every depth comes back exactly through Pillow, with the file layout a BMP reader expects.
TEST(BmpWriter, EveryDepthDecodesExactlyWithPaddedRowsAndColorTable) {
    TempDir dir;
    std::vector<BmpCase> cases = bmpCases();
    std::vector<std::filesystem::path> files;
    for (const BmpCase& c : cases) {
        files.push_back(dir / (std::string(c.name) + ".bmp"));
        writeFile(files.back(), encodeToBytes(c.bitmap, ImageFormat::Bmp));
    }
    const std::vector<DecodedImage> decoded = decodeWithPillow(files);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        const Bitmap& bitmap = cases[i].bitmap;
        EXPECT_EQ(decoded[i].info.at("format"), "BMP");
        EXPECT_EQ(decoded[i].pixels, colorsOf(bitmap));

        const std::vector<std::uint8_t> bytes = readFile(files[i]);
        const std::size_t rowSize = (std::size_t(bitmap.width()) * bitmap.depth() + 31) / 32 * 4;
        const std::size_t offset = 54 + 4 * cases[i].colorTableSize;
        ASSERT_EQ(bytes.size(), offset + rowSize * std::size_t(bitmap.height()));
        EXPECT_EQ(bytes[0], 'B');
        EXPECT_EQ(bytes[1], 'M');
        EXPECT_EQ(u32At(bytes, 2), bytes.size());                     // bfSize
        EXPECT_EQ(u32At(bytes, 10), offset);                          // bfOffBits
        EXPECT_EQ(u32At(bytes, 14), 40u);                             // biSize
        EXPECT_EQ(u32At(bytes, 22), std::uint32_t(bitmap.height()));  // bottom-up
        EXPECT_EQ(u16At(bytes, 28), bitmap.depth());                  // biBitCount
        EXPECT_EQ(u32At(bytes, 30), 0u);                              // BI_RGB
        EXPECT_EQ(u32At(bytes, 46), cases[i].colorTableSize);         // biClrUsed
        for (std::uint32_t k = 0; k < cases[i].colorTableSize; ++k) {
            const Rgb c = bitmap.palette()[k];
            const std::size_t at = 54 + 4 * k;
            EXPECT_EQ(
                (std::vector<std::uint8_t>{bytes[at], bytes[at + 1], bytes[at + 2], bytes[at + 3]}),
                (std::vector<std::uint8_t>{c.b, c.g, c.r, 0}));
        }
    }
}

TEST(BmpWriter, TransparencyIsIgnored) {
    Bitmap bitmap = makeIndexedBitmap(6, 3, 8, 4, 9);
    const std::vector<std::uint8_t> plain = encodeToBytes(bitmap, ImageFormat::Bmp);
    bitmap.setTransparent(true, toColorRef(bitmap.palette()[1]));
    EXPECT_EQ(encodeToBytes(bitmap, ImageFormat::Bmp), plain);
}

// An index past the end of the palette shows black (as Bitmap::colorAt has it): the colour
// table grows to cover it instead of leaving the file with a dangling index.
TEST(BmpWriter, IndicesPastThePaletteGetBlackTableEntries) {
    Bitmap bitmap(4, 1, 8);
    bitmap.setPalette({{10, 20, 30}, {40, 50, 60}});
    bitmap.row(0)[2] = 5;
    const std::vector<std::uint8_t> bytes = encodeToBytes(bitmap, ImageFormat::Bmp);
    EXPECT_EQ(u32At(bytes, 46), 6u);
    TempDir dir;
    writeFile(dir / "past.bmp", bytes);
    EXPECT_EQ(decodeWithPillow({dir / "past.bmp"})[0].pixels, colorsOf(bitmap));
}

// 15- and 16-bit displays keep their depth: 16 bits per pixel with the layout's masks.
TEST(BmpWriter, SixteenBitDepthsWriteBitFields) {
    struct Case {
        int depth;
        std::uint32_t masks[3];
        std::uint16_t white, sample;  // raw values of (255, 255, 255) and (0x80, 0x40, 0x20)
    };
    const Case cases[] = {
        {15, {0x7C00, 0x03E0, 0x001F}, 0x7FFF, 0x4104},
        {16, {0xF800, 0x07E0, 0x001F}, 0xFFFF, 0x8204},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.depth);
        Bitmap bitmap = makeRgbBitmap(5, 3, c.depth, [](int x, int y) {
            return Rgb{std::uint8_t(x * 60), std::uint8_t(y * 100), std::uint8_t(x * y * 20)};
        });
        bitmap.setPixel32(0, 2, 0x00FFFFFF);  // bottom row, stored first
        bitmap.setPixel32(1, 2, 0x00804020);
        const std::vector<std::uint8_t> bytes = encodeToBytes(bitmap, ImageFormat::Bmp);
        const std::size_t rowSize = 12;  // 5 pixels of 2 bytes, padded
        ASSERT_EQ(bytes.size(), 66 + rowSize * 3);
        EXPECT_EQ(u32At(bytes, 10), 66u);  // after the header and the three masks
        EXPECT_EQ(u16At(bytes, 28), 16);
        EXPECT_EQ(u32At(bytes, 30), 3u);  // BI_BITFIELDS
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(u32At(bytes, 54 + 4 * std::size_t(k)), c.masks[k]);
        }
        EXPECT_EQ(u16At(bytes, 66), c.white);
        EXPECT_EQ(u16At(bytes, 68), c.sample);

        // An independent reader sees the picture, each channel within one step of its width.
        writeFile(dir / "d.bmp", bytes);
        const DecodedImage decoded = decodeWithPillow({dir / "d.bmp"})[0];
        const std::vector<Rgb> want = colorsOf(bitmap);
        ASSERT_EQ(decoded.pixels.size(), want.size());
        for (std::size_t i = 0; i < want.size(); ++i) {
            EXPECT_NEAR(decoded.pixels[i].r, want[i].r, 8) << i;
            EXPECT_NEAR(decoded.pixels[i].g, want[i].g, c.depth == 16 ? 4 : 8) << i;
            EXPECT_NEAR(decoded.pixels[i].b, want[i].b, 8) << i;
        }
    }
}

}  // namespace
}  // namespace pelko::test
