#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Hotkey values as settings.ini stores them, and the nine hotkey slots of the main window.
//
// A value is an unsigned 32-bit integer: the Windows virtual-key code of the key in bits 0 to 7
// and the modifier bits below. Its low 16 bits have the layout of a menu shortcut word, so the
// same value is shown as a menu shortcut; the Win bit can only come from settings.ini.
// Examples: 120 is F9, 121 is F10, 24646 (0x6046) is Ctrl+Shift+F.
namespace pelko {

inline constexpr std::uint32_t kHotkeyKeyMask = 0xFF;
inline constexpr std::uint32_t kHotkeyShift = 0x2000;
inline constexpr std::uint32_t kHotkeyCtrl = 0x4000;
inline constexpr std::uint32_t kHotkeyAlt = 0x8000;
inline constexpr std::uint32_t kHotkeyWin = 0x10000;

// Modifier flags of a registration, numbered as the Windows hotkey interface numbers them.
inline constexpr std::uint32_t MOD_ALT = 1;
inline constexpr std::uint32_t MOD_CONTROL = 2;
inline constexpr std::uint32_t MOD_SHIFT = 4;
inline constexpr std::uint32_t MOD_WIN = 8;

struct HotKeyParts {
    std::uint32_t modifiers = 0;  // MOD_* flags
    std::uint8_t virtualKey = 0;
    bool operator==(const HotKeyParts&) const = default;
};

// The virtual-key code and the modifier flags of a value; bits outside the table are ignored.
HotKeyParts SplitHotKey(std::uint32_t value);

// The value of a key pressed with the given MOD_* flags: what a press is compared with. For a
// value without other bits, joinHotKey(SplitHotKey(value)) == value.
std::uint32_t joinHotKey(HotKeyParts parts);

// The name of a virtual key in a shortcut text ("F9", "A", "PgUp", "Num+5"); empty for a code
// that stands for no key we know.
std::string_view virtualKeyName(std::uint8_t virtualKey);

// The names of a value's modifiers, each given with its separator, in the order Ctrl, Alt,
// Shift, Win ("Ctrl+Shift+"); an empty name leaves its modifier out.
std::string modifierPrefix(std::uint32_t value, std::string_view ctrl, std::string_view alt,
                           std::string_view shift, std::string_view win);

// The text of a value as a menu shows its shortcut: its low 16 bits with Qt's names and order
// of modifiers ("Ctrl+Shift+F", "Alt+Num+5"), so the Win bit never appears. Empty when the
// key has no name (0 among them).
std::string shortcutText(std::uint32_t value);

// The text of a value with all its modifiers, the Win bit included ("Win+F9",
// "Ctrl+Shift+F"), as the hotkey boxes and the message about hotkeys that could not be set up
// show it. Empty when the key has no name (0 among them).
std::string hotkeyText(std::uint32_t value);

// The nine hotkey slots: slot 0 holds main/sshk, slots 1 to 8 the [hotkeys] keys.
inline constexpr std::size_t kHotkeySlotCount = 9;
using HotkeySlotValues = std::array<std::uint32_t, kHotkeySlotCount>;

// The first slot whose value is the pressed one; none when no slot holds it. 0 is no hotkey,
// so it matches no slot.
std::optional<std::size_t> slotForHotkey(const HotkeySlotValues& values, std::uint32_t pressed);

}  // namespace pelko
