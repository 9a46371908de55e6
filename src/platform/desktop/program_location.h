#pragma once

#include <optional>
#include <string>

#include "core/settings/program_paths.h"

namespace pelko {

// The absolute path of the running executable.
std::string executablePath();

// The folder of the running executable, without a trailing "/".
std::string executableDir();

// The absolute path of a program found on PATH, or none.
std::optional<std::string> findOnPath(const std::string& name);

// Where the program's parts lie, worked out from the running executable (the pelko command
// or the tray program). A build folder holds pelko, lib/pelko-tray and the data; an install
// holds PREFIX/bin/pelko, PREFIX/lib/pelko/pelko-tray and the data in PREFIX/share/pelko.
struct ProgramLayout {
    bool installed = false;
    std::string folder;       // the build folder, or PREFIX/share/pelko; no trailing "/"
    std::string trayProgram;  // the tray program's path
};
ProgramLayout programLayout();

// The program's paths: the folder given on the command line, else $PELKO_HOME, names one
// folder for everything; else the build folder while it is writable; else (installed, or a
// read-only folder) settings in $XDG_CONFIG_HOME/pelko, data from the program's folder and
// captures in the pictures folder's Screenshots/. The factory paint program is the first of
// kolourpaint, pinta, mtpaint and gimp found on PATH, else xdg-open.
ProgramPaths locateProgram(const std::optional<std::string>& home);

// Creates the default output folder when it is missing.
void ensureScreensFolder(const ProgramPaths& paths);

}  // namespace pelko
