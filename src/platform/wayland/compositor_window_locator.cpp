#include "platform/wayland/compositor_window_locator.h"

#include "platform/wayland/wayland_screen.h"

namespace pelko {

Rect CompositorWindowLocator::windowRectAt(Point p, std::span<const std::uint32_t>) {
    return m_screen.windowRectAt(p, m_ownPid).value_or(m_screen.screenRect());
}

}  // namespace pelko
