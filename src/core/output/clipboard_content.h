#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/image/bitmap.h"
#include "core/output/scratch_file.h"
#include "core/settings/program_paths.h"

namespace pelko {

// What the clipboard output offers for a capture.
struct ClipboardContent {
    Bitmap image;                       // the picture
    std::vector<std::uint8_t> gifFile;  // GIF only: the bytes of the complete GIF file
};

// The clipboard contents for the format of the override (0: the configured main/saveas, 1 to 4:
// that format), the GIF method from settings/gifcomp:
//  - BMP and JPEG: the unchanged capture (no JPEG compression loss);
//  - PNG: the picture as a PNG file of it holds it;
//  - GIF: the colour-reduced picture as the GIF file holds it, and the GIF file's bytes.
// None when the override names no format.
std::optional<ClipboardContent> clipboardContent(const Bitmap& bitmap, int formatOverride,
                                                 const ProgramPaths& paths);

// The same contents as files, for a clipboard served by another process: image is a scratch
// file whose picture is the contents' picture (a PNG file, or the GIF file for GIF), gif the
// GIF file for GIF and "" otherwise. None when the override names no format.
struct ClipboardFiles {
    std::string image;
    std::string gif;
};
std::optional<ClipboardFiles> writeClipboardFiles(const Bitmap& bitmap, int formatOverride,
                                                  const ScratchContext& ctx);

}  // namespace pelko
