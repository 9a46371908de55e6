#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "core/codec/encode.h"
#include "core/image/bitmap.h"
#include "core/output/file_name_template.h"
#include "core/settings/program_paths.h"

namespace pelko {

// What writing a scratch file needs besides the settings file.
struct ScratchContext {
    const ProgramPaths& paths;
    std::string scratchDir;        // the private scratch folder, ending with "/"
    std::int32_t jpegQuality = 0;  // JpegQuality
    Clock clock = localNow;
};

// The scratch file name of a format: year-month-day~hour-minute-second and the format's
// extension, the numbers without leading zeros (2024-3-5~9-7-2.png). The date and the time come
// from one reading of the clock.
std::string scratchFileName(ImageFormat format, const Clock& clock);

// How long a scratch file that nothing uses is kept, in seconds.
inline constexpr std::time_t kScratchFileLifetime = 24 * 60 * 60;

// Writes the Bitmap as a new file in the scratch folder, in the format of the override (0: the
// configured main/saveas; 1 to 4: that format) and returns its full path. A name that exists
// already gets " (2)", " (3)", ... before its extension, so scratch files never replace one
// another. An override naming no format writes nothing and returns "". A scratch folder that
// is missing, not a real folder, not the user's own or open to others fails with the
// file-creation error. Afterwards scratch files older than kScratchFileLifetime that no
// process uses are purged.
std::string SaveCaptureToScratch(const Bitmap& bitmap, int formatOverride,
                                 const ScratchContext& ctx);

}  // namespace pelko
