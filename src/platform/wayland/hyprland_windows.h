#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/capture/screen.h"
#include "platform/wayland/compositor_windows.h"
#include "platform/wayland/json_value.h"

namespace pelko::wayland {

// The rectangle (`at` and `size`, in layout coordinates) of the window in Hyprland's answer to
// j/activewindow; none for its answer when no window is active ({}). Throws pelko::Error for
// an answer of another shape.
std::optional<Rect> hyprlandActiveWindowRect(const JsonValue& activeWindow);

// The rectangles of the windows on show in Hyprland's answers to j/clients and j/monitors, the
// topmost first: full-screen windows, then floating ones, then tiled ones, each the most
// recently focused first. Windows that are not mapped, are hidden (behind another of their
// group), lie on workspaces that no monitor shows, or belong to the process skipPid are left
// out. Throws pelko::Error when either answer is no list.
std::vector<Rect> hyprlandWindowsOnShow(const JsonValue& clients, const JsonValue& monitors,
                                        long long skipPid);

// The scale of the monitor whose top-left corner lies at (x, y) in the layout, from
// Hyprland's answer to j/monitors; none when no monitor lies there.
std::optional<double> hyprlandMonitorScale(const JsonValue& monitors, int x, int y);

// The windows of a Hyprland session, asked on its request socket.
class HyprlandWindows final : public CompositorWindows {
  public:
    // socketPaths: as hyprlandSocketPaths gives them; timeoutMs bounds each request.
    HyprlandWindows(std::vector<std::string> socketPaths, int timeoutMs)
        : m_socketPaths(std::move(socketPaths)), m_timeoutMs(timeoutMs) {}

    std::optional<Rect> focusedWindow() override;
    std::vector<Rect> windowsOnShow(long long skipPid) override;
    double outputScale(int x, int y, int wlScale) override;

  private:
    JsonValue ask(const std::string& request) const;

    std::vector<std::string> m_socketPaths;
    int m_timeoutMs;
};

}  // namespace pelko::wayland
