// Windows bitmap files: BITMAPFILEHEADER, BITMAPINFOHEADER (BI_RGB; BI_BITFIELDS with the
// three colour masks for the 16-bit depths 15 and 16), the colour table of an indexed Bitmap,
// then the uncompressed rows bottom-up, each padded to a multiple of 4 bytes.

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include "core/codec/color_table.h"
#include "core/codec/encode.h"
#include "core/error.h"

namespace pelko {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;

constexpr std::uint32_t kBiRgb = 0, kBiBitfields = 3;

// The masks of the 16-bit layouts: red, green, blue.
constexpr std::uint32_t kMasks555[3] = {0x7C00, 0x03E0, 0x001F};
constexpr std::uint32_t kMasks565[3] = {0xF800, 0x07E0, 0x001F};

// An 8-bit channel at a narrower width, to the nearest step.
constexpr std::uint32_t narrow(std::uint32_t value, std::uint32_t steps) {
    return (value * steps + 127) / 255;
}

struct BmpLayout {
    int bitCount = 0;
    const std::uint32_t* masks = nullptr;  // bit-field masks of 16-bit files
    std::size_t rowSize = 0;               // bytes per stored row, padding included
    std::size_t imageSize = 0;
    std::vector<Rgb> colorTable;
    std::size_t pixelOffset = 0;
    std::size_t fileSize = 0;
};

void putU16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}

void putU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    putU16(out, v & 0xFFFF);
    putU16(out, v >> 16);
}

BmpLayout bmpLayout(const Bitmap& bitmap) {
    BmpLayout layout;
    layout.bitCount = bitmap.depth();
    if (bitmap.depth() == 15 || bitmap.depth() == 16) {
        layout.bitCount = 16;
        layout.masks = bitmap.depth() == 15 ? kMasks555 : kMasks565;
    }
    const std::size_t rowBits = checkedImageSize(bitmap.width(), layout.bitCount, 1);
    layout.rowSize = (rowBits + 31) / 32 * 4;
    layout.imageSize = checkedImageSize(bitmap.height(), (long long)layout.rowSize, 1);
    if (bitmap.indexed()) {
        layout.colorTable = indexedColorTable(bitmap);
    }
    layout.pixelOffset =
        kFileHeaderSize + kInfoHeaderSize + 4 * layout.colorTable.size() + (layout.masks ? 12 : 0);
    layout.fileSize = layout.pixelOffset + layout.imageSize;
    if (layout.fileSize > std::numeric_limits<std::uint32_t>::max()) {
        throw Error("The image is too large for a BMP file");
    }
    return layout;
}

void writeFileHeader(ByteSink& sink, const BmpLayout& layout) {
    std::vector<std::uint8_t> out{'B', 'M'};
    putU32(out, std::uint32_t(layout.fileSize));
    putU32(out, 0);  // two reserved words
    putU32(out, std::uint32_t(layout.pixelOffset));
    sink.write(out.data(), out.size());
}

void writeInfoHeader(ByteSink& sink, const Bitmap& bitmap, const BmpLayout& layout) {
    std::vector<std::uint8_t> out;
    putU32(out, kInfoHeaderSize);
    putU32(out, std::uint32_t(bitmap.width()));
    putU32(out, std::uint32_t(bitmap.height()));  // positive: rows stored bottom-up
    putU16(out, 1);                               // planes
    putU16(out, std::uint32_t(layout.bitCount));
    putU32(out, layout.masks ? kBiBitfields : kBiRgb);
    putU32(out, std::uint32_t(layout.imageSize));
    putU32(out, 0);  // horizontal resolution: unspecified
    putU32(out, 0);  // vertical resolution: unspecified
    putU32(out, std::uint32_t(layout.colorTable.size()));
    putU32(out, 0);  // all colours important
    sink.write(out.data(), out.size());
}

void writeColorTable(ByteSink& sink, const BmpLayout& layout) {
    std::vector<std::uint8_t> out;
    if (layout.masks) {
        for (int i = 0; i < 3; ++i) {
            putU32(out, layout.masks[i]);
        }
    }
    out.reserve(4 * layout.colorTable.size());
    for (Rgb c : layout.colorTable) {
        out.insert(out.end(), {c.b, c.g, c.r, 0});
    }
    sink.write(out.data(), out.size());
}

// Packs one Bitmap row into its file form; `out` holds rowSize zeroed bytes.
void packRow(const Bitmap& bitmap, int y, std::uint8_t* out) {
    const std::uint8_t* in = bitmap.row(y);
    const int width = bitmap.width();
    switch (bitmap.depth()) {
        case 1:
            for (int x = 0; x < width; ++x) {
                out[x >> 3] |= std::uint8_t((in[x] & 1) << (7 - (x & 7)));
            }
            break;
        case 4:
            for (int x = 0; x < width; ++x) {
                out[x >> 1] |= std::uint8_t((in[x] & 0x0F) << ((x & 1) ? 0 : 4));
            }
            break;
        case 8:
            std::copy_n(in, width, out);
            break;
        case 15:
        case 16: {
            const std::uint32_t greenSteps = bitmap.depth() == 16 ? 63 : 31;
            const int redShift = bitmap.depth() == 16 ? 11 : 10;
            for (int x = 0; x < width; ++x) {
                const std::uint32_t v = narrow(in[4 * x + 2], 31) << redShift |
                                        narrow(in[4 * x + 1], greenSteps) << 5 |
                                        narrow(in[4 * x], 31);
                out[2 * x] = std::uint8_t(v);
                out[2 * x + 1] = std::uint8_t(v >> 8);
            }
            break;
        }
        case 24:
            for (int x = 0; x < width; ++x) {
                out[3 * x] = in[4 * x];
                out[3 * x + 1] = in[4 * x + 1];
                out[3 * x + 2] = in[4 * x + 2];
            }
            break;
        default:  // 32: B, G, R and the fourth byte as stored
            std::copy_n(in, std::size_t(width) * 4, out);
            break;
    }
}

void writePixelData(ByteSink& sink, const Bitmap& bitmap, const BmpLayout& layout) {
    if (layout.imageSize == 0) {
        return;
    }
    // Rows go out in batches of about 256 KiB to keep sink calls few.
    const std::size_t rowsPerBatch = std::max<std::size_t>(1, (256 * 1024) / layout.rowSize);
    std::vector<std::uint8_t> batch(rowsPerBatch * layout.rowSize);
    int y = bitmap.height() - 1;
    while (y >= 0) {
        std::size_t rows = std::min<std::size_t>(rowsPerBatch, std::size_t(y) + 1);
        std::fill_n(batch.begin(), rows * layout.rowSize, 0);
        for (std::size_t i = 0; i < rows; ++i, --y) {
            packRow(bitmap, y, batch.data() + i * layout.rowSize);
        }
        sink.write(batch.data(), rows * layout.rowSize);
    }
}

}  // namespace

void encodeBmp(ByteSink& sink, const Bitmap& bitmap) {
    const BmpLayout layout = bmpLayout(bitmap);
    writeFileHeader(sink, layout);
    writeInfoHeader(sink, bitmap, layout);
    writeColorTable(sink, layout);
    writePixelData(sink, bitmap, layout);
}

}  // namespace pelko
