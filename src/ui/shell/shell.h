#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/shell/shell_services.h"

namespace pelko {

// What the entry point supplies to the tray application once the display connection exists.
class ShellPlatform {
  public:
    virtual ~ShellPlatform() = default;
    // Builds the services on the application's own X11 connection (an xcb_connection_t*) and
    // screen number; the connection is null where the application does not run on X11.
    virtual ShellServices connect(void* xcbConnection, int screenNumber) = 0;
    // Each native event of the application's connection (an xcb_generic_event_t*); returns
    // true when it was consumed (a hotkey press).
    virtual bool nativeEvent(const void* xcbEvent) = 0;
    // Where hotkey presses go: the shell sets it to the main window's handler.
    std::function<void(std::uint32_t hotKey, std::uint16_t index)> onHotKeyPressed;
    // Where the seconds left of a delayed command-line capture go (0: the wait is over): the
    // shell sets it to the main window's tray icon countdown.
    std::function<void(int secondsLeft)> onDelayCountdown;
    // Where the files of "pelko --edit" go once the tray program runs: the shell sets it to
    // the main window's editor.
    std::function<void(std::vector<std::string> files)> onEditFiles;
    // Where a request to bring the main window forward goes ("pelko" started again while this
    // tray program runs): the shell sets it to the main window.
    std::function<void()> onShowMainWindow;
    // The files the tray program was started to open in its editor.
    std::vector<std::string> startupEditFiles;
};

// Runs Pelko in the tray: creates the application (title "Pelko") and the main window, and runs
// the event loop until the main window closes. Returns the exit status.
int runShell(int& argc, char** argv, ShellPlatform& platform);

}  // namespace pelko
