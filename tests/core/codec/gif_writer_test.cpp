#include <gtest/gtest.h>

#include <set>

#include "codec_test_support.h"
#include "core/codec/default_palette.h"
#include "core/error.h"

namespace pelko::test {
namespace {

EncodeOptions gifOptions(int method) {
    EncodeOptions options;
    options.gifMethod = method;
    return options;
}

// A device-dependent 24-bit picture of `colors` distinct colours in blocks and stripes.
Bitmap fewColorPicture(int width, int height, int colors) {
    Bitmap bitmap = makeRgbBitmap(width, height, 24, [&](int x, int y) {
        const int i = (x / 3 + y * 7) % colors;
        return Rgb{std::uint8_t(i * 37), std::uint8_t(255 - i), std::uint8_t(i * 11 + 3)};
    });
    bitmap.setDeviceDependent(true);
    return bitmap;
}

void expectStaticColors(const std::vector<Rgb>& table) {
    ASSERT_EQ(table.size(), 256u);
    for (std::size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(table[i], kDefaultPaletteFirst[i]) << "entry " << i;
        EXPECT_EQ(table[246 + i], kDefaultPaletteLast[i]) << "entry " << 246 + i;
    }
}

// A capture of at most 236 colours comes back exactly, whichever coding, through Pillow and
// giflib alike, with the static colours at both ends of the colour table.
TEST(GifWriter, FewColoursComeBackExactlyWithStaticTableEnds) {
    const Bitmap bitmap = fewColorPicture(97, 31, 236);
    TempDir dir;
    std::vector<std::filesystem::path> files;
    for (int method : {kGifMethodLzw, kGifMethodRle}) {
        SCOPED_TRACE(method);
        const std::vector<std::uint8_t> bytes =
            encodeToBytes(bitmap, ImageFormat::Gif, gifOptions(method));
        const GifContents gif = decodeGifWithGiflib(bytes);
        expectStaticColors(gif.colorTable);
        std::vector<Rgb> pixels;
        for (std::uint8_t i : gif.indices) {
            pixels.push_back(gif.colorTable[i]);
        }
        EXPECT_EQ(pixels, colorsOf(bitmap));
        files.push_back(dir / ("method" + std::to_string(method) + ".gif"));
        writeFile(files.back(), bytes);
    }
    for (const DecodedImage& image : decodeWithPillow(files)) {
        EXPECT_EQ(image.info.at("format"), "GIF");
        EXPECT_EQ(image.pixels, colorsOf(bitmap));
    }
}

// Only 2 is run-length coding; every other value is LZW.
TEST(GifWriter, MethodTwoSelectsRleAndEveryOtherValueLzw) {
    const Bitmap bitmap = fewColorPicture(64, 16, 50);
    const std::vector<std::uint8_t> lzw =
        encodeToBytes(bitmap, ImageFormat::Gif, gifOptions(kGifMethodLzw));
    const std::vector<std::uint8_t> rle =
        encodeToBytes(bitmap, ImageFormat::Gif, gifOptions(kGifMethodRle));
    EXPECT_NE(rle, lzw);
    for (int method : {0, 3, -1}) {
        EXPECT_EQ(encodeToBytes(bitmap, ImageFormat::Gif, gifOptions(method)), lzw) << method;
    }
}

// Run-length coded data of awkward shapes is read exactly by three independent decoders.
TEST(GifWriter, RleShapesDecodeExactlyEverywhere) {
    struct Shape {
        const char* name;
        int width, height;
        std::function<int(int x, int y)> index;
    };
    FixtureRandom random(7);
    std::vector<int> runs;  // random run lengths over 4 colours
    for (int i = 0; i < 20000; ++i) {
        const int color = random.below(4),
                  length = 1 + random.below(random.below(3) == 0 ? 300 : 12);
        runs.insert(runs.end(), std::size_t(length), color);
    }
    const std::vector<Shape> shapes = {
        {"one_pixel", 1, 1, [](int, int) { return 3; }},
        {"single_colour", 301, 203, [](int, int) { return 5; }},
        {"alternating", 257, 120, [](int x, int y) { return (x + y) % 2; }},  // many clear codes
        {"long_runs", 1023, 17, [](int x, int y) { return (x / 200 + y) % 3; }},
        {"random_runs", 333, 97, [&](int x, int y) { return runs[std::size_t(y * 333 + x)]; }},
        {"all_256_indices", 255, 3, [](int x, int y) { return (x * 7 + y) % 256; }},
        {"one_column", 1, 77, [](int, int y) { return y / 10; }},
    };
    TempDir dir;
    std::vector<std::filesystem::path> files;
    std::vector<Bitmap> bitmaps;
    for (const Shape& shape : shapes) {
        Bitmap bitmap(shape.width, shape.height, 8);
        std::vector<Rgb> palette;
        for (int i = 0; i < 256; ++i) {
            palette.push_back({std::uint8_t(i), std::uint8_t(i * 3), std::uint8_t(255 - i)});
        }
        bitmap.setPalette(palette);
        for (int y = 0; y < shape.height; ++y) {
            for (int x = 0; x < shape.width; ++x) {
                bitmap.row(y)[x] = std::uint8_t(shape.index(x, y));
            }
        }
        const std::vector<std::uint8_t> bytes =
            encodeToBytes(bitmap, ImageFormat::Gif, gifOptions(kGifMethodRle));
        const GifContents gif = decodeGifWithGiflib(bytes);
        EXPECT_EQ(gif.indices,
                  std::vector<std::uint8_t>(bitmap.data(), bitmap.data() + bitmap.byteSize()))
            << shape.name;
        files.push_back(dir / (std::string(shape.name) + ".gif"));
        writeFile(files.back(), bytes);
        bitmaps.push_back(std::move(bitmap));
    }
    const std::vector<DecodedImage> pillow = decodeWithPillow(files);
    for (std::size_t i = 0; i < shapes.size(); ++i) {
        SCOPED_TRACE(shapes[i].name);
        EXPECT_EQ(pillow[i].pixels, colorsOf(bitmaps[i]));
        EXPECT_EQ(decodeWithImageMagick(files[i], shapes[i].width, shapes[i].height).pixels,
                  colorsOf(bitmaps[i]));
    }
}

// Runs cost about sqrt(2n) codes, not n: a flat picture stays tiny.
TEST(GifWriter, RleCompressesRuns) {
    Bitmap flat(1000, 500, 8);
    flat.setPalette({{1, 2, 3}, {4, 5, 6}});
    EXPECT_LT(encodeToBytes(flat, ImageFormat::Gif, gifOptions(kGifMethodRle)).size(), 2500u);
}

// A non-device-dependent indexed Bitmap keeps its palette (padded to a power of two) and its
// indices; a device-dependent one is colour-reduced like a capture.
TEST(GifWriter, IndexedBitmapsKeepTheirPaletteUnlessDeviceDependent) {
    struct Case {
        int depth, paletteSize;
        std::size_t tableSize;
    };
    for (const Case c :
         {Case{1, 2, 2}, Case{4, 16, 16}, Case{4, 5, 8}, Case{8, 200, 256}, Case{8, 3, 4}}) {
        SCOPED_TRACE(c.depth * 1000 + c.paletteSize);
        Bitmap bitmap =
            makeIndexedBitmap(23, 9, c.depth, c.paletteSize, std::uint32_t(c.paletteSize));
        const GifContents own = decodeGifWithGiflib(encodeToBytes(bitmap, ImageFormat::Gif));
        ASSERT_EQ(own.colorTable.size(), c.tableSize);
        EXPECT_TRUE(
            std::equal(bitmap.palette().begin(), bitmap.palette().end(), own.colorTable.begin()));
        EXPECT_EQ(own.indices,
                  std::vector<std::uint8_t>(bitmap.data(), bitmap.data() + bitmap.byteSize()));

        bitmap.setDeviceDependent(true);
        const GifContents reduced = decodeGifWithGiflib(encodeToBytes(bitmap, ImageFormat::Gif));
        expectStaticColors(reduced.colorTable);
        std::vector<Rgb> pixels;
        for (std::uint8_t i : reduced.indices) {
            pixels.push_back(reduced.colorTable[i]);
        }
        EXPECT_EQ(pixels, colorsOf(bitmap));
    }
}

}  // namespace
}  // namespace pelko::test
