#include <gtest/gtest.h>

#include "codec_test_support.h"
#include "core/error.h"

namespace pelko::test {
namespace {

TEST(ImageSize, OverflowingSizesThrowInsteadOfAllocating) {
    EXPECT_THROW(checkedImageSize(1LL << 20, 1LL << 20, 4), Error);
    EXPECT_THROW(checkedImageSize(-1, 10, 4), Error);
    EXPECT_THROW(Bitmap(1 << 20, 1 << 20, 24), Error);
    EXPECT_THROW(Bitmap(70000, 70000, 8), Error);
}

// Sizes a Bitmap can hold but a format cannot: a clear error, no crash and no broken file.
TEST(ImageSize, SidesBeyondAFormatsLimitThrow) {
    const Bitmap wide(70000, 1, 8);
    const Bitmap tall(1, 70000, 24);
    for (const Bitmap* bitmap : {&wide, &tall}) {
        EXPECT_THROW(encodeToBytes(*bitmap, ImageFormat::Jpeg), Error);
        EXPECT_THROW(encodeToBytes(*bitmap, ImageFormat::Gif), Error);
        EXPECT_NO_THROW(encodeToBytes(*bitmap, ImageFormat::Png));
        EXPECT_NO_THROW(encodeToBytes(*bitmap, ImageFormat::Bmp));
    }
}

TEST(ImageSize, EmptyBitmapsThrowForFormatsThatCannotHoldThem) {
    const Bitmap empty;
    for (ImageFormat format : {ImageFormat::Jpeg, ImageFormat::Png, ImageFormat::Gif}) {
        EXPECT_THROW(encodeToBytes(empty, format), Error);
    }
}

// A sink that fails (a full disk) gets its own exception back from every encoder,
// whichever library was writing; the sanitizer build checks that nothing leaks on the way.
TEST(EncodeErrors, SinkFailureReachesTheCaller) {
    const Bitmap bitmap = makeRgbBitmap(300, 200, 24, [](int x, int y) {
        return Rgb{std::uint8_t(x * y), std::uint8_t(x ^ y), std::uint8_t(x + 7 * y)};
    });
    EncodeOptions options;
    options.jpegQuality = 90;
    for (ImageFormat format :
         {ImageFormat::Bmp, ImageFormat::Jpeg, ImageFormat::Png, ImageFormat::Gif}) {
        for (int gifMethod : {kGifMethodLzw, kGifMethodRle}) {
            options.gifMethod = gifMethod;
            const std::size_t full = encodeToBytes(bitmap, format, options).size();
            // Failing at the start, in the headers, in the middle and at the very last byte.
            for (std::size_t limit : {std::size_t(0), std::size_t(20), full / 2, full - 1}) {
                SCOPED_TRACE(int(format));
                SCOPED_TRACE(limit);
                FailingSink sink(limit);
                EXPECT_THROW(encodeImage(sink, bitmap, format, options), FailingSink::Full);
            }
        }
    }
}

TEST(EncodeErrors, UnknownFormatThrows) {
    VectorSink sink;
    EXPECT_THROW(encodeImage(sink, Bitmap(2, 2, 24), ImageFormat(9), {}), Error);
    EXPECT_TRUE(sink.bytes.empty());
}

}  // namespace
}  // namespace pelko::test
