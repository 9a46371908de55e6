#pragma once

#include <optional>
#include <string>

namespace pelko {

// The display system Pelko talks to. WaylandPortal is a Wayland session whose screen is copied
// through the desktop portal even where the compositor offers its own way.
enum class DisplayPlatform { X11, Wayland, WaylandPortal };

// The platform named on the command line (--platform x11|wayland|wayland-portal); none for another
// name.
std::optional<DisplayPlatform> platformNamed(const std::string& name);

// The platform of this session: the one asked for when given; otherwise Wayland when
// WAYLAND_DISPLAY names a compositor and the session type (XDG_SESSION_TYPE) is not x11, else
// X11. The variables are passed in as read (nullptr when unset).
DisplayPlatform choosePlatform(std::optional<DisplayPlatform> requested, const char* waylandDisplay,
                               const char* sessionType);

}  // namespace pelko
