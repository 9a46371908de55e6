#include <gtest/gtest.h>

#include "core/codec/decode.h"
#include "core/error.h"
#include "decoder_fixtures.h"

namespace pelko {
namespace {

using test::decodeError;
using test::expectMatchesReference;
using test::fixtureBytes;

TEST(DecodeGif, FirstPictureMatchesAnIndependentDecoder) {
    struct Case {
        const char* name;
        int depth;
    } cases[] = {
        // Depth follows the size of the colour table.
        {"plain.gif", 8}, {"interlaced.gif", 8},   {"small.gif", 4},
        {"mono.gif", 1},  {"transparent.gif", 32},
    };
    for (const Case& c : cases) {
        const Bitmap b = decodeGif(fixtureBytes(c.name));
        EXPECT_EQ(b.depth(), c.depth) << c.name;
        expectMatchesReference(b, c.name);
    }
}

TEST(DecodeGif, APictureSmallerThanTheScreenSitsAtItsOffset) {
    // offset.gif: the top-left 5 x 3 of picture.png at (4, 2) of a 13 x 7 screen.
    const Bitmap b = decodeGif(fixtureBytes("offset.gif"));
    const Bitmap full = decodePng(fixtureBytes("picture.png"));
    ASSERT_EQ(b.width(), 13);
    ASSERT_EQ(b.height(), 7);
    ASSERT_EQ(b.depth(), 32);
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 13; ++x) {
            const bool inside = x >= 4 && x < 9 && y >= 2 && y < 5;
            ASSERT_EQ(b.pixel32(x, y) >> 24, inside ? 0xFFu : 0u) << x << ", " << y;
            if (inside) {
                ASSERT_EQ(test::rgbAt(b, x, y), test::rgbAt(full, x - 4, y - 2));
            }
        }
    }
}

TEST(DecodeGif, DamageGivesGiflibsMessage) {
    const std::vector<std::uint8_t> good = fixtureBytes("plain.gif");
    const std::size_t table = good[10] & 0x80 ? 3u * (2u << (good[10] & 7)) : 0;
    std::vector<std::uint8_t> noPicture(good.begin(), good.begin() + 13 + std::ptrdiff_t(table));
    noPicture.push_back(';');
    struct Case {
        const char* what;
        std::vector<std::uint8_t> file;
        const char* message;
    } cases[] = {
        {"a bitmap file", fixtureBytes("rgb24.bmp"), "Data is not in GIF format"},
        {"nothing", {}, "Failed to read from given file"},
        {"cut in the picture", std::vector<std::uint8_t>(good.begin(), good.end() - 10),
         "Failed to read from given file"},
        {"no picture", noPicture, "No Image Descriptor detected"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(decodeError(decodeGif, c.file), c.message) << c.what;
    }
}

}  // namespace
}  // namespace pelko
