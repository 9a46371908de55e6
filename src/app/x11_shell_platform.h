#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/headless_capture.h"
#include "core/settings/program_paths.h"
#include "platform/desktop/autostart.h"
#include "platform/desktop/dbus_notifier.h"
#include "platform/desktop/detached_process.h"
#include "platform/desktop/xdg_email.h"
#include "ui/shell/shell.h"

namespace pelko {

namespace x11 {
class Connection;
class THotKeyManager;
}  // namespace x11
class X11Screen;
class X11WindowLocator;
class TrayCommands;

// Builds the tray application's services on the application's own X11 connection: the screen
// source, the hotkey grabs (whose presses arrive through the application's event filter), the
// autostart entry, the scratch folder and the desktop notifications.
class X11ShellPlatform final : public ShellPlatform {
  public:
    X11ShellPlatform(ProgramPaths paths, std::string executablePath);
    ~X11ShellPlatform() override;

    ShellServices connect(void* xcbConnection, int screenNumber) override;
    bool nativeEvent(const void* xcbEvent) override;

  private:
    ProgramPaths m_paths;
    std::string m_executable;
    Autostart m_autostart;
    std::unique_ptr<x11::Connection> m_connection;
    std::unique_ptr<X11Screen> m_screen;
    std::unique_ptr<X11WindowLocator> m_windows;
    std::unique_ptr<x11::THotKeyManager> m_hotkeys;
    std::unique_ptr<TrayCommands> m_commands;  // the socket of the command line
    std::vector<std::size_t> m_refusedSlots;   // the slots the last binding refused
    XdgEmailMailer m_mailer;
    DbusNotifier m_notifier{DbusNotifier::Mode::ServeActions, launchProgram};
};

}  // namespace pelko
