#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/capture/screen.h"

namespace pelko::wayland {

// What a compositor tells of its windows through its IPC socket, asked afresh each time.
// Rectangles are in the compositor's layout coordinates. Every function throws pelko::Error
// when the compositor does not answer in time or answers with something unreadable.
class CompositorWindows {
  public:
    virtual ~CompositorWindows() = default;

    // The outer rectangle of the window with the keyboard focus; none when no window has it.
    virtual std::optional<Rect> focusedWindow() = 0;
    // The windows on show, the topmost first; those of the process skipPid are left out.
    virtual std::vector<Rect> windowsOnShow(long long skipPid) = 0;
    // The pixels per layout unit of the output whose top-left corner lies at (x, y) in the
    // layout; wlScale is what its wl_output says (a whole number).
    virtual double outputScale(int x, int y, int wlScale) = 0;
};

// The IPC sockets that a session's variables name.
struct CompositorSockets {
    std::string swaySocket;         // $SWAYSOCK
    std::string hyprlandSignature;  // $HYPRLAND_INSTANCE_SIGNATURE
    std::string runtimeDir;         // $XDG_RUNTIME_DIR
};

// The windows of the session's compositor: sway's IPC where its socket is named, else
// Hyprland's where its instance is; none on compositors that do not tell them.
std::unique_ptr<CompositorWindows> openCompositorWindows(const CompositorSockets& sockets);

// How long a compositor may take to answer one request on its IPC socket.
constexpr int kIpcTimeoutMs = 2000;

}  // namespace pelko::wayland
