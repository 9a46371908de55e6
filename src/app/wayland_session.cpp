#include "app/wayland_session.h"

#include <unistd.h>

#include <cstdlib>

#include "core/settings/main_settings.h"
#include "platform/wayland/compositor_window_locator.h"
#include "platform/wayland/compositor_windows.h"

namespace pelko {

namespace {

class QuietSettingsHost final : public SettingsHost {};

// What the session's compositor tells of its windows, as its variables name its IPC socket.
std::unique_ptr<wayland::CompositorWindows> sessionWindows() {
    auto variable = [](const char* name) {
        const char* value = std::getenv(name);
        return std::string(value ? value : "");
    };
    return wayland::openCompositorWindows({variable("SWAYSOCK"),
                                           variable("HYPRLAND_INSTANCE_SIGNATURE"),
                                           variable("XDG_RUNTIME_DIR")});
}

}  // namespace

bool onWayland(const CommandLine& cl) {
    return choosePlatform(cl.platform, std::getenv("WAYLAND_DISPLAY"),
                          std::getenv("XDG_SESSION_TYPE")) != DisplayPlatform::X11;
}

std::unique_ptr<WaylandScreen> openWaylandScreen(const CommandLine& cl, bool drawPointer) {
    return std::make_unique<WaylandScreen>(
        drawPointer, cl.platform == DisplayPlatform::WaylandPortal, sessionWindows());
}

std::unique_ptr<WaylandScreen> openWaylandScreen(const CommandLine& cl, const ProgramPaths& paths) {
    MainSettings settings;
    QuietSettingsHost host;
    readparams(settings, paths, host);
    return openWaylandScreen(cl, settings.ssreccursor);
}

bool waylandTellsWindows() {
    return sessionWindows() != nullptr;
}

std::unique_ptr<WindowLocator> openWaylandWindows(WaylandScreen& screen) {
    if (!screen.tellsWindows()) {
        return nullptr;
    }
    return std::make_unique<CompositorWindowLocator>(screen, ::getpid());
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
