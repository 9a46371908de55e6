#pragma once

#include <memory>
#include <string>

class QSocketNotifier;

namespace pelko {

class ShellPlatform;
class TraySocketServer;

// The tray program's socket for the command line of its program folder, on X11 and Wayland
// alike: "pelko" started again brings the main window forward, "pelko --edit" hands files over
// (in a Wayland session) and a delayed capture counts down. Messages go to the platform's
// handlers, which the shell sets. A socket that cannot be made is said on stderr; the tray
// program runs on without it, and a command then starts a tray program of its own.
class TrayCommands {
  public:
    TrayCommands(const std::string& programDir, ShellPlatform& platform);
    ~TrayCommands();
    TrayCommands(const TrayCommands&) = delete;
    TrayCommands& operator=(const TrayCommands&) = delete;

  private:
    void deliver();

    ShellPlatform& m_platform;
    std::unique_ptr<TraySocketServer> m_server;
    std::unique_ptr<QSocketNotifier> m_watch;
};

}  // namespace pelko
