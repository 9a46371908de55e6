#pragma once

#include "core/codec/sink.h"
#include "core/image/bitmap.h"

namespace pelko {

// The four image formats, by their codes.
enum class ImageFormat { Bmp = 1, Jpeg = 2, Png = 3, Gif = 4 };

// GIF image-data coding: 2 is run-length coding, every other value LZW.
constexpr int kGifMethodLzw = 1;
constexpr int kGifMethodRle = 2;

struct EncodeOptions {
    int jpegQuality = 0;  // the in-memory JPEG quality value; clamped to 1..100 by the JPEG writer
    int gifMethod = 0;    // kGifMethodRle for run-length coding, anything else LZW
    int threads = 0;      // worker threads for data-parallel encoding; 0 = one per core
};

void encodeBmp(ByteSink& sink, const Bitmap& bitmap);
void encodeJpeg(ByteSink& sink, const Bitmap& bitmap, const EncodeOptions& options);
void encodePng(ByteSink& sink, const Bitmap& bitmap, const EncodeOptions& options);
void encodeGif(ByteSink& sink, const Bitmap& bitmap, const EncodeOptions& options);

// Encodes in the given format; leaves the Bitmap unchanged.
void encodeImage(ByteSink& sink, const Bitmap& bitmap, ImageFormat format,
                 const EncodeOptions& options);

}  // namespace pelko
