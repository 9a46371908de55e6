// In-process encode time of every format on the synthetic screen, with its synthetic wallpaper
// and with a photograph as wallpaper (the "photo" cases); the encoded size is the "bytes"
// counter.

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "core/codec/encode.h"
#include "synthetic_screen.h"

namespace {

using pelko::EncodeOptions;
using pelko::ImageFormat;

// The screen of each size, with the synthetic wallpaper (range 2 = 0) or the photograph (1);
// an empty Bitmap when the photograph is missing.
const pelko::Bitmap& screen(int width, int height, bool photo) {
    static std::map<std::tuple<int, int, bool>, pelko::Bitmap> cache;
    static const pelko::Bitmap wallpaper = pelko::loadBenchPhoto();
    auto it = cache.find({width, height, photo});
    if (it == cache.end()) {
        pelko::Bitmap bitmap = !photo ? pelko::makeSyntheticScreen(width, height, 1)
                               : wallpaper.empty()
                                   ? pelko::Bitmap()
                                   : pelko::makeSyntheticScreen(width, height, 1, &wallpaper);
        it = cache.emplace(std::tuple{width, height, photo}, std::move(bitmap)).first;
    }
    return it->second;
}

// The screen of the benchmark's arguments (width, height, photograph or not); null, with the
// benchmark skipped, when the photograph is missing.
const pelko::Bitmap* screenOrSkip(benchmark::State& state) {
    const pelko::Bitmap& bitmap =
        screen(int(state.range(0)), int(state.range(1)), state.range(2) != 0);
    if (bitmap.empty()) {
        state.SkipWithError(
            "no photograph: run scripts/install-deps.sh bench or set "
            "PELKO_BENCH_PHOTO");
        return nullptr;
    }
    return &bitmap;
}

// A sink that only counts, so the figures are the encoder's own.
class CountingSink final : public pelko::ByteSink {
  public:
    void write(const std::uint8_t*, std::size_t size) override { bytes += size; }
    std::size_t bytes = 0;
};

void encode(benchmark::State& state, ImageFormat format, EncodeOptions options) {
    const pelko::Bitmap* screen = screenOrSkip(state);
    if (!screen) {
        return;
    }
    const pelko::Bitmap& bitmap = *screen;
    std::size_t bytes = 0;
    for (auto _ : state) {
        CountingSink sink;
        pelko::encodeImage(sink, bitmap, format, options);
        bytes = sink.bytes;
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["bytes"] = double(bytes);
}

// The floor of a PNG encode: zlib's level-7 deflate of the Sub-filtered rows in one stream on
// one core, with the window the encoder picks for the row length. The "floor_ms" counter is
// that time divided by the number of cores: what a perfect split of the same work could reach.
void pngFloor(benchmark::State& state) {
    const pelko::Bitmap* screen = screenOrSkip(state);
    if (!screen) {
        return;
    }
    const pelko::Bitmap& bitmap = *screen;
    const std::size_t rowBytes = 1 + std::size_t(bitmap.width()) * 3;
    std::vector<std::uint8_t> rows(rowBytes * std::size_t(bitmap.height()));
    for (int y = 0; y < bitmap.height(); ++y) {
        const std::uint8_t* in = bitmap.row(y);
        std::uint8_t* out = rows.data() + rowBytes * std::size_t(y);
        *out++ = 1;
        std::uint8_t last[3] = {0, 0, 0};
        for (int x = 0; x < bitmap.width(); ++x, in += 4, out += 3) {
            const std::uint8_t rgb[3] = {in[2], in[1], in[0]};
            for (int c = 0; c < 3; ++c) {
                out[c] = std::uint8_t(rgb[c] - last[c]);
                last[c] = rgb[c];
            }
        }
    }
    const int windowBits = rowBytes + 258 <= (1u << 14) ? 14 : 15;
    std::vector<std::uint8_t> packed(deflateBound(nullptr, uLong(rows.size())));
    std::size_t bytes = 0;
    double seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        z_stream stream{};
        deflateInit2(&stream, 7, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY);
        stream.next_in = rows.data();
        stream.avail_in = uInt(rows.size());
        stream.next_out = packed.data();
        stream.avail_out = uInt(packed.size());
        deflate(&stream, Z_FINISH);
        bytes = stream.total_out;
        deflateEnd(&stream);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["bytes"] = double(bytes);
    const double cores = std::max(1u, std::thread::hardware_concurrency());
    state.counters["floor_ms"] = 1000.0 * seconds / double(state.iterations()) / cores;
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
    b->ArgNames({"w", "h", "photo"});
    for (int photo : {0, 1}) {
        b->Args({1920, 1080, photo})->Args({3840, 2160, photo});
    }
    b->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK_CAPTURE(encode, bmp, ImageFormat::Bmp, EncodeOptions{})->Apply(sizes);
BENCHMARK_CAPTURE(encode, jpeg_q90, ImageFormat::Jpeg, jpeg90())->Apply(sizes);
BENCHMARK_CAPTURE(encode, png, ImageFormat::Png, EncodeOptions{})->Apply(sizes);
// The same on one thread, to show what the parallel deflate gains on this machine.
BENCHMARK_CAPTURE(encode, png_1thread, ImageFormat::Png, oneThread())->Apply(sizes);
BENCHMARK(pngFloor)->Apply(sizes);
BENCHMARK_CAPTURE(encode, gif_lzw, ImageFormat::Gif, gifMethod(pelko::kGifMethodLzw))->Apply(sizes);
BENCHMARK_CAPTURE(encode, gif_rle, ImageFormat::Gif, gifMethod(pelko::kGifMethodRle))->Apply(sizes);

}  // namespace

BENCHMARK_MAIN();
