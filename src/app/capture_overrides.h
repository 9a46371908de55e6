#pragma once

#include <string>
#include <vector>

#include "app/command_line.h"
#include "core/image/bitmap.h"
#include "core/settings/main_settings.h"

namespace pelko {

// The run's outputs without settings.ini changing: the pointer and JPEG quality options, and
// --clipboard and --output each making their output the only one (--output turns the file
// output on even when it is off).
void applyOverrides(const CaptureOverrides& o, MainSettings& state);

// The options of the run that the selector program, which freezes the screen, must know too
// (the pointer options), as that program takes them after its mode.
std::vector<std::string> selectorOptionArguments(const CaptureOverrides& o);

// The file output of --output: writes the picture exactly to the path or to standard output.
// The format is --format, else the one of the path's extension, else the saved one; on
// standard output PNG, which the programs reading a picture from a pipe expect. Returns the
// file's absolute path ("-" for standard output).
std::vector<std::string> writeOutputOverride(const CaptureOverrides& o, const MainSettings& state,
                                             const ProgramPaths& paths, const Bitmap& bitmap);

}  // namespace pelko
