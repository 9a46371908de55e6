#pragma once

#include <optional>
#include <string_view>

#include "core/codec/encode.h"

namespace pelko {

// The format an output uses: override 0 takes the configured main/saveas text ("bmp", "jpg",
// "png" or "gif" in any letter case; anything else is BMP), 1 to 4 name a format by its
// code, and any other override names none, so the output writes nothing.
std::optional<ImageFormat> ResolveOutputFormat(std::string_view saveas, int formatOverride);

// ".bmp", ".jpg", ".png" or ".gif".
std::string_view extensionOf(ImageFormat format);

// Whether the file name ends with an extension of the format, in any letter case (".jpeg" counts
// for JPEG as well as ".jpg").
bool hasExtensionOf(std::string_view name, ImageFormat format);

}  // namespace pelko
