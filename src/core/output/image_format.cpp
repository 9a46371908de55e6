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

namespace {

bool endsWithNoCase(std::string_view name, std::string_view ending) {
    if (name.size() < ending.size()) {
        return false;
    }
    const std::string_view tail = name.substr(name.size() - ending.size());
    for (std::size_t i = 0; i < ending.size(); ++i) {
        const char c = tail[i] >= 'A' && tail[i] <= 'Z' ? char(tail[i] - 'A' + 'a') : tail[i];
        if (c != ending[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool hasExtensionOf(std::string_view name, ImageFormat format) {
    return endsWithNoCase(name, extensionOf(format)) ||
           (format == ImageFormat::Jpeg && endsWithNoCase(name, ".jpeg"));
}

}  // namespace pelko
