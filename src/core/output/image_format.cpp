#include "core/output/image_format.h"

namespace pelko {

std::optional<ImageFormat> ResolveOutputFormat(std::string_view saveas, int formatOverride) {
    if (formatOverride != 0) {
        if (formatOverride < 1 || formatOverride > 4) {
            return std::nullopt;
        }
        return ImageFormat(formatOverride);
    }
    if (saveas == "jpg") {
        return ImageFormat::Jpeg;
    }
    if (saveas == "png") {
        return ImageFormat::Png;
    }
    if (saveas == "gif") {
        return ImageFormat::Gif;
    }
    return ImageFormat::Bmp;
}

std::string_view extensionOf(ImageFormat format) {
    switch (format) {
        case ImageFormat::Jpeg:
            return ".jpg";
        case ImageFormat::Png:
            return ".png";
        case ImageFormat::Gif:
            return ".gif";
        case ImageFormat::Bmp:
            break;
    }
    return ".bmp";
}

}  // namespace pelko
