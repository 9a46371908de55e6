#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/image/bitmap.h"

namespace pelko {

// The selector of a command-line capture, shown by the tray program (which carries the user
// interface): the selected picture, or none; cancelled tells whether the user cancelled.
// runArgs: the run's arguments for the selector program: the program folder (see
// homeArguments), the platform and the options that change what the selector freezes.
std::optional<Bitmap> selectThroughTray(const std::string& trayProgram,
                                        const std::vector<std::string>& runArgs, int mode,
                                        bool& cancelled);

// The fixed-area picker, shown by the tray program: the region as WxH+X+Y, or none when the
// user cancelled.
std::optional<std::string> pickRegionThroughTray(const std::string& trayProgram,
                                                 const std::vector<std::string>& homeArgs);

// What the tray program's selector wrote: "picture\n" and a Windows bitmap file (nothing for
// an empty selection), "cancelled\n", or "error\n" and a message, which is raised. Anything
// else (the program ended before it answered) raises an error.
std::optional<Bitmap> parseSelectorAnswer(const std::vector<std::uint8_t>& answer, bool& cancelled);

}  // namespace pelko
