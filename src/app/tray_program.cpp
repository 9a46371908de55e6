#include "app/tray_program.h"

#include <cstring>

#include "platform/desktop/program_location.h"

namespace pelko {

std::string trayProgramPath() {
    return executableDir() + "/lib/pelko-tray";
}

Error cannotStartTray(const std::string& path, int error) {
    return Error(
        formatMessage("Cannot start the tray program \"%s\". %s", {path, std::strerror(error)}));
}

}  // namespace pelko
