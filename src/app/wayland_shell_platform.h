#pragma once

#include <memory>
#include <string>
#include <vector>

class QSocketNotifier;

#include "app/command_line.h"
#include "core/capture/window_locator.h"
#include "core/settings/program_paths.h"
#include "platform/desktop/autostart.h"
#include "platform/desktop/dbus_notifier.h"
#include "platform/desktop/detached_process.h"
#include "platform/desktop/xdg_email.h"
#include "platform/wayland/portal_hotkeys.h"
#include "ui/shell/shell.h"

namespace pelko {

class WaylandScreen;
class TrayCommands;

// The text that tells the user how to bind captures in a compositor that lets no program bind
// global hotkeys (no GlobalShortcuts portal, as in wlroots compositors): a sway bindsym line that
// runs the command line's capture.
std::string compositorHotkeyHint(const std::string& executable);

// Builds the tray application's services in a Wayland session: captures through the Wayland
// screen (the compositor's screen copy, or the desktop portal), the autostart entry, the scratch
// folder, the mailer and the desktop notifications. The compositor grants no global key grabs:
// the hotkeys are bound through the desktop portal's GlobalShortcuts interface where the
// desktop offers it; elsewhere every hotkey is refused and the settings say how to bind
// captures in the compositor. The command line reaches the tray program through its socket
// ("pelko --edit", the countdown of a delayed capture), as there is no X display to carry them.
class WaylandShellPlatform final : public ShellPlatform {
  public:
    WaylandShellPlatform(ProgramPaths paths, std::string executablePath, CommandLine cl);
    ~WaylandShellPlatform() override;

    // The application has no X11 connection here: both arguments are ignored.
    ShellServices connect(void* xcbConnection, int screenNumber) override;
    bool nativeEvent(const void* xcbEvent) override;

  private:
    void bindHotkeys(const HotkeySlotValues& values);
    void releaseHotkeys();
    void deliverPortalPresses();

  private:
    ProgramPaths m_paths;
    std::string m_executable;
    CommandLine m_cl;
    Autostart m_autostart;
    std::unique_ptr<WaylandScreen> m_screen;
    std::unique_ptr<WindowLocator> m_windows;
    std::vector<std::size_t> m_refusedSlots;  // the slots the last binding refused
    wayland::PortalHotkeys m_portalHotkeys;
    std::unique_ptr<QSocketNotifier> m_portalWatch;  // the portal session's socket
    std::unique_ptr<TrayCommands> m_commands;        // the socket of the command line
    XdgEmailMailer m_mailer;
    DbusNotifier m_notifier{DbusNotifier::Mode::ServeActions, launchProgram};
};

}  // namespace pelko
