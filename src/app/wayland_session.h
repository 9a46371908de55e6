#pragma once

#include <memory>
#include <string>

#include "app/command_line.h"
#include "core/capture/window_locator.h"
#include "core/settings/program_paths.h"
#include "platform/wayland/wayland_screen.h"

namespace pelko {

// Whether this run talks to a Wayland compositor: --platform, else the session's variables.
bool onWayland(const CommandLine& cl);

// The screen of the Wayland session for a run of the program: the pointer drawn in as
// settings.ini says (main/ssreccursor), copies through the portal for --platform
// wayland-portal, the compositor's IPC for the windows: sway's ($SWAYSOCK), else Hyprland's
// ($HYPRLAND_INSTANCE_SIGNATURE).
std::unique_ptr<WaylandScreen> openWaylandScreen(const CommandLine& cl, bool drawPointer);
std::unique_ptr<WaylandScreen> openWaylandScreen(const CommandLine& cl, const ProgramPaths& paths);

// The windows of the session for the object selector, as the screen's compositor tells them;
// none where it does not tell them. The screen outlives the locator.
std::unique_ptr<WindowLocator> openWaylandWindows(WaylandScreen& screen);
// Whether the session's compositor tells where its windows lie.
bool waylandTellsWindows();

// The arguments that hand this run's platform on to a program it starts ("--platform NAME"),
// none when the session chose it.
std::vector<std::string> platformArguments(const CommandLine& cl);

}  // namespace pelko
