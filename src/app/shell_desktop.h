#pragma once

#include <string>

#include "core/settings/program_paths.h"
#include "platform/desktop/autostart.h"
#include "ui/shell/shell_services.h"

namespace pelko {

// The services every session offers alike: the program folder, the scratch folder (prepared
// here; an unusable one makes scratch outputs fail with their own error), the running program
// and its autostart entry, the paint program's launcher, the mailer, FTP uploads and the
// notifications. The objects passed by reference must outlive the services.
ShellServices desktopServices(const ProgramPaths& paths, const std::string& executable,
                              Autostart& autostart, Mailer& mailer, Notifier& notifier);

// Sets the services' maker of capture outputs: window outputs owned by the main window, whose
// editor's "Format properties" opens the main window's output settings. Called last: the
// outputs keep a copy of the services.
void setWindowOutputs(ShellServices& s);

}  // namespace pelko
