#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/codec/encode.h"
#include "core/image/bitmap.h"
#include "core/output/file_name_template.h"
#include "core/settings/ini_file.h"
#include "core/settings/program_paths.h"

namespace pelko {

// What a save needs besides the settings file.
struct SaveContext {
    const ProgramPaths& paths;
    std::int32_t jpegQuality = 0;  // JpegQuality
    Clock clock = localNow;
};

// The folder captures are saved to: main/saveto (a relative one inside the program folder)
// while the folder it names exists, else the program's screens folder. The setting itself stays,
// for when its folder is back.
std::string outputFolderInUse(const IniFile& settings, const ProgramPaths& paths);

// Writes the Bitmap as an image file. target "0" means the configured folder (main/saveto,
// see outputFolderInUse)
// and name template (settings/screensfilename), with the capture number advanced; a name
// that exists already gets " (2)", " (3)", ... before its extension. Any other target is a
// full path whose folder and name template are used, and an existing file there is
// replaced. Returns the path written, or none when the format override names no format.
std::optional<std::string> SaveCaptureToFile(const Bitmap& bitmap, int formatOverride,
                                             std::string_view target, const SaveContext& ctx);

// Writes the encoded Bitmap to path, replacing any file there.
void writeImageFile(const Bitmap& bitmap, ImageFormat format, const EncodeOptions& options,
                    const std::string& path);

// Writes the encoded Bitmap to a new file stem + ext, never touching an existing file: when
// that name exists, stem + " (2)" + ext, " (3)" and so on. Returns the path written.
std::string writeNewImageFile(const Bitmap& bitmap, ImageFormat format,
                              const EncodeOptions& options, const std::string& stem,
                              std::string_view ext);

}  // namespace pelko
