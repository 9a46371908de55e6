#include "core/codec/color_reduction.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstring>

#include "core/codec/color_histogram.h"
#include "core/codec/color_refinement.h"
#include "core/codec/default_palette.h"
#include "core/codec/nearest_color.h"
#include "core/codec/octree_order.h"
#include "core/codec/octree_quantizer.h"
#include "core/codec/worker_threads.h"
#include "core/error.h"

namespace pelko {
namespace {

// Below this many pixels (or distinct colours) per worker, fewer workers are used.
constexpr std::size_t kMinWorkPerThread = 1 << 16;
constexpr int kRefineSteps = 12;  // at most; they stop when no colour moves
constexpr int kBandRows = 16;     // rows mapped at a time when they are consumed in order

int workerCount(int threads, std::size_t work) {
    const std::size_t byWork = std::max<std::size_t>(1, work / kMinWorkPerThread);
    return int(std::min<std::size_t>(std::size_t(resolveThreadCount(threads)), byWork));
}

// The colours of the bitmap with their pixel counts: `rowWorkers` threads count a band of rows
// each; then up to `threads` merge the bands' tables.
ColorHistogram countColors(const Bitmap& bitmap, int rowWorkers, int threads) {
    std::vector<ColorHistogram> parts(static_cast<std::size_t>(rowWorkers));
    runParallel(rowWorkers, [&](int i) {
        parts[std::size_t(i)].addRows(bitmap, int(splitPoint(bitmap.height(), rowWorkers, i)),
                                      int(splitPoint(bitmap.height(), rowWorkers, i + 1)));
    });
    std::size_t colors = 0;
    for (const ColorHistogram& part : parts) {
        colors += part.size();
    }
    return ColorHistogram::merged(std::move(parts), workerCount(threads, colors));
}

// Stores in the histogram, for every distinct colour, the index of its nearest table colour.
// The colours are in octree order, so each worker meets few of NearestColor's cubes.
void assignNearest(ColorHistogram& histogram, const ColorList& colors,
                   const std::vector<Rgb>& table, int threads) {
    const int workers = workerCount(threads, colors.size());
    runParallel(workers, [&](int i) {
        NearestColor nearest(table);
        const std::size_t end = splitPoint(colors.size(), workers, i + 1);
        for (std::size_t j = splitPoint(colors.size(), workers, i); j < end; ++j) {
            const std::uint32_t rgb = colors[j].rgb;
            const Rgb c{std::uint8_t(rgb >> 16), std::uint8_t(rgb >> 8), std::uint8_t(rgb)};
            histogram.setValue(rgb, nearest.find(c));
        }
    });
}

void mapRows(const Bitmap& bitmap, const ColorHistogram& histogram, int firstRow, int endRow,
             std::uint8_t* out) {
    const int width = bitmap.width();
    if (bitmap.indexed()) {
        std::array<std::uint8_t, 256> byIndex{};
        for (std::size_t i = 0; i < byIndex.size(); ++i) {
            const Rgb c = i < bitmap.palette().size() ? bitmap.palette()[i] : Rgb{};
            byIndex[i] =
                std::uint8_t(histogram.value((std::uint32_t(c.r) << 16) | (c.g << 8) | c.b));
        }
        // Palette entries no pixel uses are not in the histogram; their lookups above found
        // empty slots and are never read.
        for (int y = firstRow; y < endRow; ++y, out += width) {
            const std::uint8_t* p = bitmap.row(y);
            for (int x = 0; x < width; ++x) {
                out[x] = byIndex[p[x]];
            }
        }
        return;
    }
    std::uint32_t lastRgb = 0xFFFFFFFFu;
    std::uint8_t lastIndex = 0;
    for (int y = firstRow; y < endRow; ++y, out += width) {
        const std::uint8_t* p = bitmap.row(y);
        for (int x = 0; x < width; ++x, p += 4) {
            std::uint32_t rgb;
            std::memcpy(&rgb, p, 4);  // B, G, R, X: 0xXXRRGGBB on a little-endian machine
            rgb = std::endian::native == std::endian::little
                      ? rgb & 0xFFFFFF
                      : (std::uint32_t(p[2]) << 16) | (p[1] << 8) | p[0];
            if (rgb != lastRgb) {
                lastRgb = rgb;
                lastIndex = std::uint8_t(histogram.value(rgb));
            }
            out[x] = lastIndex;
        }
    }
}

// Maps the rows on `workers - 1` threads, a band of rows at a time, while the calling thread
// hands the mapped bands to onRows in order. The bands' states are waited on, so neither side
// spins.
void mapRowsInOrder(const Bitmap& bitmap, const ColorHistogram& histogram, int workers,
                    std::uint8_t* out, const ReducedRows& onRows) {
    const int height = bitmap.height();
    const std::size_t width = std::size_t(bitmap.width());
    if (workers < 2 || height < 2 * kBandRows) {
        mapRows(bitmap, histogram, 0, height, out);
        onRows(out, 0, height);
        return;
    }
    enum : int { kPending, kMapped, kAbandoned };
    const int bands = (height + kBandRows - 1) / kBandRows;
    std::vector<std::atomic<int>> state(static_cast<std::size_t>(bands));
    std::atomic<int> next{0};
    runParallel(workers, [&](int i) {
        if (i == 0) {
            for (int band = 0; band < bands; ++band) {
                std::atomic<int>& s = state[std::size_t(band)];
                s.wait(kPending);
                if (s.load() != kMapped) {
                    return;  // a mapping thread failed; its error is reported
                }
                const int first = band * kBandRows;
                onRows(out + std::size_t(first) * width, first,
                       std::min(kBandRows, height - first));
            }
            return;
        }
        try {
            for (int band = next++; band < bands; band = next++) {
                const int first = band * kBandRows;
                mapRows(bitmap, histogram, first, std::min(first + kBandRows, height),
                        out + std::size_t(first) * width);
                state[std::size_t(band)].store(kMapped);
                state[std::size_t(band)].notify_one();
            }
        } catch (...) {
            for (std::atomic<int>& s : state) {
                int pending = kPending;
                s.compare_exchange_strong(pending, kAbandoned);
                s.notify_one();
            }
            throw;
        }
    });
}

}  // namespace

std::vector<Rgb> reducedColorTable(const std::vector<Rgb>& quantized) {
    if (quantized.size() > std::size_t(kQuantizedColors)) {
        throw Error("Too many colours for the colour table");
    }
    std::vector<Rgb> table(256);
    std::copy(kDefaultPaletteFirst.begin(), kDefaultPaletteFirst.end(), table.begin());
    std::copy(quantized.begin(), quantized.end(), table.begin() + kFirstQuantizedEntry);
    std::copy(kDefaultPaletteLast.begin(), kDefaultPaletteLast.end(), table.end() - 10);
    return table;
}

ReducedImage reduceColors(const Bitmap& bitmap, int threads, const ReducedRows& onRows) {
    const std::size_t pixels = checkedImageSize(bitmap.width(), bitmap.height(), 1);
    const int rowWorkers = std::min(workerCount(threads, pixels), std::max(bitmap.height(), 1));

    ColorHistogram histogram = countColors(bitmap, rowWorkers, threads);
    const ColorList colors = colorsInOctreeOrder(histogram, workerCount(threads, histogram.size()));
    const std::vector<Rgb> quantized = octreeQuantize(colors, kQuantizedColors);

    ReducedImage image;
    image.colorTable = reducedColorTable(quantized);
    image.quantizedColors = int(quantized.size());
    if (colors.size() > std::size_t(kQuantizedColors)) {
        const int workers = workerCount(threads, colors.size());
        const ByteBuffer nearest =
            refineColors(image.colorTable, image.quantizedColors, colors, workers, kRefineSteps);
        runParallel(workers, [&](int i) {
            const std::size_t end = splitPoint(colors.size(), workers, i + 1);
            for (std::size_t j = splitPoint(colors.size(), workers, i); j < end; ++j) {
                histogram.setValue(colors[j].rgb, nearest[j]);
            }
        });
    } else {
        assignNearest(histogram, colors, image.colorTable, threads);
    }

    image.indices.resize(pixels);
    if (onRows) {
        mapRowsInOrder(bitmap, histogram, rowWorkers, image.indices.data(), onRows);
        return image;
    }
    runParallel(rowWorkers, [&](int i) {
        const int first = int(splitPoint(bitmap.height(), rowWorkers, i));
        const int end = int(splitPoint(bitmap.height(), rowWorkers, i + 1));
        mapRows(bitmap, histogram, first, end,
                image.indices.data() + std::size_t(first) * std::size_t(bitmap.width()));
    });
    return image;
}

}  // namespace pelko
