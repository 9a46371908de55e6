// Scaling, watermark and rotation of a synthetic screen, each beside a memcpy of the same
// frame: the time just to move its bytes once.

#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include "core/codec/apply_watermark.h"
#include "core/image/rotate.h"
#include "core/image/scale.h"
#include "synthetic_screen.h"

namespace {

using pelko::Bitmap;

const Bitmap& screen(int width, int height) {
    static std::map<std::pair<int, int>, Bitmap> cache;
    auto it = cache.find({width, height});
    if (it == cache.end()) {
        it = cache.emplace(std::pair{width, height}, pelko::makeSyntheticScreen(width, height, 1))
                 .first;
    }
    return it->second;
}

void memcpyFrame(benchmark::State& state) {
    const Bitmap& frame = screen(int(state.range(0)), int(state.range(1)));
    std::vector<std::uint8_t> copy(frame.byteSize());
    for (auto _ : state) {
        std::memcpy(copy.data(), frame.data(), frame.byteSize());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(frame.byteSize()));
}
BENCHMARK(memcpyFrame)->Args({3840, 2160})->Args({1920, 1080})->Unit(benchmark::kMillisecond);

void scale(benchmark::State& state) {
    const Bitmap& frame = screen(3840, 2160);
    Bitmap target;
    for (auto _ : state) {
        pelko::ScaleBitmap(frame, target, int(state.range(0)), int(state.range(1)));
        benchmark::DoNotOptimize(target.data());
    }
}
BENCHMARK(scale)
    ->ArgNames({"w", "h"})
    ->Args({1920, 1080})
    ->Args({1000, 700})
    ->Unit(benchmark::kMillisecond);

// The whole call: reading and decoding the factory stamp, then drawing it with the factory
// placement (bottom-right, 90 pixels in, transparent).
void watermark(benchmark::State& state) {
    Bitmap frame = screen(3840, 2160);
    for (auto _ : state) {
        pelko::ApplyWatermark(frame, PELKO_WATERMARK, 90, 90, true, 1, 0, 0);
        benchmark::DoNotOptimize(frame.data());
    }
}
BENCHMARK(watermark)->Unit(benchmark::kMillisecond);

// Each turn starts from a fresh copy of the frame; the copy is not timed.
void rotate(benchmark::State& state) {
    const Bitmap& frame = screen(1920, 1080);
    for (auto _ : state) {
        state.PauseTiming();
        Bitmap picture = frame;
        state.ResumeTiming();
        pelko::RotateBitmap(picture, 0xFFFFFF, double(state.range(0)));
        benchmark::DoNotOptimize(picture.data());
        state.PauseTiming();
        picture = Bitmap();
        state.ResumeTiming();
    }
}
BENCHMARK(rotate)->ArgName("degrees")->Arg(90)->Arg(30)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
