// GIF through giflib's record-level reader: the extensions before the first picture (for its
// transparent colour), its descriptor and its rows. Later pictures are not read.
#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "core/codec/decode.h"
#include "core/codec/picture_error.h"

namespace pelko {

namespace {

struct GifInput {
    std::span<const std::uint8_t> data;
    std::size_t position = 0;
};

int readInput(GifFileType* gif, GifByteType* out, int length) {
    auto* in = static_cast<GifInput*>(gif->UserData);
    if (length <= 0) {
        return 0;
    }
    const std::size_t n = std::min(std::size_t(length), in->data.size() - in->position);
    if (n == 0) {
        return 0;
    }
    std::memcpy(out, in->data.data() + in->position, n);
    in->position += n;
    return int(n);
}

std::string messageOf(int code) {
    const char* message = GifErrorString(code);
    return message ? message : "GIF error";
}

[[noreturn]] void raise(int code) {
    throw PictureError(messageOf(code));
}

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int ignored = 0;
        DGifCloseFile(gif, &ignored);
    }
};
using GifFile = std::unique_ptr<GifFileType, GifCloser>;

void check(GifFileType* gif, int result) {
    if (result == GIF_ERROR) {
        raise(gif->Error);
    }
}

// The transparent colour index of a graphic control extension, or -1.
int transparentIndex(const GifByteType* block) {
    if (block && block[0] >= 4 && (block[1] & 0x01)) {
        return block[4];
    }
    return -1;
}

// Reads the extensions up to the first picture's descriptor; gives the transparent index that
// applies to it.
int readToFirstImage(GifFileType* gif) {
    int transparent = -1;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        check(gif, DGifGetRecordType(gif, &type));
        if (type == IMAGE_DESC_RECORD_TYPE) {
            check(gif, DGifGetImageDesc(gif));
            return transparent;
        }
        if (type == TERMINATE_RECORD_TYPE) {
            raise(D_GIF_ERR_NO_IMAG_DSCR);
        }
        if (type != EXTENSION_RECORD_TYPE) {
            raise(D_GIF_ERR_WRONG_RECORD);
        }
        int code = 0;
        GifByteType* block = nullptr;
        check(gif, DGifGetExtension(gif, &code, &block));
        if (code == GRAPHICS_EXT_FUNC_CODE) {
            transparent = transparentIndex(block);
        }
        while (block) {
            check(gif, DGifGetExtensionNext(gif, &block));
        }
    }
}

// LZW codes are at most 12 bits long and each one stands for at most 4096 pixels (one per
// entry of the code table), so a byte of picture data gives at most 4096 * 8 / 12 pixels.
constexpr std::uint64_t kLzwMostPixelsPerByte = 4096 * 8 / 12 + 1;

// The picture's LZW data: the sub-blocks from where giflib stands after the descriptor.
struct PictureData {
    std::uint64_t bytes = 0;  // in the sub-blocks, as far as the file holds them
    bool ends = false;        // whether a zero-length block ends them within the file
};

PictureData pictureData(std::span<const std::uint8_t> file, std::size_t at) {
    PictureData data;
    while (at < file.size()) {
        const std::size_t length = file[at];
        if (length == 0) {
            data.ends = true;
            break;
        }
        data.bytes += std::min(length, file.size() - at - 1);
        at += 1 + length;
    }
    return data;
}

// The logical screen may be larger than the first picture (animations often start with a part
// of it) but, beyond this many pixels, no larger than the file's data could fill.
constexpr std::uint64_t kFreeScreenPixels = std::uint64_t(1) << 20;

// The rows of an interlaced picture come in four passes.
std::vector<int> rowOrder(int height, bool interlaced) {
    std::vector<int> order;
    order.reserve(std::size_t(height));
    if (!interlaced) {
        for (int y = 0; y < height; ++y) {
            order.push_back(y);
        }
        return order;
    }
    constexpr int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        for (int y = start[pass]; y < height; y += step[pass]) {
            order.push_back(y);
        }
    }
    return order;
}

}  // namespace

Bitmap decodeGif(std::span<const std::uint8_t> file, const DecodeLimits& limits) {
    GifInput input{file};
    int error = 0;
    GifFile gif(DGifOpen(&input, readInput, &error));
    if (!gif) {
        raise(error);
    }
    const int transparent = readToFirstImage(gif.get());
    const GifImageDesc& image = gif->Image;
    const ColorMapObject* colors = image.ColorMap ? image.ColorMap : gif->SColorMap;
    if (!colors || !colors->Colors || colors->ColorCount <= 0) {
        raise(D_GIF_ERR_NO_COLOR_MAP);
    }
    if (image.Width <= 0 || image.Height <= 0 || image.Left < 0 || image.Top < 0) {
        raise(D_GIF_ERR_IMAGE_DEFECT);
    }
    // The logical screen, widened where the picture reaches past it.
    const long long width = std::max<long long>(gif->SWidth, (long long)image.Left + image.Width);
    const long long height = std::max<long long>(gif->SHeight, (long long)image.Top + image.Height);
    // More than any Bitmap holds is refused at once, as by the other decoders.
    refuseOversizedPicture(width, height, kAnyBitmapSize);
    // Nothing is allocated for the picture before its data is known to be long enough for
    // it; refused with giflib's message for where the data ends (within the file, or with
    // it). Nor for the screen before the rest of the file could fill it.
    const PictureData data = pictureData(file, input.position);
    if (std::uint64_t(image.Width) * std::uint64_t(image.Height) >
        data.bytes * kLzwMostPixelsPerByte) {
        throw PictureError(messageOf(data.ends ? D_GIF_ERR_EOF_TOO_SOON : D_GIF_ERR_READ_FAILED),
                           PictureFault::TooLittleData, image.Width, image.Height);
    }
    const std::uint64_t screen = std::uint64_t(width) * std::uint64_t(height);
    if (screen > kFreeScreenPixels &&
        screen > std::uint64_t(file.size() - input.position) * kLzwMostPixelsPerByte) {
        throw PictureError(messageOf(D_GIF_ERR_NOT_ENOUGH_MEM), PictureFault::TooLittleData, width,
                           height);
    }
    refuseOversizedPicture(width, height, limits);

    std::vector<GifPixelType> indices(std::size_t(image.Width) * std::size_t(image.Height));
    for (int y : rowOrder(image.Height, image.Interlace)) {
        check(gif.get(),
              DGifGetLine(gif.get(), indices.data() + std::size_t(y) * image.Width, image.Width));
    }

    const bool covers =
        image.Left == 0 && image.Top == 0 && image.Width == width && image.Height == height;
    if (covers && transparent < 0) {
        const int count = colors->ColorCount;
        Bitmap bitmap(int(width), int(height), count <= 2 ? 1 : count <= 16 ? 4 : 8);
        std::vector<Rgb> palette;
        for (int i = 0; i < count && i < 256; ++i) {
            palette.push_back(
                {colors->Colors[i].Red, colors->Colors[i].Green, colors->Colors[i].Blue});
        }
        bitmap.setPalette(std::move(palette));
        std::memcpy(bitmap.data(), indices.data(), indices.size());
        return bitmap;
    }
    // A transparent colour or a picture smaller than the screen: straight alpha, the screen
    // transparent black where the picture does not reach.
    Bitmap bitmap(int(width), int(height), 32);
    for (int y = 0; y < image.Height; ++y) {
        const GifPixelType* s = indices.data() + std::size_t(y) * image.Width;
        std::uint8_t* d = bitmap.row(image.Top + y) + 4 * std::size_t(image.Left);
        for (int x = 0; x < image.Width; ++x, d += 4) {
            const int i = s[x];
            const GifColorType c = i < colors->ColorCount ? colors->Colors[i] : GifColorType{};
            d[0] = c.Blue;
            d[1] = c.Green;
            d[2] = c.Red;
            d[3] = i == transparent ? 0 : 255;
        }
    }
    return bitmap;
}

}  // namespace pelko
