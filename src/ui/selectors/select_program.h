#pragma once

#include <string>

#include "core/capture/screen.h"
#include "core/capture/window_locator.h"
#include "core/settings/main_settings.h"

namespace pelko {

// The selector of a command-line capture, run by the tray program: freezes the screen, shows
// the selector of `mode` and writes what came of it to standard output for the pelko command:
// "picture\n" and the picture as a Windows bitmap file, "cancelled\n", or "error\n" and the
// error's message. Returns the exit status (0 picture, 2 cancelled, 1 error). windows is
// nullptr on desktops that do not tell where their windows are (no object selector there).
// settings are those of the command's run, its options applied.
int runSelectProgram(int& argc, char** argv, Screen& screen, WindowLocator* windows,
                     const MainSettings& settings, int mode);

// The fixed-area picker for `pelko --pick-region`: writes "region\n" and the rectangle as
// WxH+X+Y (normalised, at least 1x1), or "cancelled\n", also for a selection without area.
// Returns the exit status (0 region, 2 cancelled, 1 error).
int runPickRegionProgram(int& argc, char** argv, Screen& screen, const MainSettings& settings);

}  // namespace pelko
