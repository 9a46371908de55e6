// Every input must end in a picture or a pelko::Error; anything else (a crash, a sanitizer
// report, another exception) is a finding. The program's own limits apply: what a file can
// make a decoder allocate is part of what is fuzzed (run_fuzzers.sh caps each input's memory).
#include <span>

#include "core/codec/decode.h"
#include "core/error.h"
#include "fuzz/fuzz_entries.h"

namespace pelko::fuzz {

namespace {

using Decoder = Bitmap (*)(std::span<const std::uint8_t>, const DecodeLimits&);

int decodeOne(Decoder decode, const std::uint8_t* data, std::size_t size) {
    try {
        const Bitmap picture = decode(std::span<const std::uint8_t>(data, size), {});
        check(picture.width() > 0 && picture.height() > 0, "a decoded picture has pixels");
        // Read every pixel, so that a picture left partly unwritten shows under the sanitizers.
        std::uint64_t sum = 0;
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                const Rgb c = picture.colorAt(x, y);
                sum += c.r + c.g + c.b;
            }
        }
        check(sum <= 765 * std::uint64_t(picture.width()) * std::uint64_t(picture.height()),
              "every channel of every pixel is a byte");
    } catch (const Error&) {
    }
    return 0;
}

}  // namespace

int fuzzBmp(const std::uint8_t* data, std::size_t size) {
    return decodeOne(decodeBmp, data, size);
}

int fuzzPng(const std::uint8_t* data, std::size_t size) {
    return decodeOne(decodePng, data, size);
}

int fuzzJpeg(const std::uint8_t* data, std::size_t size) {
    return decodeOne(decodeJpeg, data, size);
}

int fuzzGif(const std::uint8_t* data, std::size_t size) {
    return decodeOne(decodeGif, data, size);
}

}  // namespace pelko::fuzz
