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

// The program's paths: the folder given on the command line, else $PELKO_HOME, else the
// executable's folder; the factory paint program is the first of kolourpaint, pinta, mtpaint
// and gimp found on PATH, else xdg-open.
ProgramPaths locateProgram(const std::optional<std::string>& home);

// Creates the default output folder when it is missing.
void ensureScreensFolder(const ProgramPaths& paths);

}  // namespace pelko
