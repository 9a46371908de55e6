// PNG through libpng's sequential reader. libpng reports errors by longjmp: the two functions
// that call into it hold nothing with a destructor, and everything that needs cleaning up
// lives in the caller, which turns the recorded message into a pelko::Error.
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>

#include "core/codec/decode.h"
#include "core/codec/picture_error.h"

namespace pelko {

namespace {

struct PngInput {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::size_t position = 0;
    std::size_t nextChunk = 8;  // where the next chunk starts, after the signature
    char message[256] = {};
};

std::uint32_t bigEndian32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

void readInput(png_structp png, png_bytep out, std::size_t length) {
    auto* in = static_cast<PngInput*>(png_get_io_ptr(png));
    if (length > in->size - in->position) {
        png_error(png, "Read Error");
    }
    // libpng reads the chunks in order, each one's length and type first. An ancillary chunk
    // that runs past the end of the file fails as soon as its header is read: libpng would
    // fail the same way when it reads the data, but only after allocating a buffer of the
    // declared length (up to 2 GB) for a text or profile chunk; critical chunks it reads in
    // pieces or checks for their fixed size. Headers libpng refuses itself (a length past
    // 2^31 - 1, a type that is no name) are left to it, for its own message.
    if (in->position == in->nextChunk && length >= 8) {
        const std::uint8_t* header = in->data + in->position;
        const std::uint64_t chunk = 12 + std::uint64_t(bigEndian32(header));
        const bool named = std::all_of(header + 4, header + 8, [](std::uint8_t c) {
            return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        });
        const bool ancillary = (header[4] & 0x20) != 0;
        if (chunk - 12 <= PNG_UINT_31_MAX && named && ancillary &&
            chunk > in->size - in->position) {
            png_error(png, "Read Error");
        }
        in->nextChunk += chunk;
    }
    if (length == 0) {
        return;
    }
    std::memcpy(out, in->data + in->position, length);
    in->position += length;
}

void onError(png_structp png, png_const_charp message) {
    auto* in = static_cast<PngInput*>(png_get_error_ptr(png));
    std::snprintf(in->message, sizeof in->message, "%s", message ? message : "PNG error");
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

// The read structures, destroyed on every way out.
class PngReadStruct {
  public:
    explicit PngReadStruct(PngInput& input) {
        m_png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &input, onError, onWarning);
        if (!m_png) {
            throw Error("Out of memory");
        }
        m_info = png_create_info_struct(m_png);
        if (!m_info) {
            png_destroy_read_struct(&m_png, nullptr, nullptr);
            throw Error("Out of memory");
        }
        png_set_read_fn(m_png, &input, readInput);
    }
    ~PngReadStruct() { png_destroy_read_struct(&m_png, &m_info, nullptr); }
    PngReadStruct(const PngReadStruct&) = delete;
    PngReadStruct& operator=(const PngReadStruct&) = delete;

    png_structp png() const { return m_png; }
    png_infop info() const { return m_info; }

  private:
    png_structp m_png = nullptr;
    png_infop m_info = nullptr;
};

// What the header says and how the rows come out.
struct PngLayout {
    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colorType = 0;
    int channels = 0;  // samples per pixel in the file
    bool interlaced = false;
    int depth = 24;            // the Bitmap's depth
    std::size_t rowBytes = 0;  // per decoded row, after the conversions
};

// Reads the chunks up to the image data. Returns false after a libpng error.
bool readPngInfo(png_structp png, png_infop info, PngLayout* layout) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_read_info(png, info);
    int interlace = 0;
    png_get_IHDR(png, info, &layout->width, &layout->height, &layout->bitDepth, &layout->colorType,
                 &interlace, nullptr, nullptr);
    layout->channels = png_get_channels(png, info);
    layout->interlaced = interlace != PNG_INTERLACE_NONE;
    return true;
}

// Deflate codes at most 258 bytes in two bits, so no stream inflates to more than 1032 times
// its size.
constexpr std::uint64_t kDeflateMostRatio = 1032;

// The image data: the IDAT chunks. Walks the chunks without checking them: libpng does that
// as it reads.
struct ImageData {
    std::uint64_t bytes = 0;  // in the IDAT chunks, as far as the file holds them
    bool ends = false;        // whether the file holds every chunk up to IEND
};

ImageData imageData(std::span<const std::uint8_t> file) {
    ImageData data;
    for (std::uint64_t at = 8; at + 8 <= file.size();) {  // after the signature
        const std::uint64_t length = bigEndian32(file.data() + at);
        const std::uint8_t* type = file.data() + at + 4;
        if (std::memcmp(type, "IDAT", 4) == 0) {
            data.bytes += std::min<std::uint64_t>(length, file.size() - at - 8);
        }
        at += 12 + length;  // length, type, data, CRC
        if (std::memcmp(type, "IEND", 4) == 0) {
            data.ends = at <= file.size();
            break;
        }
    }
    return data;
}

// What the image data inflates to: every row of every interlace pass, after its filter byte.
std::uint64_t filteredSize(const PngLayout& layout) {
    const std::uint64_t bitsPerPixel = std::uint64_t(layout.bitDepth) * layout.channels;
    auto size = [&](std::uint64_t columns, std::uint64_t rows) {
        return columns == 0 ? 0 : rows * (1 + (columns * bitsPerPixel + 7) / 8);
    };
    if (!layout.interlaced) {
        return size(layout.width, layout.height);
    }
    std::uint64_t total = 0;
    for (int pass = 0; pass < 7; ++pass) {
        total += size(PNG_PASS_COLS(layout.width, pass), PNG_PASS_ROWS(layout.height, pass));
    }
    return total;
}

// Sets the conversions: alpha or a transparent colour gives B, G, R, A bytes; palette and grey
// images one byte per pixel (an index, or the grey level as an index into a grey palette);
// colour images B, G, R, 0. 16-bit samples keep their high byte. Returns false after a libpng
// error.
bool setPngConversions(png_structp png, png_infop info, PngLayout* layout) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    const bool alpha = (layout->colorType & PNG_COLOR_MASK_ALPHA) != 0 ||
                       png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    png_set_strip_16(png);
    if (alpha) {
        png_set_expand(png);
        png_set_gray_to_rgb(png);
        png_set_bgr(png);
        layout->depth = 32;
    } else if (layout->colorType == PNG_COLOR_TYPE_PALETTE ||
               layout->colorType == PNG_COLOR_TYPE_GRAY) {
        png_set_packing(png);
        layout->depth = layout->bitDepth == 1 ? 1 : layout->bitDepth <= 4 ? 4 : 8;
    } else {
        png_set_bgr(png);
        png_set_filler(png, 0, PNG_FILLER_AFTER);
        layout->depth = 24;
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    layout->rowBytes = png_get_rowbytes(png, info);
    return true;
}

// Reads every row, and the chunks after the image data up to IEND. Returns false after a
// libpng error.
bool readPngRows(png_structp png, png_infop info, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_read_image(png, rows);
    png_read_end(png, info);
    return true;
}

std::vector<Rgb> pngPalette(png_structp png, png_infop info, const PngLayout& layout) {
    std::vector<Rgb> palette;
    if (layout.colorType == PNG_COLOR_TYPE_PALETTE) {
        png_colorp entries = nullptr;
        int count = 0;
        if (png_get_PLTE(png, info, &entries, &count) && entries) {
            for (int i = 0; i < count; ++i) {
                palette.push_back({entries[i].red, entries[i].green, entries[i].blue});
            }
        }
        return palette;
    }
    // Grey levels 0 to 2^bits - 1 spread over 0 to 255 (16-bit levels are cut to 8 bits).
    const int levels = layout.bitDepth >= 8 ? 256 : 1 << layout.bitDepth;
    for (int i = 0; i < levels; ++i) {
        const auto v = std::uint8_t(i * 255 / (levels - 1));
        palette.push_back({v, v, v});
    }
    return palette;
}

}  // namespace

Bitmap decodePng(std::span<const std::uint8_t> file, const DecodeLimits& limits) {
    PngInput input;
    input.data = file.data();
    input.size = file.size();
    PngReadStruct reader(input);
    png_set_user_limits(reader.png(), 0x7FFFFFFF, 0x7FFFFFFF);

    PngLayout layout;
    if (!readPngInfo(reader.png(), reader.info(), &layout)) {
        throw PictureError(input.message);
    }
    // Checked before libpng allocates its row buffers. The size check also keeps the sums of
    // filteredSize far from overflowing.
    refuseOversizedPicture(layout.width, layout.height, kAnyBitmapSize);
    // The image data must be able to inflate to the whole picture before the picture is
    // allocated; refused with libpng's message for where the data ends (before the other
    // chunks, or with the file).
    const ImageData data = imageData(file);
    if (filteredSize(layout) / kDeflateMostRatio > data.bytes) {
        throw PictureError(data.ends ? "Not enough image data" : "Read Error",
                           PictureFault::TooLittleData, layout.width, layout.height);
    }
    refuseOversizedPicture(layout.width, layout.height, limits);
    if (!setPngConversions(reader.png(), reader.info(), &layout)) {
        throw PictureError(input.message);
    }
    Bitmap bitmap(int(layout.width), int(layout.height), layout.depth);
    if (layout.rowBytes != bitmap.stride()) {
        throw Error("PNG row size does not match the image");
    }
    if (bitmap.indexed()) {
        bitmap.setPalette(pngPalette(reader.png(), reader.info(), layout));
    }
    std::vector<png_bytep> rows(layout.height);
    for (png_uint_32 y = 0; y < layout.height; ++y) {
        rows[y] = bitmap.row(int(y));
    }
    if (!readPngRows(reader.png(), reader.info(), rows.data())) {
        throw PictureError(input.message);
    }
    return bitmap;
}

}  // namespace pelko
