#pragma once

#include <string>

#include "core/image/bitmap.h"
#include "core/output/program_launcher.h"
#include "core/output/scratch_file.h"

namespace pelko {

// Writes a scratch file (as SaveCaptureToScratch) and starts the paint program of
// general/exteditor (the factory paint program when the key is absent) on it, with the scratch
// path as its one argument, in the working folder ProgramDir/screens/. Returns the path
// written; "" when the override names no format (then nothing is started).
std::string OpenCaptureInPaint(const Bitmap& bitmap, int formatOverride, const ScratchContext& ctx,
                               const LaunchProgram& launch);

}  // namespace pelko
