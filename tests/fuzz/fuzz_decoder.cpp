// libFuzzer entry point for one picture decoder, chosen at build time with
// -DPELKO_FUZZ_DECODER=decodeBmp (decodePng, decodeJpeg, decodeGif). Every input must end in a
// picture or a pelko::Error; anything else (a crash, a sanitizer report, another exception)
// is a finding.
#include <cstddef>
#include <cstdint>

#include "core/codec/decode.h"
#include "core/error.h"

#ifndef PELKO_FUZZ_DECODER
#error "define PELKO_FUZZ_DECODER as the decoder to fuzz"
#endif

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The program's own limits: what a file can make the decoder allocate is part of what is
    // fuzzed (run_fuzzers.sh caps each input's memory).
    try {
        const pelko::Bitmap picture =
            pelko::PELKO_FUZZ_DECODER(std::span<const std::uint8_t>(data, size), {});
        // Read every pixel, so that a picture left partly unwritten shows under the sanitizers.
        unsigned sum = 0;
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                const pelko::Rgb c = picture.colorAt(x, y);
                sum += c.r + c.g + c.b;
            }
        }
        static volatile unsigned sink;
        sink = sum;
    } catch (const pelko::Error&) {
    }
    return 0;
}
