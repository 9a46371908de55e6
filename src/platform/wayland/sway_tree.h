#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/capture/screen.h"
#include "platform/wayland/compositor_windows.h"
#include "platform/wayland/json_value.h"

namespace pelko::wayland {

// The outer rectangle (borders and title bar included), in the compositor's layout
// coordinates, of the focused window in sway's window tree (the answer to GET_TREE); none when
// the focus is on no window (an empty workspace).
std::optional<Rect> focusedWindowRect(const JsonValue& tree);

// The outer rectangles (title bar included), in layout coordinates, of the windows on show in
// sway's window tree, the topmost first: full-screen windows, then floating ones (the last
// raised first), then tiled ones. Windows of the process skipPid are left out.
std::vector<Rect> visibleWindowRects(const JsonValue& tree, long long skipPid);

// Asks sway's IPC socket for its window tree. Throws pelko::Error when sway does not answer
// within timeoutMs or answers with something else.
JsonValue swayWindowTree(const std::string& socketPath, int timeoutMs);

// The windows of a sway session, from its window tree. Its outputs' scales are those that
// wl_output tells.
class SwayWindows final : public CompositorWindows {
  public:
    SwayWindows(std::string socketPath, int timeoutMs)
        : m_socketPath(std::move(socketPath)), m_timeoutMs(timeoutMs) {}

    std::optional<Rect> focusedWindow() override {
        return focusedWindowRect(swayWindowTree(m_socketPath, m_timeoutMs));
    }
    std::vector<Rect> windowsOnShow(long long skipPid) override {
        return visibleWindowRects(swayWindowTree(m_socketPath, m_timeoutMs), skipPid);
    }
    double outputScale(int, int, int wlScale) override { return wlScale; }

  private:
    std::string m_socketPath;
    int m_timeoutMs;
};

}  // namespace pelko::wayland
