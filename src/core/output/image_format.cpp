#include "core/output/image_format.h"

#include <algorithm>
#include <cctype>

namespace pelko {

std::optional<ImageFormat> ResolveOutputFormat(std::string_view saveas, int formatOverride) {
    if (formatOverride != 0) {
        if (formatOverride < 1 || formatOverride > 4) {
            return std::nullopt;
        }
        return ImageFormat(formatOverride);
    }
    // Hand-edited files say "JPG" or "Png" as often as "jpg".
    auto is = [saveas](std::string_view name) {
        return saveas.size() == name.size() &&
               std::equal(saveas.begin(), saveas.end(), name.begin(), [](char a, char b) {
                   return std::tolower(static_cast<unsigned char>(a)) == b;
               });
    };
    if (is("jpg")) {
        return ImageFormat::Jpeg;
    }
    if (is("png")) {
        return ImageFormat::Png;
    }
    if (is("gif")) {
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
