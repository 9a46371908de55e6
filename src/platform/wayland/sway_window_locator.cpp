#include "platform/wayland/sway_window_locator.h"

#include "platform/wayland/display.h"
#include "platform/wayland/sway_tree.h"

namespace pelko {

SwayWindowLocator::SwayWindowLocator(std::string socketPath, Rect screen, long long ownPid)
    : m_socketPath(std::move(socketPath)), m_screen(screen), m_ownPid(ownPid) {}

Rect SwayWindowLocator::windowRectAt(Point p, std::span<const std::uint32_t>) {
    const Point layout{p.x + m_screen.left, p.y + m_screen.top};
    const auto windows = wayland::visibleWindowRects(
        wayland::swayWindowTree(m_socketPath, wayland::kAnswerTimeoutMs), m_ownPid);
    for (const Rect& w : windows) {
        if (layout.x >= w.left && layout.x < w.right && layout.y >= w.top && layout.y < w.bottom) {
            return {w.left - m_screen.left, w.top - m_screen.top, w.right - m_screen.left,
                    w.bottom - m_screen.top};
        }
    }
    return {0, 0, m_screen.width(), m_screen.height()};
}

}  // namespace pelko
