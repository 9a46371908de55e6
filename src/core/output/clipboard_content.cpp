#include "core/output/clipboard_content.h"

#include "core/codec/decode.h"
#include "core/codec/encode.h"
#include "core/output/image_format.h"
#include "core/settings/ini_file.h"
#include "core/settings/key_access.h"

namespace pelko {

namespace {

struct ClipboardFormat {
    ImageFormat format;
    EncodeOptions options;
};

std::optional<ClipboardFormat> clipboardFormat(int formatOverride, const ProgramPaths& paths) {
    const IniFile f(paths.settingsFile());
    const std::optional<ImageFormat> format =
        ResolveOutputFormat(read(f, keys::saveas), formatOverride);
    if (!format) {
        return std::nullopt;
    }
    ClipboardFormat result{*format, {}};
    result.options.gifMethod = read(f, keys::gifcomp);
    return result;
}

}  // namespace

std::optional<ClipboardContent> clipboardContent(const Bitmap& bitmap, int formatOverride,
                                                 const ProgramPaths& paths) {
    const std::optional<ClipboardFormat> how = clipboardFormat(formatOverride, paths);
    if (!how) {
        return std::nullopt;
    }
    ClipboardContent content;
    VectorSink file;
    switch (how->format) {
        case ImageFormat::Bmp:
        case ImageFormat::Jpeg:
            content.image = bitmap;
            break;
        case ImageFormat::Png:
            encodePng(file, bitmap, how->options);
            content.image = decodePng(file.bytes);
            break;
        case ImageFormat::Gif:
            encodeGif(file, bitmap, how->options);
            content.image = decodeGif(file.bytes);
            content.gifFile = std::move(file.bytes);
            break;
    }
    return content;
}

std::optional<ClipboardFiles> writeClipboardFiles(const Bitmap& bitmap, int formatOverride,
                                                  const ScratchContext& ctx) {
    const std::optional<ClipboardFormat> how = clipboardFormat(formatOverride, ctx.paths);
    if (!how) {
        return std::nullopt;
    }
    // A PNG file holds the pixels of a true-colour or palette capture exactly, so it carries
    // the unchanged capture of BMP and JPEG as well as the converted picture of PNG.
    if (how->format == ImageFormat::Gif) {
        std::string gif = SaveCaptureToScratch(bitmap, int(ImageFormat::Gif), ctx);
        return ClipboardFiles{gif, gif};
    }
    return ClipboardFiles{SaveCaptureToScratch(bitmap, int(ImageFormat::Png), ctx), {}};
}

}  // namespace pelko
