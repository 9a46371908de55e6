#include "core/codec/encode.h"
#include "core/error.h"

namespace pelko {

void encodeImage(ByteSink& sink, const Bitmap& bitmap, ImageFormat format,
                 const EncodeOptions& options) {
    switch (format) {
        case ImageFormat::Bmp:
            encodeBmp(sink, bitmap);
            return;
        case ImageFormat::Jpeg:
            encodeJpeg(sink, bitmap, options);
            return;
        case ImageFormat::Png:
            encodePng(sink, bitmap, options);
            return;
        case ImageFormat::Gif:
            encodeGif(sink, bitmap, options);
            return;
    }
    throw Error("Unknown image format");
}

}  // namespace pelko
