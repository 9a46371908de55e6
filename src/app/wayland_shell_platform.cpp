#include "app/wayland_shell_platform.h"

#include "app/shell_desktop.h"
#include "app/wayland_session.h"
#include "platform/wayland/wayland_screen.h"

namespace pelko {

std::string compositorHotkeyHint(const std::string& executable) {
    return "This desktop does not let programs set global hotkeys. Bind the captures in the "
           "compositor's configuration instead, for example for sway:\n"
           "bindsym Print exec " +
           executable + " --capture screen";
}

WaylandShellPlatform::WaylandShellPlatform(ProgramPaths paths, std::string executablePath,
                                           CommandLine cl)
    : m_paths(std::move(paths)), m_executable(std::move(executablePath)), m_cl(std::move(cl)) {}

WaylandShellPlatform::~WaylandShellPlatform() = default;

ShellServices WaylandShellPlatform::connect(void*, int) {
    m_screen = openWaylandScreen(m_cl, m_paths);

    ShellServices s = desktopServices(m_paths, m_executable, m_autostart, m_mailer, m_notifier);
    s.bindHotkeys = [this](const std::array<std::uint32_t, 9>& values) {
        m_refusedSlots.clear();
        for (std::size_t slot = 0; slot < values.size(); ++slot) {
            if (values[slot] != 0) {
                m_refusedSlots.push_back(slot);
            }
        }
    };
    s.refusedHotkeySlots = [this] { return m_refusedSlots; };
    s.hotkeyHeldElsewhere = [](std::uint32_t) { return false; };
    s.releaseHotkeys = [] {};
    s.hotkeyHint = compositorHotkeyHint(m_executable);
    // Each copy waits for a frame the compositor draws after the request, without our hidden
    // windows.
    s.flushDisplay = [] {};
    s.screen = m_screen.get();
    s.windows = nullptr;  // the object selector has no windows to pick from here
    setWindowOutputs(s);
    return s;
}

bool WaylandShellPlatform::nativeEvent(const void*) {
    return false;
}

}  // namespace pelko
