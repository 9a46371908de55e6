#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/settings/hotkey_value.h"

namespace pelko::wayland {

class GlobalShortcutsSession;
struct PortalShortcut;

// The shortcut id of a hotkey slot ("capture-screen" for slot 1), and the slot of an id.
std::string shortcutIdOfSlot(std::size_t slot);
std::optional<std::size_t> slotOfShortcutId(const std::string& id);

// The shortcuts asked of the portal for the slots' values: one for each non-zero value, with
// the slot's caption and the value's trigger.
std::vector<PortalShortcut> hotkeyShortcuts(const HotkeySlotValues& values);

// The nine hotkey slots through the desktop portal's GlobalShortcuts interface: each binding
// opens a new session (closing the last one), and presses come back as the slots' values.
class PortalHotkeys {
  public:
    // answerTimeoutMs bounds each wait for the portal.
    explicit PortalHotkeys(int answerTimeoutMs);
    ~PortalHotkeys();

    // Releases the earlier binding and binds the non-zero values; the slots the portal did not
    // bind, in slot order. Throws pelko::Error, with nothing bound, when the desktop offers no
    // portal, or it refuses, is cancelled or does not answer in time.
    std::vector<std::size_t> bind(const HotkeySlotValues& values);
    void release();

    // Whether a session holds keys now; its socket to watch (-1 without one).
    bool active() const { return m_session != nullptr; }
    int fileDescriptor() const;

    // Calls onPress with the slot's value and slot for every press the portal reported. When the
    // bus has closed the connection, the session ends (active() turns false).
    void dispatch(const std::function<void(std::uint32_t value, std::size_t slot)>& onPress);

  private:
    int m_timeoutMs;
    HotkeySlotValues m_values{};
    std::unique_ptr<GlobalShortcutsSession> m_session;
};

}  // namespace pelko::wayland
