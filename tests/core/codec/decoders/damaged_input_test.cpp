// Every decoder meets truncated and corrupted files: each one gives a pelko::Error or a
// picture, never a crash or a read past its input (the sanitizer build checks that), and a
// truncated file never gives a picture other than the whole file's.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "core/codec/decode.h"
#include "core/error.h"
#include "decoder_fixtures.h"

namespace pelko {
namespace {

namespace fs = std::filesystem;
using Decoder = std::function<Bitmap(std::span<const std::uint8_t>, const DecodeLimits&)>;

// Small enough that corrupted sizes cannot make a test allocate much.
const DecodeLimits kLimits{1 << 20};

struct Format {
    const char* name;
    Decoder decode;
    std::vector<std::string> files;  // in tests/data/decoders
};

std::vector<Format> formats() {
    return {
        {"bmp",
         decodeBmp,
         {"rgb24.bmp", "rgb32.bmp", "topdown24.bmp", "core24.bmp", "rgb565.bmp", "pal8.bmp",
          "pal4.bmp", "mono1.bmp", "rle8.bmp", "rle4.bmp"}},
        {"png",
         decodePng,
         {"picture.png", "suite:basn0g01", "suite:basi0g16", "suite:basi3p02", "suite:basn6a16",
          "suite:tbbn3p08", "suite:s01i3p01", "suite:basi4a08", "suite:ct1n0g04"}},
        {"jpeg", decodeJpeg, {"baseline.jpg", "progressive.jpg", "gray.jpg", "cmyk.jpg"}},
        {"gif",
         decodeGif,
         {"plain.gif", "interlaced.gif", "small.gif", "mono.gif", "transparent.gif", "offset.gif"}},
    };
}

// The bytes of a fixture; "suite:NAME" is PngSuite's png/NAME.png (empty when it is missing).
std::vector<std::uint8_t> bytesOf(const std::string& name) {
    if (name.starts_with("suite:")) {
        const std::string path =
            std::string(PELKO_PNGSUITE_DIR) + "/png/" + name.substr(6) + ".png";
        return fs::exists(path) ? readFileBytes(path) : std::vector<std::uint8_t>{};
    }
    return test::fixtureBytes(name);
}

// The picture, or none after an Error; anything else thrown fails the test.
std::optional<Bitmap> tryDecode(const Decoder& decode, const std::vector<std::uint8_t>& bytes) {
    try {
        return decode(bytes, kLimits);
    } catch (const Error& e) {
        EXPECT_STRNE(e.what(), "");
        return std::nullopt;
    }
}

bool samePicture(const Bitmap& a, const Bitmap& b) {
    return a.width() == b.width() && a.height() == b.height() &&
           test::argbPixels(a) == test::argbPixels(b);
}

TEST(DamagedInput, TruncatedFilesFailOrLackOnlyUnusedBytes) {
    std::vector<std::string> missing;
    for (const Format& format : formats()) {
        for (const std::string& name : format.files) {
            const std::vector<std::uint8_t> whole = bytesOf(name);
            if (whole.empty()) {
                missing.push_back(name);
                continue;
            }
            const Bitmap full = format.decode(whole, kLimits);
            for (std::size_t n = 0; n < whole.size(); ++n) {
                const std::vector<std::uint8_t> part(whole.begin(),
                                                     whole.begin() + std::ptrdiff_t(n));
                if (std::optional<Bitmap> b = tryDecode(format.decode, part)) {
                    ASSERT_TRUE(samePicture(*b, full)) << name << " cut to " << n << " bytes";
                }
            }
        }
    }
    if (!missing.empty()) {
        GTEST_SKIP() << missing.size() << " fixtures are missing (PngSuite at "
                     << PELKO_PNGSUITE_DIR << "?), first " << missing.front();
    }
}

TEST(DamagedInput, CorruptedBytesNeverCrash) {
    for (const Format& format : formats()) {
        for (const std::string& name : format.files) {
            const std::vector<std::uint8_t> whole = bytesOf(name);
            for (std::size_t at = 0; at < whole.size(); at += at < 300 ? 1 : 7) {
                for (std::uint8_t value :
                     {std::uint8_t(0), std::uint8_t(0xFF), std::uint8_t(whole[at] ^ 0x80),
                      std::uint8_t(whole[at] + 1)}) {
                    std::vector<std::uint8_t> bad = whole;
                    bad[at] = value;
                    if (std::optional<Bitmap> b = tryDecode(format.decode, bad)) {
                        ASSERT_GT(b->width(), 0) << name << " byte " << at;
                        ASSERT_GT(b->height(), 0) << name << " byte " << at;
                    }
                }
            }
        }
    }
}

// Every input that once broke a decoder (regressions/<format>/*, each a broken file) is
// refused with an error, and there are such inputs to try.
TEST(DamagedInput, EarlierFailuresStayFixed) {
    int inputs = 0;
    for (const Format& format : formats()) {
        const fs::path dir = fs::path(PELKO_DECODER_DATA) / "regressions" / format.name;
        if (!fs::exists(dir)) {
            continue;
        }
        for (const auto& entry : fs::directory_iterator(dir)) {
            SCOPED_TRACE(entry.path().string());
            ++inputs;
            EXPECT_FALSE(tryDecode(format.decode, readFileBytes(entry.path().string())))
                << "a broken input decoded";
        }
    }
    EXPECT_GT(inputs, 0) << "no regression inputs under " << PELKO_DECODER_DATA;
}

}  // namespace
}  // namespace pelko
