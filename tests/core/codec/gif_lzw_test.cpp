#include "core/codec/gif_lzw.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <stdexcept>
#include <vector>

#include "core/error.h"

namespace pelko::test {
namespace {

int appendOutput(GifFileType* gif, const GifByteType* data, int size) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
    out->insert(out->end(), data, data + size);
    return size;
}

// The packed codes giflib's own encoder writes for these pixels, read out of its file: after
// the header, the screen descriptor, the colour table of 1 << bits entries, the image
// descriptor and the code-size byte come the sub-blocks.
std::vector<std::uint8_t> giflibCodes(std::vector<std::uint8_t> pixels, int width, int bits) {
    std::vector<std::uint8_t> file;
    int error = 0;
    GifFileType* gif = EGifOpen(&file, appendOutput, &error);
    std::vector<GifColorType> colors(std::size_t(1) << bits);
    ColorMapObject* map = GifMakeMapObject(int(colors.size()), colors.data());
    const int height = int(pixels.size()) / width;
    bool ok = gif && map && EGifPutScreenDesc(gif, width, height, 8, 0, map) == GIF_OK &&
              EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < height; ++y) {
        ok = EGifPutLine(gif, pixels.data() + std::size_t(y) * std::size_t(width), width) == GIF_OK;
    }
    GifFreeMapObject(map);
    if (EGifCloseFile(gif, &error) != GIF_OK || !ok) {
        throw std::runtime_error("giflib could not encode the test pixels");
    }
    std::size_t at = 6 + 7 + 3 * colors.size() + 10 + 1;
    std::vector<std::uint8_t> codes;
    while (at < file.size() && file[at] != 0) {
        codes.insert(codes.end(), file.begin() + std::ptrdiff_t(at + 1),
                     file.begin() + std::ptrdiff_t(at + 1 + file[at]));
        at += 1 + file[at];
    }
    return codes;
}

// Our coder writes exactly giflib's code stream, so every GIF file keeps its bytes: random data
// that clears the table every few thousand codes at every code size, long runs whose strings
// grow to the whole table, screen-like runs, a noisy gradient, pixels above the code size
// (masked alike), and the smallest images; whole or fed in pieces.
TEST(GifLzw, WritesGiflibsCodeStream) {
    std::mt19937 random(7);
    auto below = [&random](int n) { return int(random() % unsigned(n)); };
    struct Case {
        const char* name;
        int bits;
        int width, height;
        std::function<std::uint8_t(int i)> pixel;
    };
    const std::vector<Case> cases = {
        {"random 1 bit", 1, 300, 200, [&](int) { return std::uint8_t(below(2)); }},
        {"random 2 bits", 2, 300, 200, [&](int) { return std::uint8_t(below(4)); }},
        {"random 3 bits", 3, 300, 200, [&](int) { return std::uint8_t(below(8)); }},
        {"random 5 bits", 5, 300, 200, [&](int) { return std::uint8_t(below(32)); }},
        {"random 8 bits", 8, 300, 200, [&](int) { return std::uint8_t(below(256)); }},
        {"one colour", 8, 1000, 1000, [](int) { return std::uint8_t(17); }},
        {"screen runs", 8, 640, 480,
         [&, run = 0, color = 0](int) mutable {
             if (run-- <= 0) {
                 run = below(3) == 0 ? below(400) : below(6);
                 color = below(12) * 20;
             }
             return std::uint8_t(color);
         }},
        {"noisy gradient", 8, 512, 384,
         [&](int i) { return std::uint8_t((i % 512) / 3 + (i / 512) / 4 + below(5)); }},
        {"above the code size", 2, 100, 100, [&](int) { return std::uint8_t(below(256)); }},
        {"one pixel", 8, 1, 1, [](int) { return std::uint8_t(200); }},
        {"two pixels", 4, 2, 1, [](int i) { return std::uint8_t(i + 9); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> pixels(std::size_t(c.width) * std::size_t(c.height));
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            pixels[i] = c.pixel(int(i));
        }
        const std::vector<std::uint8_t> expected = giflibCodes(pixels, c.width, c.bits);
        const ByteBuffer whole = encodeGifLzw(pixels.data(), pixels.size(), std::max(2, c.bits));
        EXPECT_EQ(std::vector<std::uint8_t>(whole.begin(), whole.end()), expected);
        // The same pixels in pieces of 0 to 700 bytes, as rows arrive while they are mapped.
        GifLzwCoder coder(std::max(2, c.bits));
        for (std::size_t at = 0; at < pixels.size();) {
            const std::size_t n =
                std::min<std::size_t>(std::size_t(below(701)), pixels.size() - at);
            coder.add(pixels.data() + at, n);
            at += n;
        }
        const ByteBuffer pieces = coder.finish();
        EXPECT_EQ(std::vector<std::uint8_t>(pieces.begin(), pieces.end()), expected);
    }
}

TEST(GifLzw, RefusesBadArguments) {
    const std::uint8_t pixels[1] = {0};
    EXPECT_THROW(encodeGifLzw(pixels, 1, 1), Error);
    EXPECT_THROW(encodeGifLzw(pixels, 1, 9), Error);
    EXPECT_THROW(encodeGifLzw(pixels, 0, 8), Error);
}

}  // namespace
}  // namespace pelko::test
