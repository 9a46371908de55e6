#include "app/tray_program.h"

#include <cstring>

#include "platform/desktop/program_location.h"

namespace pelko {

std::string trayProgramPath() {
    return programLayout().trayProgram;
}

std::vector<std::string> homeArguments(const ProgramPaths& paths) {
    if (!paths.dataDir.empty()) {
        return {};
    }
    return {"--home", paths.programDir};
}

Error cannotStartTray(const std::string& path, int error) {
    return Error(
        formatMessage("Cannot start the tray program \"%s\". %s", {path, std::strerror(error)}));
}

}  // namespace pelko
