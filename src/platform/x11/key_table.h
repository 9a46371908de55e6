#pragma once

#include <xcb/xproto.h>

#include <cstdint>
#include <optional>
#include <span>

// The fixed table from Windows virtual-key codes, as hotkey values store them, to X keysyms:
// letters, digits, F1 to F24, navigation, editing, numpad, punctuation keys (with their US
// layout meaning) and the common media and browser keys. Modifier keys themselves (Shift,
// Ctrl, Alt, Win) are not in it: a hotkey holds them as modifier bits.
namespace pelko::x11 {

struct VirtualKeySym {
    std::uint8_t virtualKey;
    xcb_keysym_t keysym;
};

// Every entry, in ascending order of virtual-key code; each code appears once.
std::span<const VirtualKeySym> virtualKeyTable();

// The keysym of a virtual-key code; none for a code without a key in the table.
std::optional<xcb_keysym_t> keysymForVirtualKey(std::uint8_t virtualKey);

}  // namespace pelko::x11
