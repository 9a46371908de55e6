#include "app/platform_choice.h"

#include <string_view>

namespace pelko {

std::optional<DisplayPlatform> platformNamed(const std::string& name) {
    if (name == "x11") {
        return DisplayPlatform::X11;
    }
    if (name == "wayland") {
        return DisplayPlatform::Wayland;
    }
    if (name == "wayland-portal") {
        return DisplayPlatform::WaylandPortal;
    }
    return std::nullopt;
}

DisplayPlatform choosePlatform(std::optional<DisplayPlatform> requested, const char* waylandDisplay,
                               const char* sessionType) {
    if (requested) {
        return *requested;
    }
    const bool compositor = waylandDisplay && *waylandDisplay;
    const bool x11Session = sessionType && std::string_view(sessionType) == "x11";
    return compositor && !x11Session ? DisplayPlatform::Wayland : DisplayPlatform::X11;
}

}  // namespace pelko
