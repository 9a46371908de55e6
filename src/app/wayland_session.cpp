#include "app/wayland_session.h"

#include <unistd.h>

#include <cstdlib>

#include "core/settings/main_settings.h"
#include "platform/wayland/sway_window_locator.h"

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

bool waylandTellsWindows() {
    const char* sway = std::getenv("SWAYSOCK");
    return sway && *sway;
}

std::unique_ptr<WindowLocator> openWaylandWindows(const WaylandScreen& screen) {
    if (!waylandTellsWindows()) {
        return nullptr;
    }
    return std::make_unique<SwayWindowLocator>(std::getenv("SWAYSOCK"), screen.layoutRect(),
                                               ::getpid());
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
