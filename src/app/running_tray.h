#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "core/settings/program_paths.h"

namespace pelko {

// The command's messages to the tray program that runs for the same session, over what the
// session's platform offers (the same choice as the capture's): the X display in an X11
// session, the tray program's socket (one per program folder) in a Wayland session.

// Hands the files to the running tray program's editor. Returns false, sending nothing, when
// no tray program runs; throws pelko::Error when an X11 session has no display.
bool sendToTrayEditor(const CommandLine& cl, const ProgramPaths& paths,
                      const std::vector<std::string>& files);

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

// The announcer of this session; none when no tray program listens. Throws pelko::Error when
// an X11 session has no display.
std::unique_ptr<DelayAnnouncer> trayDelayAnnouncer(const CommandLine& cl,
                                                   const ProgramPaths& paths);

}  // namespace pelko
