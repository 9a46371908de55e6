#include <gtest/gtest.h>

#include <cstdio>
// jpeglib.h needs size_t and FILE declared first.
#include <jerror.h>
#include <jpeglib.h>

#include "core/codec/decode.h"
#include "core/error.h"
#include "decoder_fixtures.h"

namespace pelko {
namespace {

using test::decodeError;
using test::expectMatchesReference;
using test::fixtureBytes;

std::string jpegError(int code) {
    return "JPEG error #" + std::to_string(code);
}

TEST(DecodeJpeg, MatchesAnIndependentDecoder) {
    for (const char* name : {"baseline.jpg", "progressive.jpg", "gray.jpg"}) {
        const Bitmap b = decodeJpeg(fixtureBytes(name));
        EXPECT_EQ(b.depth(), 24) << name;
        expectMatchesReference(b, name);
    }
    // C 0, M 200, Y 100, K 0 in Adobe's inverted storage.
    const Bitmap cmyk = decodeJpeg(fixtureBytes("cmyk.jpg"));
    ASSERT_EQ(cmyk.width(), 16);
    for (int y = 0; y < cmyk.height(); ++y) {
        for (int x = 0; x < cmyk.width(); ++x) {
            const Rgb c = cmyk.colorAt(x, y);
            ASSERT_NEAR(c.r, 255, 3);
            ASSERT_NEAR(c.g, 55, 3);
            ASSERT_NEAR(c.b, 155, 3);
            ASSERT_EQ(cmyk.pixel32(x, y) >> 24, 0u);
        }
    }
}

TEST(DecodeJpeg, DamageGivesTheLibrarysMessageNumber) {
    const std::vector<std::uint8_t> good = fixtureBytes("baseline.jpg");
    struct Case {
        const char* what;
        std::vector<std::uint8_t> file;
        int code;
    } cases[] = {
        {"a bitmap file", fixtureBytes("rgb24.bmp"), JERR_NO_SOI},
        {"nothing", {}, JERR_INPUT_EMPTY},
        {"cut in the scan", std::vector<std::uint8_t>(good.begin(), good.end() - 40),
         JWRN_JPEG_EOF},
        {"no end marker", std::vector<std::uint8_t>(good.begin(), good.end() - 2), JWRN_JPEG_EOF},
        {"headers only", std::vector<std::uint8_t>(good.begin(), good.begin() + 100),
         JWRN_JPEG_EOF},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(decodeError(decodeJpeg, c.file), jpegError(c.code)) << c.what;
    }
}

TEST(DecodeJpeg, RefusesPicturesPastTheLimit) {
    const std::vector<std::uint8_t> file = fixtureBytes("baseline.jpg");
    EXPECT_EQ(decodeJpeg(file, DecodeLimits{24 * 16}).width(), 24);
    EXPECT_THROW(decodeJpeg(file, DecodeLimits{24 * 16 - 1}), Error);
}

}  // namespace
}  // namespace pelko
