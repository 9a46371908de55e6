// In-process encode time of every format on the synthetic screen; the encoded size is the
// "bytes" counter.

#include <benchmark/benchmark.h>

#include <map>
#include <utility>

#include "core/codec/encode.h"
#include "synthetic_screen.h"

namespace {

using pelko::EncodeOptions;
using pelko::ImageFormat;

const pelko::Bitmap& screen(int width, int height) {
    static std::map<std::pair<int, int>, pelko::Bitmap> cache;
    auto it = cache.find({width, height});
    if (it == cache.end()) {
        it = cache.emplace(std::pair{width, height}, pelko::makeSyntheticScreen(width, height, 1))
                 .first;
    }
    return it->second;
}

// A sink that only counts, so the figures are the encoder's own.
class CountingSink final : public pelko::ByteSink {
  public:
    void write(const std::uint8_t*, std::size_t size) override { bytes += size; }
    std::size_t bytes = 0;
};

void encode(benchmark::State& state, ImageFormat format, EncodeOptions options) {
    const pelko::Bitmap& bitmap = screen(int(state.range(0)), int(state.range(1)));
    std::size_t bytes = 0;
    for (auto _ : state) {
        CountingSink sink;
        pelko::encodeImage(sink, bitmap, format, options);
        bytes = sink.bytes;
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["bytes"] = double(bytes);
}

EncodeOptions jpeg90() {
    EncodeOptions o;
    o.jpegQuality = 90;
    return o;
}
EncodeOptions oneThread() {
    EncodeOptions o;
    o.threads = 1;
    return o;
}
EncodeOptions gifMethod(int method) {
    EncodeOptions o;
    o.gifMethod = method;
    return o;
}

void sizes(benchmark::internal::Benchmark* b) {
    b->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK_CAPTURE(encode, bmp, ImageFormat::Bmp, EncodeOptions{})->Apply(sizes);
BENCHMARK_CAPTURE(encode, jpeg_q90, ImageFormat::Jpeg, jpeg90())->Apply(sizes);
BENCHMARK_CAPTURE(encode, png, ImageFormat::Png, EncodeOptions{})->Apply(sizes);
// The same on one thread, to show what the parallel deflate gains on this machine.
BENCHMARK_CAPTURE(encode, png_1thread, ImageFormat::Png, oneThread())->Apply(sizes);
BENCHMARK_CAPTURE(encode, gif_lzw, ImageFormat::Gif, gifMethod(pelko::kGifMethodLzw))->Apply(sizes);
BENCHMARK_CAPTURE(encode, gif_rle, ImageFormat::Gif, gifMethod(pelko::kGifMethodRle))->Apply(sizes);

}  // namespace

BENCHMARK_MAIN();
