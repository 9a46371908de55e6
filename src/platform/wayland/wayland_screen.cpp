#include "platform/wayland/wayland_screen.h"

#include <cstdint>

#include "core/error.h"
#include "platform/wayland/display.h"
#include "platform/wayland/screencopy.h"

namespace pelko {

const char* const kNoActiveWindowMessage =
    "This desktop does not tell which window is active: capture the whole screen or a region "
    "instead";

WaylandScreen::WaylandScreen(bool drawPointer, const char* displayName)
    : m_display(std::make_unique<wayland::Display>(displayName)), m_drawPointer(drawPointer) {
    if (!m_display->screencopy()) {
        throw Error(
            "This Wayland desktop offers no way to copy the screen: the compositor has no "
            "wlroots screen-copy protocol (zwlr_screencopy_manager_v1)");
    }
    if (!m_display->shm()) {
        throw Error("The Wayland compositor offers no shared memory (wl_shm)");
    }
    m_display->primaryOutput();
}

WaylandScreen::~WaylandScreen() = default;

Rect WaylandScreen::screenRect() {
    const wayland::Output& o = m_display->primaryOutput();
    return {0, 0, o.width, o.height};
}

void WaylandScreen::copyRect(Bitmap& target, const Rect& r) {
    const long long width = (long long)r.right - r.left, height = (long long)r.bottom - r.top;
    if (width <= 0 || height <= 0 || width > INT32_MAX || height > INT32_MAX) {
        throw Error("Invalid image size");
    }
    target.reset(int(width), int(height), 24);
    target.setDeviceDependent(true);
    const Rect screen = screenRect();
    if (r.right <= screen.left || r.left >= screen.right || r.bottom <= screen.top ||
        r.top >= screen.bottom) {
        return;
    }
    wayland::copyOutput(*m_display, m_display->primaryOutput(), m_drawPointer, r, target);
}

std::optional<Rect> WaylandScreen::activeWindowRect() {
    throw Error(kNoActiveWindowMessage);
}

}  // namespace pelko
