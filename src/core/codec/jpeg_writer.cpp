// JPEG files through libjpeg-turbo: defaults, the quality with baseline tables, colour (YCbCr),
// sequential (not progressive), with the JFIF marker libjpeg writes.

#include <cstdio>  // jpeglib.h needs FILE and size_t first

#include <jerror.h>
#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <exception>
#include <string>
#include <vector>

#include "core/codec/encode.h"
#include "core/error.h"

namespace pelko {
namespace {

constexpr std::size_t kOutputBufferSize = 64 * 1024;

// The JPEG quality used for a quality value: values outside 1..100 are clamped to it.
int jpegQuality(int value) {
    return std::clamp(value, 1, 100);
}

// --- libjpeg plumbing ------------------------------------------------------------------------
//
// libjpeg reports errors through error_exit, which must not return: ours longjmps back to the
// setjmp in compressImage. Everything between the two (libjpeg's frames, the destination
// callbacks and compressImage itself) holds only trivially destructible locals, so the jump
// skips no destructor. A C++ exception from the sink is caught in the destination callback and
// kept in the job, to be rethrown once libjpeg has returned.

struct JpegJob {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errorManager{};
    jpeg_destination_mgr destination{};
    std::jmp_buf jump{};
    char message[JMSG_LENGTH_MAX] = {};

    ByteSink* sink = nullptr;
    std::exception_ptr sinkError;
    std::uint8_t* outputBuffer = nullptr;  // kOutputBufferSize bytes

    const Bitmap* bitmap = nullptr;
    int quality = 75;
    std::uint8_t* rgbRow = nullptr;  // width * 3 bytes, for indexed Bitmaps

    bool deliver(std::size_t size) noexcept {
        try {
            sink->write(outputBuffer, size);
            return true;
        } catch (...) {
            sinkError = std::current_exception();
            return false;
        }
    }
};

JpegJob& jobOf(j_common_ptr cinfo) {
    return *static_cast<JpegJob*>(cinfo->client_data);
}

void jpegErrorExit(j_common_ptr cinfo) {
    JpegJob& job = jobOf(cinfo);
    (*cinfo->err->format_message)(cinfo, job.message);
    std::longjmp(job.jump, 1);
}

void jpegOutputMessage(j_common_ptr) {}

void initDestination(j_compress_ptr cinfo) {
    JpegJob& job = jobOf(reinterpret_cast<j_common_ptr>(cinfo));
    cinfo->dest->next_output_byte = job.outputBuffer;
    cinfo->dest->free_in_buffer = kOutputBufferSize;
}

boolean emptyOutputBuffer(j_compress_ptr cinfo) {
    JpegJob& job = jobOf(reinterpret_cast<j_common_ptr>(cinfo));
    if (!job.deliver(kOutputBufferSize)) {
        ERREXIT(cinfo, JERR_FILE_WRITE);
    }
    cinfo->dest->next_output_byte = job.outputBuffer;
    cinfo->dest->free_in_buffer = kOutputBufferSize;
    return TRUE;
}

void termDestination(j_compress_ptr cinfo) {
    JpegJob& job = jobOf(reinterpret_cast<j_common_ptr>(cinfo));
    const std::size_t size = kOutputBufferSize - cinfo->dest->free_in_buffer;
    if (size > 0 && !job.deliver(size)) {
        ERREXIT(cinfo, JERR_FILE_WRITE);
    }
}

// The image parameters: 24-bit colour from the Bitmap, libjpeg's defaults (YCbCr, 2x2 chroma
// subsampling, JFIF marker, sequential), and the quality with tables limited to baseline.
void setCompressionParameters(j_compress_ptr cinfo, const Bitmap& bitmap, int quality) {
    cinfo->image_width = JDIMENSION(bitmap.width());
    cinfo->image_height = JDIMENSION(bitmap.height());
    if (bitmap.indexed()) {
        cinfo->input_components = 3;
        cinfo->in_color_space = JCS_RGB;
    } else {
        cinfo->input_components = 4;
        cinfo->in_color_space = JCS_EXT_BGRX;  // the Bitmap's own B, G, R, X rows
    }
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, quality, TRUE);
}

void writeScanlines(j_compress_ptr cinfo, const Bitmap& bitmap, std::uint8_t* rgbRow) {
    while (cinfo->next_scanline < cinfo->image_height) {
        const int y = int(cinfo->next_scanline);
        JSAMPROW row;
        if (bitmap.indexed()) {
            for (int x = 0; x < bitmap.width(); ++x) {
                const Rgb c = bitmap.colorAt(x, y);
                rgbRow[3 * x] = c.r;
                rgbRow[3 * x + 1] = c.g;
                rgbRow[3 * x + 2] = c.b;
            }
            row = rgbRow;
        } else {
            row = const_cast<JSAMPROW>(bitmap.row(y));
        }
        jpeg_write_scanlines(cinfo, &row, 1);
    }
}

bool compressImage(JpegJob& job) {
    if (setjmp(job.jump)) {
        return false;
    }
    jpeg_create_compress(&job.cinfo);
    job.destination.init_destination = initDestination;
    job.destination.empty_output_buffer = emptyOutputBuffer;
    job.destination.term_destination = termDestination;
    job.cinfo.dest = &job.destination;
    setCompressionParameters(&job.cinfo, *job.bitmap, job.quality);
    jpeg_start_compress(&job.cinfo, TRUE);
    writeScanlines(&job.cinfo, *job.bitmap, job.rgbRow);
    jpeg_finish_compress(&job.cinfo);
    return true;
}

// Owns the job so that the compressor is destroyed on every way out.
class JpegCompression {
  public:
    JpegCompression() {
        m_job.cinfo.err = jpeg_std_error(&m_job.errorManager);
        m_job.errorManager.error_exit = jpegErrorExit;
        m_job.errorManager.output_message = jpegOutputMessage;
        m_job.cinfo.client_data = &m_job;
    }
    ~JpegCompression() { jpeg_destroy_compress(&m_job.cinfo); }
    JpegCompression(const JpegCompression&) = delete;
    JpegCompression& operator=(const JpegCompression&) = delete;

    JpegJob& job() { return m_job; }

  private:
    JpegJob m_job;
};

}  // namespace

void encodeJpeg(ByteSink& sink, const Bitmap& bitmap, const EncodeOptions& options) {
    if (bitmap.empty()) {
        throw Error("Cannot write an empty image");
    }
    std::vector<std::uint8_t> outputBuffer(kOutputBufferSize);
    std::vector<std::uint8_t> rgbRow(bitmap.indexed() ? checkedImageSize(bitmap.width(), 3, 1) : 0);
    JpegCompression compression;
    JpegJob& job = compression.job();
    job.sink = &sink;
    job.outputBuffer = outputBuffer.data();
    job.bitmap = &bitmap;
    job.quality = jpegQuality(options.jpegQuality);
    job.rgbRow = rgbRow.data();
    if (!compressImage(job)) {
        if (job.sinkError) {
            std::rethrow_exception(job.sinkError);
        }
        throw Error(std::string("Cannot write the JPEG image: ") + job.message);
    }
}

}  // namespace pelko
