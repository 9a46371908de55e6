// JPEG through libjpeg-turbo. The library reports errors through error_exit, which must not
// return: ours records the message number and longjmps back into the one function of each
// phase that called the library. Those functions hold nothing with a destructor; the
// decompressor itself is an RAII object of the caller.
#include <csetjmp>
#include <cstdio>
// jpeglib.h needs size_t and FILE declared first.
#include <jerror.h>
#include <jpeglib.h>

#include <algorithm>
#include <string>

#include "core/codec/decode.h"
#include "core/codec/picture_error.h"

namespace pelko {

namespace {

// Progressive files can hold any number of scans, each one a pass over the whole picture; a
// few hundred is far more than any encoder writes.
constexpr int kMaxScans = 500;

struct JpegErrors {
    jpeg_error_mgr manager;  // first, so that the library's pointer to it is ours too
    std::jmp_buf jump;
    int code = 0;
};

[[noreturn]] void fail(j_common_ptr info, int code) {
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    errors->code = code;
    std::longjmp(errors->jump, 1);
}

void onErrorExit(j_common_ptr info) {
    fail(info, info->err->msg_code);
}

// Warnings that mean the picture is incomplete or damaged end the decoding; the others (such
// as stray bytes between markers) are recoverable and ignored, as is every trace message.
void onMessage(j_common_ptr info, int level) {
    if (level < 0) {
        const int code = info->err->msg_code;
        if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER || code == JWRN_HUFF_BAD_CODE) {
            fail(info, code);
        }
    }
}

void onOutputMessage(j_common_ptr) {}

std::string jpegMessage(int code) {
    return "JPEG error #" + std::to_string(code);
}

// Huffman coding spends at least one bit on every block of every component: a sequential scan
// codes its DC difference and its end of block (two bits), a progressive file codes each DC
// in its first scan. A file whose entropy-coded data is shorter than that for its blocks
// ends before its picture does.
bool tooShortForItsBlocks(const jpeg_decompress_struct& info) {
    if (info.arith_code) {
        // An arithmetic coder can spend far less than a bit on a block (a blank 8K picture
        // takes about 200 bytes): such files are bounded by the limits alone.
        return false;
    }
    std::uint64_t blocks = 0;
    for (int i = 0; i < info.num_components; ++i) {
        blocks +=
            std::uint64_t(info.comp_info[i].width_in_blocks) * info.comp_info[i].height_in_blocks;
    }
    const std::uint64_t bitsPerBlock = info.progressive_mode ? 1 : 2;
    return blocks * bitsPerBlock > std::uint64_t(info.src->bytes_in_buffer) * 8;
}

void onProgress(j_common_ptr info) {
    auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number > kMaxScans) {
        fail(info, JERR_BAD_PROGRESSION);
    }
}

struct Decompressor {
    jpeg_decompress_struct info;
    JpegErrors errors;
    jpeg_progress_mgr progress;
    bool created = false;
};

// Creates the decompressor over the file's bytes. Returns false after a library error.
bool createDecompressor(Decompressor* d, const std::uint8_t* data, std::size_t size) {
    if (setjmp(d->errors.jump)) {
        return false;
    }
    jpeg_create_decompress(&d->info);
    d->created = true;
    jpeg_mem_src(&d->info, data, static_cast<unsigned long>(size));
    d->progress.progress_monitor = onProgress;
    d->info.progress = &d->progress;
    return true;
}

// Reads the markers up to the first scan and chooses the output: B, G, R, X for colour and
// grey pictures, C, M, Y, K for the four-colour ones. Returns false after a library error.
bool readJpegHeader(Decompressor* d, long memoryLimit) {
    if (setjmp(d->errors.jump)) {
        return false;
    }
    jpeg_read_header(&d->info, TRUE);
    if (d->info.jpeg_color_space == JCS_CMYK || d->info.jpeg_color_space == JCS_YCCK) {
        d->info.out_color_space = JCS_CMYK;
    } else {
        d->info.out_color_space = JCS_EXT_BGRX;
    }
    d->info.mem->max_memory_to_use = memoryLimit;
    jpeg_calc_output_dimensions(&d->info);
    return true;
}

// Decodes every row into rows. Returns false after a library error.
bool readJpegRows(Decompressor* d, JSAMPROW* rows, JDIMENSION height) {
    if (setjmp(d->errors.jump)) {
        return false;
    }
    jpeg_start_decompress(&d->info);
    while (d->info.output_scanline < height) {
        jpeg_read_scanlines(&d->info, rows + d->info.output_scanline,
                            height - d->info.output_scanline);
    }
    jpeg_finish_decompress(&d->info);
    return true;
}

class JpegDecoder {
  public:
    JpegDecoder() {
        m_d.info.err = jpeg_std_error(&m_d.errors.manager);
        m_d.errors.manager.error_exit = onErrorExit;
        m_d.errors.manager.emit_message = onMessage;
        m_d.errors.manager.output_message = onOutputMessage;
    }
    ~JpegDecoder() {
        if (m_d.created) {
            jpeg_destroy_decompress(&m_d.info);
        }
    }
    JpegDecoder(const JpegDecoder&) = delete;
    JpegDecoder& operator=(const JpegDecoder&) = delete;

    Decompressor* get() { return &m_d; }
    [[noreturn]] void raise() const { throw PictureError(jpegMessage(m_d.errors.code)); }

  private:
    Decompressor m_d{};
};

// Four-colour pixels to B, G, R, 0. Adobe's files store the inks inverted.
void cmykToBgr(Bitmap& bitmap, bool inverted) {
    for (int y = 0; y < bitmap.height(); ++y) {
        std::uint8_t* p = bitmap.row(y);
        for (int x = 0; x < bitmap.width(); ++x, p += 4) {
            int c = p[0], m = p[1], ye = p[2], k = p[3];
            if (!inverted) {
                c = 255 - c;
                m = 255 - m;
                ye = 255 - ye;
                k = 255 - k;
            }
            p[0] = std::uint8_t((ye * k + 127) / 255);
            p[1] = std::uint8_t((m * k + 127) / 255);
            p[2] = std::uint8_t((c * k + 127) / 255);
            p[3] = 0;
        }
    }
}

}  // namespace

Bitmap decodeJpeg(std::span<const std::uint8_t> file, const DecodeLimits& limits) {
    JpegDecoder decoder;
    Decompressor* d = decoder.get();
    if (!createDecompressor(d, file.data(), file.size())) {
        decoder.raise();
    }
    // The library's working memory: the whole-picture coefficient buffers of progressive
    // files take 128 bytes per block of 64 pixels of each component, 8 bytes per pixel for
    // four full-size components of the largest picture accepted; and 16 MB for the rest.
    const long memoryLimit =
        long(std::min<std::size_t>(limits.maxPixels, std::size_t(1) << 29) * 8) + (16L << 20);
    if (!readJpegHeader(d, memoryLimit)) {
        decoder.raise();
    }
    if (d->info.output_components != 4) {
        throw PictureError(jpegMessage(JERR_CONVERSION_NOTIMPL), PictureFault::Unsupported);
    }
    // Before the library allocates anything for the picture (jpeg_start_decompress); with
    // the library's message for where the data would end: at a marker, or with the file.
    if (tooShortForItsBlocks(d->info)) {
        const bool endMarker =
            file.size() >= 2 && file[file.size() - 2] == 0xFF && file[file.size() - 1] == JPEG_EOI;
        throw PictureError(jpegMessage(endMarker ? JWRN_HIT_MARKER : JWRN_JPEG_EOF),
                           PictureFault::TooLittleData, d->info.image_width, d->info.image_height);
    }
    const JDIMENSION width = d->info.output_width, height = d->info.output_height;
    refuseOversizedPicture(width, height, limits);
    Bitmap bitmap(int(width), int(height), 24);
    std::vector<JSAMPROW> rows(height);
    for (JDIMENSION y = 0; y < height; ++y) {
        rows[y] = bitmap.row(int(y));
    }
    if (!readJpegRows(d, rows.data(), height)) {
        decoder.raise();
    }
    if (d->info.out_color_space == JCS_CMYK) {
        cmykToBgr(bitmap, d->info.saw_Adobe_marker);
    } else {
        // The library writes 0xFF into the X bytes; depth 24 keeps them 0.
        for (int y = 0; y < bitmap.height(); ++y) {
            std::uint8_t* p = bitmap.row(y);
            for (int x = 0; x < bitmap.width(); ++x) {
                p[4 * std::size_t(x) + 3] = 0;
            }
        }
    }
    return bitmap;
}

}  // namespace pelko
