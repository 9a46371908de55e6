#include "app/wayland_session.h"

#include <cstdlib>

#include "core/settings/main_settings.h"

namespace pelko {

namespace {
class QuietSettingsHost final : public SettingsHost {};
}  // namespace

bool onWayland(const CommandLine& cl) {
    return choosePlatform(cl.platform, std::getenv("WAYLAND_DISPLAY"),
                          std::getenv("XDG_SESSION_TYPE")) != DisplayPlatform::X11;
}

std::unique_ptr<WaylandScreen> openWaylandScreen(const CommandLine& cl, bool drawPointer) {
    const char* sway = std::getenv("SWAYSOCK");
    return std::make_unique<WaylandScreen>(
        drawPointer, cl.platform == DisplayPlatform::WaylandPortal, sway ? sway : "");
}

std::unique_ptr<WaylandScreen> openWaylandScreen(const CommandLine& cl, const ProgramPaths& paths) {
    MainSettings settings;
    QuietSettingsHost host;
    readparams(settings, paths, host);
    return openWaylandScreen(cl, settings.ssreccursor);
}

std::vector<std::string> platformArguments(const CommandLine& cl) {
    if (!cl.platform) {
        return {};
    }
    switch (*cl.platform) {
        case DisplayPlatform::X11:
            return {"--platform", "x11"};
        case DisplayPlatform::Wayland:
            return {"--platform", "wayland"};
        case DisplayPlatform::WaylandPortal:
            return {"--platform", "wayland-portal"};
    }
    return {};
}

}  // namespace pelko
