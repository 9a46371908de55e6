#include "platform/wayland/wayland_screen.h"

#include <cstdint>

#include "core/error.h"
#include "platform/wayland/display.h"
#include "platform/wayland/portal_screenshot.h"
#include "platform/wayland/screencopy.h"

namespace pelko {

const char* const kNoActiveWindowMessage =
    "This desktop does not tell which window is active: capture the whole screen or a region "
    "instead";

namespace {

// How long the portal may take: a desktop may ask the user first.
constexpr int kPortalTimeoutMs = 60000;

// Copies the part r of picture (whose top-left corner is the screen's (originX, originY))
// into target (r's size, depth 24); the rest of target stays as it is.
void copyPicturePart(const Bitmap& picture, int originX, int originY, const Rect& r,
                     Bitmap& target) {
    for (int y = r.top; y < r.bottom; ++y) {
        const int py = y + originY;
        if (py < 0 || py >= picture.height()) {
            continue;
        }
        for (int x = r.left; x < r.right; ++x) {
            const int px = x + originX;
            if (px >= 0 && px < picture.width()) {
                const Rgb c = picture.colorAt(px, py);
                target.setPixel32(x - r.left, y - r.top,
                                  std::uint32_t(c.r) << 16 | std::uint32_t(c.g) << 8 | c.b);
            }
        }
    }
}

}  // namespace

WaylandScreen::WaylandScreen(bool drawPointer, bool portalOnly,
                             std::unique_ptr<wayland::CompositorWindows> windows,
                             const char* displayName)
    : m_display(std::make_unique<wayland::Display>(displayName)),
      m_drawPointer(drawPointer),
      m_windows(std::move(windows)) {
    m_display->primaryOutput();
    const bool screencopy = m_display->screencopy() && m_display->shm() && !portalOnly;
    if (!screencopy) {
        if (const std::string why = wayland::PortalScreenshot::unavailableReason(); !why.empty()) {
            throw Error(
                "This Wayland desktop offers no way to copy the screen: the compositor has no "
                "wlroots screen-copy protocol (zwlr_screencopy_manager_v1) and no desktop "
                "portal offers screenshots (org.freedesktop.portal.Screenshot: " +
                why + ")");
        }
        m_throughPortal = true;
    }
}

WaylandScreen::~WaylandScreen() = default;

Rect WaylandScreen::screenRect() {
    const wayland::Output& o = m_display->primaryOutput();
    return {0, 0, o.width, o.height};
}

wayland::OutputPlacement WaylandScreen::placement() {
    const wayland::Output& o = m_display->primaryOutput();
    return {o.x, o.y, m_windows->outputScale(o.x, o.y, o.scale), o.width, o.height};
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
    const wayland::Output& output = m_display->primaryOutput();
    if (m_throughPortal) {
        copyPicturePart(wayland::PortalScreenshot::take(kPortalTimeoutMs), output.x, output.y, r,
                        target);
        return;
    }
    wayland::copyOutput(*m_display, output, m_drawPointer, r, target);
}

std::optional<Rect> WaylandScreen::activeWindowRect() {
    if (!m_windows) {
        throw Error(kNoActiveWindowMessage);
    }
    const auto window = m_windows->focusedWindow();
    if (!window) {
        return std::nullopt;
    }
    const auto onScreen = wayland::onOutput(*window, placement());
    if (!onScreen) {
        throw Error("The active window is not on the screen that Pelko captures");
    }
    return onScreen;
}

std::optional<Rect> WaylandScreen::windowRectAt(Point p, long long skipPid) {
    if (!m_windows) {
        throw Error(kNoActiveWindowMessage);
    }
    const auto windows = m_windows->windowsOnShow(skipPid);
    return wayland::windowAtPixel(windows, p, placement());
}

}  // namespace pelko
