// GIF files through giflib: the screen descriptor with a global colour table, one image
// descriptor, the image data (our LZW or run coder), the trailer.

#include <gif_lib.h>

#include <algorithm>
#include <bit>
#include <exception>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/codec/color_reduction.h"
#include "core/codec/color_table.h"
#include "core/codec/encode.h"
#include "core/codec/gif_lzw.h"
#include "core/codec/gif_rle.h"
#include "core/error.h"

namespace pelko {
namespace {

constexpr int kMaxGifSide = 65535;
constexpr std::size_t kMaxSubBlock = 255;

// The colour table and the image data: the packed codes of the colour-table indices.
struct GifImage {
    std::vector<Rgb> colorTable;  // a power of two entries, 2 to 256
    int minCodeSize = 8;
    ByteBuffer codes;
};

// Device-dependent and deeper-than-8-bit Bitmaps are colour-reduced; other indexed Bitmaps
// keep their palette, padded to a power of two.
GifImage gifImage(const Bitmap& bitmap, const EncodeOptions& options) {
    GifImage image;
    if (bitmap.deviceDependent() || !bitmap.indexed()) {
        constexpr int kReducedCodeSize = 8;  // the reduced colour table has 256 entries
        ReducedImage reduced;
        if (options.gifMethod == kGifMethodRle) {
            reduced = reduceColors(bitmap, options.threads);
            image.codes =
                encodeGifRle(reduced.indices.data(), reduced.indices.size(), kReducedCodeSize);
        } else {
            // The rows are LZW-coded on this thread while the later ones are still mapped to
            // the colour table on the others.
            GifLzwCoder coder(kReducedCodeSize,
                              std::size_t(bitmap.width()) * std::size_t(bitmap.height()));
            reduced = reduceColors(
                bitmap, options.threads, [&](const std::uint8_t* rows, int, int count) {
                    coder.add(rows, std::size_t(count) * std::size_t(bitmap.width()));
                });
            image.codes = coder.finish();
        }
        image.colorTable = std::move(reduced.colorTable);
        if (image.colorTable.size() != std::size_t(1) << kReducedCodeSize) {
            throw Error("Invalid colour table");
        }
        image.minCodeSize = kReducedCodeSize;
        return image;
    }
    image.colorTable = indexedColorTable(bitmap);
    image.colorTable.resize(std::max<std::size_t>(2, std::bit_ceil(image.colorTable.size())));
    const std::uint8_t mask = indexMask(bitmap.depth());
    ByteBuffer indices(checkedImageSize(bitmap.width(), bitmap.height(), 1));
    std::transform(bitmap.data(), bitmap.data() + indices.size(), indices.begin(),
                   [mask](std::uint8_t i) { return std::uint8_t(i & mask); });
    image.minCodeSize = std::max(2, std::countr_zero(image.colorTable.size()));
    image.codes = options.gifMethod == kGifMethodRle
                      ? encodeGifRle(indices.data(), indices.size(), image.minCodeSize)
                      : encodeGifLzw(indices.data(), indices.size(), image.minCodeSize);
    return image;
}

// --- giflib plumbing -------------------------------------------------------------------------
//
// giflib reports errors by return values. A C++ exception from the sink is caught in the output
// function, which then reports a short write; the exception is rethrown once giflib returned.

struct GifJob {
    ByteSink* sink = nullptr;
    std::exception_ptr sinkError;
    bool discard = false;  // after a failure: closing the file writes nothing more
};

int gifOutput(GifFileType* gif, const GifByteType* data, int size) {
    auto* job = static_cast<GifJob*>(gif->UserData);
    if (job->discard || job->sinkError) {
        return 0;
    }
    try {
        job->sink->write(data, std::size_t(size));
        return size;
    } catch (...) {
        job->sinkError = std::current_exception();
        return 0;
    }
}

struct ColorMapDeleter {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};
using ColorMapPtr = std::unique_ptr<ColorMapObject, ColorMapDeleter>;

class GifOutputFile {
  public:
    explicit GifOutputFile(GifJob& job) : m_job(job) {
        int error = 0;
        m_gif = EGifOpen(&job, gifOutput, &error);
        if (!m_gif) {
            throw Error("Out of memory");
        }
    }
    ~GifOutputFile() {
        if (m_gif) {
            m_job.discard = true;
            EGifCloseFile(m_gif, nullptr);
        }
    }
    GifOutputFile(const GifOutputFile&) = delete;
    GifOutputFile& operator=(const GifOutputFile&) = delete;

    GifFileType* get() const { return m_gif; }

    // Throws for a giflib call that failed.
    void check(int result) const {
        if (result == GIF_ERROR) {
            fail(m_gif->Error);
        }
    }

    // Writes the trailer and releases the handle. giflib does not check that write, so a
    // failure of the sink there is looked for here.
    void close() {
        GifFileType* gif = std::exchange(m_gif, nullptr);
        int error = 0;
        if (EGifCloseFile(gif, &error) == GIF_ERROR || m_job.sinkError) {
            fail(error);
        }
    }

  private:
    [[noreturn]] void fail(int error) const {
        if (m_job.sinkError) {
            std::rethrow_exception(m_job.sinkError);
        }
        const char* text = GifErrorString(error);
        throw Error(std::string("Cannot write the GIF image: ") + (text ? text : "unknown error"));
    }

    GifJob& m_job;
    GifFileType* m_gif = nullptr;
};

void writeScreenDescriptor(GifOutputFile& file, const Bitmap& bitmap, const GifImage& image) {
    std::vector<GifColorType> colors;
    colors.reserve(image.colorTable.size());
    for (Rgb c : image.colorTable) {
        colors.push_back({c.r, c.g, c.b});
    }
    ColorMapPtr map(GifMakeMapObject(int(colors.size()), colors.data()));
    if (!map) {
        throw Error("Out of memory");
    }
    file.check(EGifPutScreenDesc(file.get(), bitmap.width(), bitmap.height(), 8, 0, map.get()));
}

void writeImageDescriptor(GifOutputFile& file, const Bitmap& bitmap) {
    // No local colour table: the image uses the global one. This also writes the LZW minimum
    // code size that starts the image data.
    file.check(EGifPutImageDesc(file.get(), 0, 0, bitmap.width(), bitmap.height(), false, nullptr));
}

// The code-size byte went out with the image descriptor; the packed codes follow in
// sub-blocks, then the empty block that ends the data.
void writeImageData(GifOutputFile& file, const ByteBuffer& codes, int minCodeSize) {
    GifByteType block[kMaxSubBlock + 1];
    for (std::size_t offset = 0; offset < codes.size(); offset += kMaxSubBlock) {
        const std::size_t n = std::min(kMaxSubBlock, codes.size() - offset);
        block[0] = GifByteType(n);
        std::copy_n(codes.begin() + std::ptrdiff_t(offset), n, block + 1);
        file.check(offset == 0 ? EGifPutCode(file.get(), minCodeSize, block)
                               : EGifPutCodeNext(file.get(), block));
    }
    file.check(EGifPutCodeNext(file.get(), nullptr));
}

}  // namespace

void encodeGif(ByteSink& sink, const Bitmap& bitmap, const EncodeOptions& options) {
    if (bitmap.empty()) {
        throw Error("Cannot write an empty image");
    }
    if (bitmap.width() > kMaxGifSide || bitmap.height() > kMaxGifSide) {
        throw Error("The image is too large for a GIF file");
    }
    const GifImage image = gifImage(bitmap, options);

    GifJob job;
    job.sink = &sink;
    GifOutputFile file(job);
    writeScreenDescriptor(file, bitmap, image);
    writeImageDescriptor(file, bitmap);
    writeImageData(file, image.codes, image.minCodeSize);
    file.close();
}

}  // namespace pelko
