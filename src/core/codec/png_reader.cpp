// PNG through libpng's sequential reader. libpng reports errors by longjmp: the two functions
// that call into it hold nothing with a destructor, and everything that needs cleaning up
// lives in the caller, which turns the recorded message into a pelko::Error.
#include <png.h>

#include <csetjmp>
#include <cstring>

#include "core/codec/decode.h"
#include "core/error.h"

namespace pelko {

namespace {

struct PngInput {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::size_t position = 0;
    char message[256] = {};
};

void readInput(png_structp png, png_bytep out, std::size_t length) {
    auto* in = static_cast<PngInput*>(png_get_io_ptr(png));
    if (length > in->size - in->position) {
        png_error(png, "Read Error");
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
    return true;
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
        throw Error(input.message);
    }
    // Checked before libpng allocates its row buffers.
    checkedImageSize(layout.width, layout.height, 4);
    if (std::size_t(layout.width) * layout.height > limits.maxPixels) {
        throw Error("Out of memory");
    }
    if (!setPngConversions(reader.png(), reader.info(), &layout)) {
        throw Error(input.message);
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
        throw Error(input.message);
    }
    return bitmap;
}

}  // namespace pelko
