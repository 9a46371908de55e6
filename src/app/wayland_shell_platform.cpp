#include "app/wayland_shell_platform.h"

#include <QSocketNotifier>

#include <cstdio>

#include "app/shell_desktop.h"
#include "app/tray_commands.h"
#include "app/wayland_session.h"
#include "core/error.h"
#include "platform/wayland/wayland_screen.h"

namespace pelko {

namespace {

// How long the desktop portal may take to answer each step of a binding; a portal that never
// answers leaves the hotkeys refused instead of hanging the tray program.
constexpr int kPortalAnswerMs = 5000;

}  // namespace

std::string compositorHotkeyHint(const std::string& executable) {
    return "This desktop does not let programs set global hotkeys. Bind the captures in the "
           "compositor's configuration instead, for example for sway:\n"
           "bindsym Print exec " +
           executable + " --capture screen";
}

WaylandShellPlatform::WaylandShellPlatform(ProgramPaths paths, std::string executablePath,
                                           CommandLine cl)
    : m_paths(std::move(paths)),
      m_executable(std::move(executablePath)),
      m_cl(std::move(cl)),
      m_portalHotkeys(kPortalAnswerMs) {}

WaylandShellPlatform::~WaylandShellPlatform() = default;

void WaylandShellPlatform::bindHotkeys(const HotkeySlotValues& values) {
    releaseHotkeys();
    try {
        m_refusedSlots = m_portalHotkeys.bind(values);
    } catch (const Error& e) {
        // No portal, or it refused: every hotkey is refused, and the hint says what to do.
        std::fprintf(stderr, "pelko: %s\n", e.what());
        m_refusedSlots.clear();
        for (std::size_t slot = 0; slot < values.size(); ++slot) {
            if (values[slot] != 0) {
                m_refusedSlots.push_back(slot);
            }
        }
        return;
    }
    if (m_portalHotkeys.active()) {
        m_portalWatch = std::make_unique<QSocketNotifier>(m_portalHotkeys.fileDescriptor(),
                                                          QSocketNotifier::Read);
        QObject::connect(m_portalWatch.get(), &QSocketNotifier::activated,
                         [this] { deliverPortalPresses(); });
        // The binding may have read presses already, which the socket no longer shows.
        deliverPortalPresses();
    }
}

void WaylandShellPlatform::releaseHotkeys() {
    m_portalWatch.reset();
    m_portalHotkeys.release();
    m_refusedSlots.clear();
}

void WaylandShellPlatform::deliverPortalPresses() {
    m_portalHotkeys.dispatch([this](std::uint32_t value, std::size_t slot) {
        if (onHotKeyPressed) {
            onHotKeyPressed(value, std::uint16_t(slot + 1));
        }
    });
    if (!m_portalHotkeys.active() && m_portalWatch) {
        // The session ended with the bus; the next binding makes a new watch.
        m_portalWatch->setEnabled(false);
    }
}

ShellServices WaylandShellPlatform::connect(void*, int) {
    m_screen = openWaylandScreen(m_cl, m_paths);
    m_commands = std::make_unique<TrayCommands>(m_paths.programDir, *this);

    ShellServices s = desktopServices(m_paths, m_executable, m_autostart, m_mailer, m_notifier);
    s.bindHotkeys = [this](const HotkeySlotValues& values) { bindHotkeys(values); };
    s.refusedHotkeySlots = [this] { return m_refusedSlots; };
    s.hotkeyHeldElsewhere = [](std::uint32_t) { return false; };
    s.releaseHotkeys = [this] { releaseHotkeys(); };
    // The portal's own settings show what it bound; the hint is for desktops without one.
    s.hotkeyHint = [this] {
        return m_portalHotkeys.active() ? std::string() : compositorHotkeyHint(m_executable);
    };
    // Each copy waits for a frame the compositor draws after the request, without our hidden
    // windows.
    s.flushDisplay = [] {};
    s.screen = m_screen.get();
    m_windows = openWaylandWindows(*m_screen);  // none where the compositor does not tell them
    s.windows = m_windows.get();
    setWindowOutputs(s);
    return s;
}

bool WaylandShellPlatform::nativeEvent(const void*) {
    return false;
}

}  // namespace pelko
