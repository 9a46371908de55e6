#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/image/bitmap.h"

namespace pelko {

// What a decoder accepts before it allocates the picture.
struct DecodeLimits {
    // Largest width * height. The default, 2^25 pixels (128 MB at 4 bytes per pixel), holds a
    // whole 8K screen (7680 x 4320, as much as four 4K screens side by side), far more than a
    // watermark stamp needs, while a hostile file can ask for little of the memory.
    std::size_t maxPixels = std::size_t(1) << 25;
};

// Decoders: each takes a whole file's bytes and gives the picture it holds, or throws
// pelko::Error with the format's message (a PictureError, picture_error.h, that also tells what
// is wrong for a message naming the file). Malformed or oversized input, and input that ends
// before the picture does, is refused; nothing is read past the end. The picture is allocated
// only once the file has shown it can hold it: a file shorter than its picture could be at the
// format's highest compression is refused first, with the format's message for data that ends
// early. Where a picture may legitimately be larger than its data (run-length bitmaps, a GIF
// screen larger than its picture), more than 2^20 pixels need data in proportion.
//
// Pictures come out as:
//  - palette Bitmaps (depth 1, 4 or 8 by the file's bits per pixel; grey images get a grey
//    palette) for palette and grey files without transparency;
//  - depth 32 with straight alpha when the file has an alpha channel or a transparent colour;
//  - depth 24 otherwise.

// Windows bitmap files (core, info, V4 and V5 headers; 1, 4, 8, 16, 24 and 32 bits; RLE4,
// RLE8 and bit fields). Any fault: "Bitmap image is not valid". A run-length picture of more
// than 2^20 pixels needs a byte of data per 4096 pixels.
Bitmap decodeBmp(std::span<const std::uint8_t> file, const DecodeLimits& limits = {});
// PNG through libpng, every colour type and bit depth, 16-bit samples cut to their high byte,
// no gamma correction. Faults raise libpng's own message; image data too short to inflate to
// the picture (deflate's ratio is at most 1032:1): "Not enough image data".
Bitmap decodePng(std::span<const std::uint8_t> file, const DecodeLimits& limits = {});
// JPEG through libjpeg-turbo at full size. Faults, a premature end of the file and corrupt
// entropy-coded data: "JPEG error #%d" with the library's message number. Huffman-coded data
// shorter than a bit per block (two for sequential files) is a premature end of the data
// segment (JWRN_HIT_MARKER); the library's own memory is capped by the limits.
Bitmap decodeJpeg(std::span<const std::uint8_t> file, const DecodeLimits& limits = {});
// The first picture of a GIF file through giflib, on its logical screen (parts the picture
// does not cover are transparent). Faults raise giflib's own message. Picture data too short
// for the picture (an LZW code of 12 bits gives at most 4096 pixels): "Image EOF detected before
// image complete"; a screen of more than 2^20 pixels larger than that data could fill: "Failed
// to allocate required memory".
Bitmap decodeGif(std::span<const std::uint8_t> file, const DecodeLimits& limits = {});

// The whole content of a regular file; "Cannot open file "%s". %s" with the path and the
// system's reason when it cannot be read. Anything else (a FIFO, a device, a socket) is refused
// at once, with the reason "Not a regular file" (a folder: "Is a directory"), so that reading
// never waits for data.
std::vector<std::uint8_t> readFileBytes(const std::string& path);

// The format a picture file is read as, from the extension of its name (the text after the
// last dot of the part after the last "/"), letter case counting: "jpeg" and "jpg" JPEG, "png"
// PNG, "gif" GIF, anything else (none included) a Windows bitmap file.
enum class PictureFileKind { Bmp, Jpeg, Png, Gif };
PictureFileKind pictureFileKind(const std::string& path);

// Reads a picture file as its extension says. A file that its decoder refuses raises a message
// that names the file and says what is wrong in words, the decoder's message in parentheses
// where it says more: "stamp.jpg" is not a JPEG file or is damaged (JPEG error #53); "big.png"
// declares 65535 x 65535 pixels, more than Pelko reads; a file whose first bytes show another
// format than its name says which ending its name needs.
Bitmap readPictureFile(const std::string& path, const DecodeLimits& limits = {});

// Reads a picture file as its first bytes say (the signatures of PNG, JPEG, GIF and Windows
// bitmap files), whatever its name; a file without one of them is read as its extension says.
// For files a user opens: a camera's "IMG_0001.JPG" or a PNG saved under ".bmp" open too.
// Refusals name the file, as those of readPictureFile do.
Bitmap openPictureFile(const std::string& path, const DecodeLimits& limits = {});

}  // namespace pelko
