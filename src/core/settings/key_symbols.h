#pragma once

#include <cstdint>
#include <optional>
#include <span>

// The fixed table from Windows virtual-key codes, as hotkey values store them, to X keysyms:
// letters, digits, F1 to F24, navigation, editing, numpad, punctuation keys (with their US
// layout meaning) and the common media and browser keys. Modifier keys themselves (Shift,
// Ctrl, Alt, Win) are not in it: a hotkey holds them as modifier bits.
//
// Keysyms are the numbers of the X protocol (the same on every X server and in xkbcommon), so
// the table is plain data: the X11 hotkeys grab the keys it names, and the hotkey boxes of the
// settings turn a pressed key back into its code.
namespace pelko {

struct VirtualKeySym {
    std::uint8_t virtualKey;
    std::uint32_t keysym;
};

// Every entry, in ascending order of virtual-key code; each code and each keysym appears once.
std::span<const VirtualKeySym> virtualKeyTable();

// The keysym of a virtual-key code; none for a code without a key in the table.
std::optional<std::uint32_t> keysymForVirtualKey(std::uint8_t virtualKey);

// The virtual-key code of a keysym, 0 for a keysym no hotkey can hold. A capital Latin letter
// counts as its key (Caps Lock or Shift gives the capital).
std::uint8_t virtualKeyForKeysym(std::uint32_t keysym);

// The virtual-key code of a pressed key, whatever character the modifiers made of it.
//   produced:    the keysym the press produced (Shift, Caps Lock and NumLock applied)
//   keyKeysyms:  every keysym of the pressed key in the keyboard mapping's column order
//                (unshifted first); empty where the mapping is unknown
//   shiftHeld:   whether Shift was down
// Without Shift the produced keysym names the key when the table has it: the numpad's digits
// with NumLock on, its Clear key without. Otherwise the key's first keysym that the table has
// does, so Shift+2 is the "2" key, Shift+comma the comma key, and a numpad key without NumLock
// its digit. 0 when neither names a key of the table.
std::uint8_t virtualKeyOfPress(std::uint32_t produced, std::span<const std::uint32_t> keyKeysyms,
                               bool shiftHeld);

}  // namespace pelko
