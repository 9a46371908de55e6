#include "platform/wayland/compositor_windows.h"

#include "platform/wayland/hyprland_ipc.h"
#include "platform/wayland/hyprland_windows.h"
#include "platform/wayland/sway_tree.h"

namespace pelko::wayland {

std::unique_ptr<CompositorWindows> openCompositorWindows(const CompositorSockets& sockets) {
    if (!sockets.swaySocket.empty()) {
        return std::make_unique<SwayWindows>(sockets.swaySocket, kIpcTimeoutMs);
    }
    if (!sockets.hyprlandSignature.empty()) {
        return std::make_unique<HyprlandWindows>(
            hyprlandSocketPaths(sockets.hyprlandSignature, sockets.runtimeDir), kIpcTimeoutMs);
    }
    return nullptr;
}

}  // namespace pelko::wayland
