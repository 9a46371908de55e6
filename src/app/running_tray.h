#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/settings/program_paths.h"

namespace pelko {

// The command's messages to the running tray program of the same program folder, through that
// tray program's socket, in X11 and Wayland sessions alike.

// Hands the files to the running tray program's editor. Returns false, sending nothing, when
// no tray program of this program folder runs.
bool sendToTrayEditor(const ProgramPaths& paths, const std::vector<std::string>& files);

// Brings the main window of the tray program of this program folder forward. Returns false,
// sending nothing, when none runs.
bool showRunningTray(const ProgramPaths& paths);

// Tells a running tray program the seconds left of a delayed capture, so that its icon counts
// down; its end tells that the wait is over.
class DelayAnnouncer {
  public:
    virtual ~DelayAnnouncer() = default;
    virtual void announce(int secondsLeft) = 0;
};

// The announcer of this program folder's tray program; none when none runs.
std::unique_ptr<DelayAnnouncer> trayDelayAnnouncer(const ProgramPaths& paths);

}  // namespace pelko
