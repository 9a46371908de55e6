// PNG files: IHDR, PLTE and tRNS written by libpng, then the image data as IDAT chunks of at
// most 65535 bytes, then IEND. The image data is ours: every row Sub-filtered and deflated at
// level 7 on parallel threads into one zlib stream (see parallel_deflate.h), which libpng's own
// row writer cannot do.

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <vector>

#include "core/codec/color_table.h"
#include "core/codec/encode.h"
#include "core/codec/parallel_deflate.h"
#include "core/error.h"

namespace pelko {
namespace {

constexpr std::size_t kMaxIdatSize = 65535;
constexpr int kFilterSub = 1;

// What goes into the header chunks.
struct PngHeader {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 8;
    int colorType = PNG_COLOR_TYPE_RGB;
    std::vector<png_color> palette;
    std::vector<png_byte> paletteAlpha;  // tRNS of a palette image; empty: none
    bool rgbTransparent = false;
    png_color_16 rgbTransparentColor{};
    std::size_t rowBytes = 0;  // packed pixel bytes of one row, without the filter byte
};

PngHeader pngHeader(const Bitmap& bitmap) {
    PngHeader header;
    header.width = png_uint_32(bitmap.width());
    header.height = png_uint_32(bitmap.height());
    const Rgb transparent = fromColorRef(bitmap.transparentColor());
    if (bitmap.indexed()) {
        header.colorType = PNG_COLOR_TYPE_PALETTE;
        header.bitDepth = bitmap.depth();
        header.rowBytes = (checkedImageSize(bitmap.width(), bitmap.depth(), 1) + 7) / 8;
        const std::vector<Rgb> table = indexedColorTable(bitmap);
        for (Rgb c : table) {
            header.palette.push_back({c.r, c.g, c.b});
        }
        if (bitmap.transparent()) {
            // Alpha 0 for every entry of the transparent colour; the chunk stops after the last.
            for (std::size_t i = table.size(); i-- > 0;) {
                if (table[i] == transparent) {
                    if (header.paletteAlpha.empty()) {
                        header.paletteAlpha.assign(i + 1, 255);
                    }
                    header.paletteAlpha[i] = 0;
                }
            }
        }
    } else {
        header.rowBytes = checkedImageSize(bitmap.width(), 3, 1);
        if (bitmap.transparent()) {
            header.rgbTransparent = true;
            header.rgbTransparentColor.red = transparent.r;
            header.rgbTransparentColor.green = transparent.g;
            header.rgbTransparentColor.blue = transparent.b;
        }
    }
    checkedImageSize(bitmap.height(), (long long)header.rowBytes + 1, 1);
    return header;
}

// Row y as a Sub-filtered PNG row (the filter byte, then each byte minus the byte one pixel to
// its left, whole bytes for depths below 8), from the B, G, R, X storage.
void subFilterRgbRow(const Bitmap& bitmap, int y, std::uint8_t* out) {
    const std::uint8_t* in = bitmap.row(y);
    *out++ = kFilterSub;
    std::uint8_t r0 = 0, g0 = 0, b0 = 0;
    for (int x = 0; x < bitmap.width(); ++x, in += 4, out += 3) {
        const std::uint8_t b = in[0], g = in[1], r = in[2];
        out[0] = std::uint8_t(r - r0);
        out[1] = std::uint8_t(g - g0);
        out[2] = std::uint8_t(b - b0);
        r0 = r;
        g0 = g;
        b0 = b;
    }
}

// The same for an indexed row: indices packed at the Bitmap's depth, most significant first.
void subFilterIndexedRow(const Bitmap& bitmap, int y, std::size_t rowBytes, std::uint8_t* out) {
    const std::uint8_t* in = bitmap.row(y);
    std::uint8_t* packed = out + 1;
    const int depth = bitmap.depth();
    if (depth == 8) {
        std::copy_n(in, bitmap.width(), packed);
    } else {
        std::fill_n(packed, rowBytes, 0);
        const std::uint8_t mask = indexMask(depth);
        const int perByte = 8 / depth;
        for (int x = 0; x < bitmap.width(); ++x) {
            const int shift = 8 - depth * (x % perByte + 1);
            packed[x / perByte] |= std::uint8_t((in[x] & mask) << shift);
        }
    }
    out[0] = kFilterSub;
    for (std::size_t i = rowBytes; i-- > 1;) {
        packed[i] = std::uint8_t(packed[i] - packed[i - 1]);
    }
}

// --- libpng plumbing -------------------------------------------------------------------------
//
// libpng reports errors by calling our error function, which must not return; it longjmps back
// to the setjmp in writeHeaderAndChunks. Everything between the two (libpng's frames, the
// write callback and writeHeaderAndChunks itself) holds only trivially destructible locals, so
// the jump skips no destructor. A C++ exception from the sink is caught in the write callback
// and kept in the job, to be rethrown once libpng has returned.

struct PngJob {
    ByteSink* sink = nullptr;
    std::exception_ptr sinkError;
    char message[200] = {};
    const PngHeader* header = nullptr;
    const std::vector<ByteBuffer>* zlibParts = nullptr;

    bool deliver(const std::uint8_t* data, std::size_t size) noexcept {
        try {
            sink->write(data, size);
            return true;
        } catch (...) {
            sinkError = std::current_exception();
            return false;
        }
    }
};

void pngErrorHandler(png_structp png, png_const_charp message) {
    auto* job = static_cast<PngJob*>(png_get_error_ptr(png));
    std::snprintf(job->message, sizeof job->message, "%s", message ? message : "");
    png_longjmp(png, 1);
}

void pngWarningHandler(png_structp, png_const_charp) {}

void pngWriteCallback(png_structp png, png_bytep data, size_t size) {
    auto* job = static_cast<PngJob*>(png_get_io_ptr(png));
    if (!job->deliver(data, size)) {
        png_error(png, "write failed");
    }
}

void pngFlushCallback(png_structp) {}

class PngWriteStruct {
  public:
    explicit PngWriteStruct(PngJob& job) {
        m_png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &job, pngErrorHandler,
                                        pngWarningHandler);
        if (m_png) {
            m_info = png_create_info_struct(m_png);
        }
        if (!m_png || !m_info) {
            png_destroy_write_struct(&m_png, &m_info);
            throw Error("Out of memory");
        }
        png_set_write_fn(m_png, &job, pngWriteCallback, pngFlushCallback);
    }
    ~PngWriteStruct() { png_destroy_write_struct(&m_png, &m_info); }
    PngWriteStruct(const PngWriteStruct&) = delete;
    PngWriteStruct& operator=(const PngWriteStruct&) = delete;

    png_structp png() const { return m_png; }
    png_infop info() const { return m_info; }

  private:
    png_structp m_png = nullptr;
    png_infop m_info = nullptr;
};

// Signature, IHDR, PLTE and tRNS through libpng.
void writeHeaderChunks(png_structp png, png_infop info, const PngHeader& header) {
    png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    png_set_IHDR(png, info, header.width, header.height, header.bitDepth, header.colorType,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!header.palette.empty()) {
        png_set_PLTE(png, info, header.palette.data(), int(header.palette.size()));
    }
    if (!header.paletteAlpha.empty()) {
        png_set_tRNS(png, info, header.paletteAlpha.data(), int(header.paletteAlpha.size()),
                     nullptr);
    }
    if (header.rgbTransparent) {
        png_set_tRNS(png, info, nullptr, 0, &header.rgbTransparentColor);
    }
    png_write_info(png, info);
}

// The zlib stream cut into IDAT chunks of kMaxIdatSize bytes (the last one shorter), each
// written straight from the compressed parts.
void writeIdatChunks(png_structp png, const std::vector<ByteBuffer>& parts) {
    static const png_byte kIdat[5] = {'I', 'D', 'A', 'T', 0};
    std::size_t left = 0;
    for (const ByteBuffer& part : parts) {
        left += part.size();
    }
    auto part = parts.begin();
    std::size_t offset = 0;
    while (left > 0) {
        const std::size_t chunk = std::min(kMaxIdatSize, left);
        png_write_chunk_start(png, kIdat, png_uint_32(chunk));
        for (std::size_t need = chunk; need > 0;) {
            while (offset == part->size()) {
                ++part;
                offset = 0;
            }
            const std::size_t n = std::min(need, part->size() - offset);
            png_write_chunk_data(png, part->data() + offset, n);
            offset += n;
            need -= n;
        }
        png_write_chunk_end(png);
        left -= chunk;
    }
}

void writeIendChunk(png_structp png) {
    static const png_byte kIend[5] = {'I', 'E', 'N', 'D', 0};
    png_write_chunk(png, kIend, nullptr, 0);
}

bool writeAllChunks(png_structp png, png_infop info, PngJob& job) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    writeHeaderChunks(png, info, *job.header);
    writeIdatChunks(png, *job.zlibParts);
    writeIendChunk(png);
    return true;
}

}  // namespace

void encodePng(ByteSink& sink, const Bitmap& bitmap, const EncodeOptions& options) {
    if (bitmap.empty()) {
        throw Error("Cannot write an empty image");
    }
    const PngHeader header = pngHeader(bitmap);

    // Level 7 with zlib's own parameters for it. A 16 KiB window instead of 32 KiB halves the
    // hash chains in noisy (photo) rows: on a screen with a photo wallpaper about 1.7 times
    // faster for under 1% larger files. Rows too long for matches with the row above to stay in
    // a 16 KiB window (wider than about 5350 pixels) get the full 32 KiB. Z_FILTERED gave 7%
    // smaller files but took 30% more time; memLevel 9 brought nothing.
    const std::size_t filteredRowBytes = header.rowBytes + 1;
    DeflateSettings settings;
    settings.level = 7;
    settings.windowBits = filteredRowBytes + 258 <= (1u << 14) ? 14 : 15;
    settings.memLevel = 8;
    settings.strategy = Z_DEFAULT_STRATEGY;
    settings.threads = options.threads;
    const RowSource source = [&](std::size_t firstRow, std::size_t count, std::uint8_t* out) {
        for (std::size_t i = 0; i < count; ++i, out += filteredRowBytes) {
            const int y = int(firstRow + i);
            if (bitmap.indexed()) {
                subFilterIndexedRow(bitmap, y, header.rowBytes, out);
            } else {
                subFilterRgbRow(bitmap, y, out);
            }
        }
    };
    const std::vector<ByteBuffer> zlibParts =
        deflateRowsParallel(std::size_t(bitmap.height()), filteredRowBytes, source, settings);

    PngJob job;
    job.sink = &sink;
    job.header = &header;
    job.zlibParts = &zlibParts;
    PngWriteStruct writer(job);
    if (!writeAllChunks(writer.png(), writer.info(), job)) {
        if (job.sinkError) {
            std::rethrow_exception(job.sinkError);
        }
        throw Error(std::string("Cannot write the PNG image: ") + job.message);
    }
}

}  // namespace pelko
