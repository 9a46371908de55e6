#include "platform/wayland/frame_pixels.h"

#include <gtest/gtest.h>
#include <wayland-client-protocol.h>

#include <cstdint>
#include <vector>

#include "core/error.h"

namespace pelko::wayland {
namespace {

// A 3x2 frame in memory with one byte of padding a row: pixel (x, y) holds the colour
// R = 10x + y, G = 100 + x, B = 200 + y, written in the byte order of the format.
struct TestFrame {
    std::vector<std::uint8_t> bytes;
    FramePixels pixels;

    TestFrame(std::uint32_t format, bool yInverted) {
        const int width = 3, height = 2, stride = width * 4 + 4;
        bytes.assign(std::size_t(stride) * height, 0xEE);
        const bool rgbx = format == WL_SHM_FORMAT_XBGR8888 || format == WL_SHM_FORMAT_ABGR8888;
        for (int y = 0; y < height; ++y) {
            const int row = yInverted ? height - 1 - y : y;
            for (int x = 0; x < width; ++x) {
                std::uint8_t* p = bytes.data() + row * stride + x * 4;
                const std::uint8_t r = std::uint8_t(10 * x + y), g = std::uint8_t(100 + x),
                                   b = std::uint8_t(200 + y);
                p[0] = rgbx ? r : b;
                p[1] = g;
                p[2] = rgbx ? b : r;
                p[3] = 0xFF;
            }
        }
        pixels = {bytes.data(), bytes.size(), width, height, stride, format, yInverted};
    }
};

TEST(CopyFrame, ReadsEveryByteOrderAndRowOrderIntoTheBitmapLayout) {
    struct Case {
        std::uint32_t format;
        bool yInverted;
    };
    for (const Case c : {Case{WL_SHM_FORMAT_XRGB8888, false}, Case{WL_SHM_FORMAT_ARGB8888, true},
                         Case{WL_SHM_FORMAT_XBGR8888, false}, Case{WL_SHM_FORMAT_ABGR8888, true}}) {
        SCOPED_TRACE(testing::Message() << "format " << c.format << " inverted " << c.yInverted);
        const TestFrame frame(c.format, c.yInverted);
        Bitmap target(3, 2, 24);
        copyFrame(frame.pixels, Rect{0, 0, 3, 2}, target);
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < 3; ++x) {
                // X byte 0, as a depth-24 Bitmap keeps it.
                EXPECT_EQ(target.pixel32(x, y),
                          std::uint32_t((10 * x + y) << 16 | (100 + x) << 8 | (200 + y)))
                    << x << "," << y;
            }
        }
    }
}

TEST(CopyFrame, ARegionReachingPastTheFrameKeepsTheTargetThere) {
    const TestFrame frame(WL_SHM_FORMAT_XRGB8888, false);
    Bitmap target(3, 3, 24);
    copyFrame(frame.pixels, Rect{1, -1, 4, 2}, target);
    EXPECT_EQ(target.pixel32(0, 0), 0u);  // above the frame
    EXPECT_EQ(target.pixel32(0, 1), std::uint32_t(10 << 16 | 101 << 8 | 200));
    EXPECT_EQ(target.pixel32(1, 2), std::uint32_t(21 << 16 | 102 << 8 | 201));
    EXPECT_EQ(target.pixel32(2, 1), 0u);  // right of the frame
}

TEST(CopyFrame, RefusesUnknownFormatsAndFramesLargerThanTheirMemory) {
    TestFrame frame(WL_SHM_FORMAT_XRGB8888, false);
    Bitmap target(3, 2, 24);
    FramePixels rgb565 = frame.pixels;
    rgb565.format = WL_SHM_FORMAT_RGB565;
    EXPECT_THROW(copyFrame(rgb565, Rect{0, 0, 3, 2}, target), Error);
    FramePixels tooTall = frame.pixels;
    tooTall.height = 3;
    EXPECT_THROW(copyFrame(tooTall, Rect{0, 0, 3, 2}, target), Error);
    FramePixels narrowStride = frame.pixels;
    narrowStride.stride = 8;
    EXPECT_THROW(copyFrame(narrowStride, Rect{0, 0, 3, 2}, target), Error);
}

}  // namespace
}  // namespace pelko::wayland
