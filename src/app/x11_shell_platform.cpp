#include "app/x11_shell_platform.h"

#include <xcb/xcb.h>

#include <cstdlib>

#include "app/shell_desktop.h"
#include "app/tray_commands.h"
#include "core/error.h"
#include "platform/desktop/detached_process.h"
#include "platform/x11/connection.h"
#include "platform/x11/deepest_window.h"
#include "platform/x11/hotkey_manager.h"
#include "platform/x11/x11_screen.h"

namespace pelko {

X11ShellPlatform::X11ShellPlatform(ProgramPaths paths, std::string executablePath)
    : m_paths(std::move(paths)), m_executable(std::move(executablePath)) {}

X11ShellPlatform::~X11ShellPlatform() = default;

ShellServices X11ShellPlatform::connect(void* xcbConnection, int screenNumber) {
    auto* c = static_cast<xcb_connection_t*>(xcbConnection);
    if (c == nullptr) {
        throw Error("Pelko needs an X11 display");
    }
    m_connection = std::make_unique<x11::Connection>(c, screenNumber);
    m_screen = std::make_unique<X11Screen>(c, screenNumber);
    m_windows = std::make_unique<X11WindowLocator>(c, screenNumber);
    m_hotkeys = std::make_unique<x11::THotKeyManager>(*m_connection);
    m_commands = std::make_unique<TrayCommands>(m_paths.programDir, *this);
    m_hotkeys->OnHotKeyPressed = [this](std::uint32_t hotKey, std::uint16_t index) {
        if (onHotKeyPressed) {
            onHotKeyPressed(hotKey, index);
        }
    };

    ShellServices s = desktopServices(m_paths, m_executable, m_autostart, m_mailer, m_notifier);
    s.bindHotkeys = [this](const std::array<std::uint32_t, 9>& values) {
        m_hotkeys->UnbindAll();
        m_refusedSlots.clear();
        for (std::size_t slot = 0; slot < values.size(); ++slot) {
            if (m_hotkeys->BindHotKey(values[slot]) == 0 && values[slot] != 0) {
                m_refusedSlots.push_back(slot);
            }
        }
    };
    s.refusedHotkeySlots = [this] { return m_refusedSlots; };
    // A trial grab: a value another client holds is refused by the server. One of our own
    // registrations is not held elsewhere.
    s.hotkeyHeldElsewhere = [this](std::uint32_t value) {
        for (const x11::HotKeyRecord& record : m_hotkeys->records()) {
            if (record.value == value) {
                return false;
            }
        }
        const std::uint16_t id = m_hotkeys->BindHotKey(value);
        if (id == 0) {
            return true;
        }
        m_hotkeys->UnbindHotKey(id);
        return false;
    };
    s.releaseHotkeys = [this] { m_hotkeys->UnbindAll(); };
    s.keySymbols = [this](std::uint32_t keycode) {
        return keycode <= 0xFF ? m_hotkeys->keysymsOfKeycode(xcb_keycode_t(keycode))
                               : std::vector<std::uint32_t>{};
    };
    // A round trip: every request before it has been handled by the server.
    s.flushDisplay = [c] {
        std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    };
    s.screen = m_screen.get();
    s.windows = m_windows.get();
    setWindowOutputs(s);
    return s;
}

bool X11ShellPlatform::nativeEvent(const void* xcbEvent) {
    const auto* event = static_cast<const xcb_generic_event_t*>(xcbEvent);
    if (!m_hotkeys) {
        return false;
    }
    return m_hotkeys->handleEvent(event).has_value();
}

}  // namespace pelko
