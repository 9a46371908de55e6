#pragma once

#include <string>

#include "core/error.h"

namespace pelko {

// The tray program beside the pelko command: lib/pelko-tray in the command's folder.
std::string trayProgramPath();

// The error of a tray program that could not be started: "Cannot start the tray program
// "<path>". <reason>".
Error cannotStartTray(const std::string& path, int error);

}  // namespace pelko
