#include "core/output/scratch_file.h"

#include <ctime>

#include "core/error.h"
#include "core/output/image_format.h"
#include "core/output/purge_folder.h"
#include "core/output/save_capture.h"
#include "core/output/scratch_folder.h"
#include "core/settings/ini_file.h"
#include "core/settings/key_access.h"

namespace pelko {

namespace {

// The scratch folder holds captures, so only a real folder of the user's own that nobody else
// may enter is written to: a symbolic link or a folder planted by someone else is refused as a
// failed file creation, whose reason says what is wrong with the folder.
void checkScratchDir(const std::string& dir, const std::string& path) {
    int error = 0;
    if (!openScratchFolder(dir, error)) {
        throw Error(formatMessage("Cannot create file \"%s\". %s",
                                  {path, scratchFolderProblem(dir, error)}));
    }
}

}  // namespace

std::string scratchFileName(ImageFormat format, const Clock& clock) {
    const LocalTime now = clock();  // one reading for the date and the time
    return std::to_string(now.year) + "-" + std::to_string(now.month) + "-" +
           std::to_string(now.day) + "~" + std::to_string(now.hour) + "-" +
           std::to_string(now.minute) + "-" + std::to_string(now.second) +
           std::string(extensionOf(format));
}

std::string SaveCaptureToScratch(const Bitmap& bitmap, int formatOverride,
                                 const ScratchContext& ctx) {
    EncodeOptions options;
    options.jpegQuality = ctx.jpegQuality;
    std::optional<ImageFormat> format;
    {
        const IniFile f(ctx.paths.settingsFile());
        format = ResolveOutputFormat(read(f, keys::saveas), formatOverride);
        options.gifMethod = read(f, keys::gifcomp);
    }
    if (!format) {
        return {};
    }
    const std::string name = scratchFileName(*format, ctx.clock);
    const std::string ext(extensionOf(*format));
    const std::string stem = ctx.scratchDir + name.substr(0, name.size() - ext.size());
    checkScratchDir(ctx.scratchDir, stem + ext);
    std::string path = writeNewImageFile(bitmap, *format, options, stem, ext);
    // Scratch files live until the program ends; a program that runs for weeks drops those
    // that nothing uses any more once they are a day old.
    PurgeScratchFolder(ctx.scratchDir, {std::time(nullptr) - kScratchFileLifetime, false});
    return path;
}

}  // namespace pelko
