#include "platform/wayland/portal_hotkeys.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "platform/wayland/portal_global_shortcuts.h"
#include "platform/wayland/shortcut_trigger.h"

namespace pelko::wayland {

namespace {

struct SlotShortcut {
    std::string_view id;
    std::string_view description;
};

// In slot order, with the captions the tray menu gives the slots.
constexpr std::array<SlotShortcut, kHotkeySlotCount> kSlotShortcuts{{
    {"capture-with-settings", "Capture with your settings"},
    {"capture-screen", "Capture whole screen"},
    {"capture-window", "Capture active window"},
    {"capture-rectangle", "Capture rectangular area"},
    {"capture-ellipse", "Capture elliptic area"},
    {"capture-rounded-rect", "Capture rounded rect"},
    {"capture-object", "Capture object"},
    {"capture-fixed-region", "Capture fixed region"},
    {"capture-freehand", "Capture freehand region"},
}};

}  // namespace

std::string shortcutIdOfSlot(std::size_t slot) {
    return std::string(kSlotShortcuts.at(slot).id);
}

std::optional<std::size_t> slotOfShortcutId(const std::string& id) {
    for (std::size_t slot = 0; slot < kSlotShortcuts.size(); ++slot) {
        if (kSlotShortcuts[slot].id == id) {
            return slot;
        }
    }
    return std::nullopt;
}

std::vector<PortalShortcut> hotkeyShortcuts(const HotkeySlotValues& values) {
    std::vector<PortalShortcut> shortcuts;
    for (std::size_t slot = 0; slot < values.size(); ++slot) {
        if (values[slot] != 0) {
            shortcuts.push_back({std::string(kSlotShortcuts[slot].id),
                                 std::string(kSlotShortcuts[slot].description),
                                 portalTrigger(values[slot])});
        }
    }
    return shortcuts;
}

PortalHotkeys::PortalHotkeys(int answerTimeoutMs) : m_timeoutMs(answerTimeoutMs) {}

PortalHotkeys::~PortalHotkeys() = default;

std::vector<std::size_t> PortalHotkeys::bind(const HotkeySlotValues& values) {
    release();
    const std::vector<PortalShortcut> shortcuts = hotkeyShortcuts(values);
    if (shortcuts.empty()) {
        return {};
    }
    auto session = std::make_unique<GlobalShortcutsSession>(m_timeoutMs);
    const std::vector<std::string> bound = session->bind(shortcuts);
    std::vector<std::size_t> refused;
    for (std::size_t slot = 0; slot < values.size(); ++slot) {
        if (values[slot] != 0 &&
            std::find(bound.begin(), bound.end(), shortcutIdOfSlot(slot)) == bound.end()) {
            refused.push_back(slot);
        }
    }
    m_values = values;
    if (refused.size() < shortcuts.size()) {
        m_session = std::move(session);
    }
    return refused;
}

void PortalHotkeys::release() {
    m_session.reset();
    m_values = {};
}

int PortalHotkeys::fileDescriptor() const {
    return m_session ? m_session->fileDescriptor() : -1;
}

void PortalHotkeys::dispatch(
    const std::function<void(std::uint32_t value, std::size_t slot)>& onPress) {
    if (!m_session) {
        return;
    }
    // A press handler may bind again: the presses are collected first.
    std::vector<std::size_t> pressed;
    const bool connected = m_session->dispatch([&pressed](const std::string& id) {
        if (const auto slot = slotOfShortcutId(id)) {
            pressed.push_back(*slot);
        }
    });
    if (!connected) {
        // The bus is gone, and with it the session: its socket would stay readable for ever.
        m_session.reset();
    }
    const HotkeySlotValues values = m_values;
    for (std::size_t slot : pressed) {
        if (values[slot] != 0) {
            onPress(values[slot], slot);
        }
    }
}

}  // namespace pelko::wayland
