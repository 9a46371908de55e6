#include "platform/x11/pixel_layout.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/error.h"

namespace pelko::x11 {
namespace {

PixelLayout layout(int bpp, bool msb, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    PixelLayout l;
    l.bitsPerPixel = bpp;
    l.msbFirst = msb;
    l.redMask = r;
    l.greenMask = g;
    l.blueMask = b;
    return l;
}

struct ConvertCase {
    const char* name;
    PixelLayout layout;
    std::vector<std::uint8_t> server;  // two pixels as the server sends them
    std::vector<std::uint8_t> bitmap;  // the same two pixels in the Bitmap
    int depth = 24;                    // the Bitmap's depth
};

TEST(RowConverter, TurnsServerPixelsIntoBitmapPixels) {
    PixelLayout indexed;
    indexed.bitsPerPixel = 8;
    indexed.indexed = true;
    const ConvertCase cases[] = {
        {"depth 24 in 32 bits, fourth byte dropped",
         layout(32, false, 0xFF0000, 0xFF00, 0xFF),
         {0x10, 0x20, 0x30, 0xAA, 0x01, 0x02, 0x03, 0xFF},
         {0x10, 0x20, 0x30, 0, 0x01, 0x02, 0x03, 0}},
        {"32 bits, big-endian server",
         layout(32, true, 0xFF0000, 0xFF00, 0xFF),
         {0xAA, 0x30, 0x20, 0x10, 0x00, 0x03, 0x02, 0x01},
         {0x10, 0x20, 0x30, 0, 0x01, 0x02, 0x03, 0}},
        {"32 bits, red in the low byte",
         layout(32, false, 0xFF, 0xFF00, 0xFF0000),
         {0x10, 0x20, 0x30, 0, 0x01, 0x02, 0x03, 0},
         {0x30, 0x20, 0x10, 0, 0x03, 0x02, 0x01, 0}},
        {"24 bits packed",
         layout(24, false, 0xFF0000, 0xFF00, 0xFF),
         {0x10, 0x20, 0x30, 0x01, 0x02, 0x03},
         {0x10, 0x20, 0x30, 0, 0x01, 0x02, 0x03, 0}},
        // 0xF800 full red; 0x8410 the middle of each channel: 16/31, 32/63, 16/31.
        {"depth 16 (5-6-5)",
         layout(16, false, 0xF800, 0x07E0, 0x001F),
         {0x00, 0xF8, 0x10, 0x84},
         {0, 0, 255, 0, 132, 130, 132, 0},
         16},
        {"depth 15 (5-5-5), big-endian server",
         layout(16, true, 0x7C00, 0x03E0, 0x001F),
         {0x03, 0xE0, 0x00, 0x1F},
         {0, 255, 0, 0, 255, 0, 0, 0},
         15},
        // 10 bits a channel: 0x3FF, 0x200, 0x001 become 255, 128, 0.
        {"depth 30",
         layout(32, false, 0x3FF00000, 0x000FFC00, 0x000003FF),
         {0x01, 0x00, 0xF8, 0x3F, 0x00, 0x00, 0x00, 0x00},
         {0, 128, 255, 0, 0, 0, 0, 0}},
        {"palette indices", indexed, {5, 200}, {5, 200}, 8},
        // 16 bits of another layout keep 8 bits a channel.
        {"16 bits, 4-4-4",
         layout(16, false, 0x0F00, 0x00F0, 0x000F),
         {0x00, 0x0F, 0xF0, 0x00},
         {0, 0, 255, 0, 0, 255, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RowConverter converter(c.layout);
        std::vector<std::uint8_t> out(c.bitmap.size(), 0xEE);
        converter.convert(c.server.data(), 2, out.data());
        EXPECT_EQ(out, c.bitmap);
        EXPECT_EQ(converter.bitmapDepth(), c.depth);
    }
}

TEST(RowConverter, RefusesLayoutsItCannotRead) {
    PixelLayout fourBits = layout(4, false, 0, 0, 0);
    fourBits.indexed = true;
    PixelLayout wideIndices = layout(16, false, 0, 0, 0);
    wideIndices.indexed = true;
    for (const PixelLayout& l : {fourBits, wideIndices, layout(32, false, 0xFF0000, 0, 0xFF),
                                 layout(32, false, 0xF0F000, 0xF00, 0xFF)}) {
        EXPECT_THROW(RowConverter{l}, Error);
    }
}

TEST(ImageRowBytes, PadsRowsToTheScanlineUnit) {
    EXPECT_EQ(imageRowBytes(layout(16, false, 0xF800, 0x7E0, 0x1F), 3), 8u);
    EXPECT_EQ(imageRowBytes(layout(32, false, 0xFF0000, 0xFF00, 0xFF), 1920), 7680u);
    PixelLayout bytes;
    bytes.bitsPerPixel = 8;
    bytes.scanlinePad = 32;
    EXPECT_EQ(imageRowBytes(bytes, 641), 644u);
}

}  // namespace
}  // namespace pelko::x11
