#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "codec_test_support.h"

namespace pelko::test {
namespace {

// The luminance quantisation table libjpeg scales for a quality (Annex K of the JPEG standard).
constexpr int kStdLuminance[64] = {16,  11,  10,  16,  24, 40, 51,  61,  12,  12,  14,  19,  26,
                                   58,  60,  55,  14,  13, 16, 24,  40,  57,  69,  56,  14,  17,
                                   22,  29,  51,  87,  80, 62, 18,  22,  37,  56,  68,  109, 103,
                                   77,  24,  35,  55,  64, 81, 104, 113, 92,  49,  64,  78,  87,
                                   103, 121, 120, 101, 72, 92, 95,  98,  112, 100, 103, 99};

// The table's values for a quality, with baseline limits, sorted (so the order in which a
// decoder lists them does not matter).
std::vector<int> expectedLuminanceTable(int quality) {
    const int scale = quality < 50 ? 5000 / quality : 200 - 2 * quality;
    std::vector<int> table;
    for (int v : kStdLuminance) {
        table.push_back(std::clamp((v * scale + 50) / 100, 1, 255));
    }
    std::sort(table.begin(), table.end());
    return table;
}

Rgb smooth(int x, int y) {
    return {std::uint8_t(64 + x * 2), std::uint8_t(200 - y), std::uint8_t(100 + (x + y) / 2)};
}

double meanAbsError(const std::vector<Rgb>& a, const std::vector<Rgb>& b) {
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        sum += std::abs(a[i].r - b[i].r) + std::abs(a[i].g - b[i].g) + std::abs(a[i].b - b[i].b);
    }
    return sum / (3.0 * double(a.size()));
}

// The quality is clamped to 1..100, not cut to its low 8 bits (300 would give 44).
TEST(JpegWriter, QualityIsClampedToOneToHundred) {
    struct Case {
        int jpegQuality;
        int used;
    };
    const Case cases[] = {{0, 1}, {-20, 1}, {1, 1}, {50, 50}, {100, 100}, {300, 100}, {256, 100}};
    const Bitmap bitmap = makeRgbBitmap(16, 16, 24, smooth);
    TempDir dir;
    std::vector<std::filesystem::path> files;
    for (const Case& c : cases) {
        EncodeOptions options;
        options.jpegQuality = c.jpegQuality;
        files.push_back(dir / ("q" + std::to_string(c.jpegQuality) + ".jpg"));
        writeFile(files.back(), encodeToBytes(bitmap, ImageFormat::Jpeg, options));
    }
    const std::vector<DecodedImage> decoded = decodeWithPillow(files);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].jpegQuality);
        std::vector<int> table = decoded[i].numbers("quant0");
        std::sort(table.begin(), table.end());
        EXPECT_EQ(table, expectedLuminanceTable(cases[i].used));
    }
}

// A colour JFIF baseline image close to the original at quality 90, from 24-bit, 32-bit and
// palette Bitmaps alike.
TEST(JpegWriter, ColourBaselineJfifCloseToTheOriginal) {
    struct Case {
        const char* name;
        Bitmap bitmap;
    };
    Bitmap indexed(40, 24, 8);
    std::vector<Rgb> palette;
    for (int i = 0; i < 256; ++i) {
        palette.push_back({std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(128 + i / 2)});
    }
    indexed.setPalette(palette);
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 40; ++x) {
            indexed.row(y)[x] = std::uint8_t(x * 4 + y);
        }
    }
    std::vector<Case> cases;
    cases.push_back({"rgb24", makeRgbBitmap(67, 33, 24, smooth)});
    cases.push_back({"rgb32", makeRgbBitmap(16, 40, 32, smooth)});
    cases.push_back({"palette", std::move(indexed)});

    TempDir dir;
    std::vector<std::filesystem::path> files;
    EncodeOptions options;
    options.jpegQuality = 90;
    for (const Case& c : cases) {
        const std::vector<std::uint8_t> bytes = encodeToBytes(c.bitmap, ImageFormat::Jpeg, options);
        // SOF0: baseline sequential; no SOF2 (progressive).
        const std::vector<std::uint8_t> sof0{0xFF, 0xC0}, sof2{0xFF, 0xC2};
        EXPECT_NE(std::search(bytes.begin(), bytes.end(), sof0.begin(), sof0.end()), bytes.end());
        EXPECT_EQ(std::search(bytes.begin(), bytes.end(), sof2.begin(), sof2.end()), bytes.end());
        files.push_back(dir / (std::string(c.name) + ".jpg"));
        writeFile(files.back(), bytes);
    }
    const std::vector<DecodedImage> decoded = decodeWithPillow(files);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_EQ(decoded[i].info.at("format"), "JPEG");
        EXPECT_EQ(decoded[i].info.at("mode"), "RGB");
        EXPECT_EQ(decoded[i].info.count("jfif"), 1u);
        EXPECT_EQ(decoded[i].info.count("progressive"), 0u);
        EXPECT_LT(meanAbsError(decoded[i].pixels, colorsOf(cases[i].bitmap)), 2.5);
    }
}

}  // namespace
}  // namespace pelko::test
