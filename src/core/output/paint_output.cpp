#include "core/output/paint_output.h"

#include "core/settings/ini_file.h"
#include "core/settings/key_access.h"

namespace pelko {

std::string OpenCaptureInPaint(const Bitmap& bitmap, int formatOverride, const ScratchContext& ctx,
                               const LaunchProgram& launch) {
    const std::string program =
        read(IniFile(ctx.paths.settingsFile()), keys::exteditor, ctx.paths.paintProgram);
    std::string path = SaveCaptureToScratch(bitmap, formatOverride, ctx);
    if (!path.empty() && launch) {
        launch(program, path, ctx.paths.screensDir());
    }
    return path;
}

}  // namespace pelko
