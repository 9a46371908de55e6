#pragma once

#include <string>
#include <vector>

#include "core/error.h"
#include "core/settings/program_paths.h"

namespace pelko {

// The tray program of the pelko command: lib/pelko-tray in its build folder, or
// PREFIX/lib/pelko/pelko-tray when installed.
std::string trayProgramPath();

// The arguments that give the tray program the same program folder: "--home" and the folder
// when one folder holds everything; none when the paths are the installed ones, which the tray
// program works out alike.
std::vector<std::string> homeArguments(const ProgramPaths& paths);

// The error of a tray program that could not be started: "Cannot start the tray program
// "<path>". <reason>".
Error cannotStartTray(const std::string& path, int error);

}  // namespace pelko
