#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "core/image/bitmap.h"
#include "core/large_allocator.h"

namespace pelko {

// Colours the octree quantiser may pick: the 256-entry table keeps 20 for the static colours.
constexpr int kQuantizedColors = 236;
constexpr int kFirstQuantizedEntry = 10;

// An image reduced to 8 bits per pixel.
struct ReducedImage {
    std::vector<Rgb> colorTable;  // 256 entries
    int quantizedColors = 0;      // entries 10 .. 10 + quantizedColors - 1 are in use
    ByteBuffer indices;           // width * height, rows top first
};

// The 256-entry colour table of a colour-reduced image: the first ten static colours of the
// default palette, the quantised colours from entry 10 on, black in unused entries, and the
// last ten static colours in entries 246 to 255.
std::vector<Rgb> reducedColorTable(const std::vector<Rgb>& quantized);

// Receives finished rows of indices, in order and on the calling thread, while later rows are
// still being mapped: `count` rows from `firstRow` on, starting at `rows`.
using ReducedRows = std::function<void(const std::uint8_t* rows, int firstRow, int count)>;

// Reduces a Bitmap of any depth to the table above: the octree quantiser picks at most 236
// colours from the image's distinct colours, then every pixel gets the index of its nearest
// table colour (no dithering). An image of at most 236 colours keeps them exactly. Counting
// and mapping run on up to `threads` workers (0: one per core). With `onRows`, the calling
// thread hands the rows to it as they are mapped, in bands, instead of mapping rows itself.
ReducedImage reduceColors(const Bitmap& bitmap, int threads, const ReducedRows& onRows = {});

}  // namespace pelko
