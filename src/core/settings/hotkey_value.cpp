#include "core/settings/hotkey_value.h"

#include <utility>

namespace pelko {

namespace {

// Names as Qt writes the same keys in a shortcut text, so that the tray menu and the hotkey
// boxes of the settings dialogs agree. Punctuation keys carry their US layout meaning.
constexpr std::array<std::string_view, 256> makeKeyNames() {
    std::array<std::string_view, 256> n{};
    constexpr std::string_view letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    constexpr std::string_view digits = "0123456789";
    constexpr std::array<std::string_view, 10> numpad{"Num+0", "Num+1", "Num+2", "Num+3", "Num+4",
                                                      "Num+5", "Num+6", "Num+7", "Num+8", "Num+9"};
    constexpr std::array<std::string_view, 24> functionKeys{
        "F1",  "F2",  "F3",  "F4",  "F5",  "F6",  "F7",  "F8",  "F9",  "F10", "F11", "F12",
        "F13", "F14", "F15", "F16", "F17", "F18", "F19", "F20", "F21", "F22", "F23", "F24"};
    for (std::size_t i = 0; i < letters.size(); ++i) {
        n[0x41 + i] = letters.substr(i, 1);
    }
    for (std::size_t i = 0; i < digits.size(); ++i) {
        n[0x30 + i] = digits.substr(i, 1);
        n[0x60 + i] = numpad[i];
    }
    for (std::size_t i = 0; i < functionKeys.size(); ++i) {
        n[0x70 + i] = functionKeys[i];
    }
    n[0x08] = "Backspace";
    n[0x09] = "Tab";
    n[0x0C] = "Clear";
    n[0x0D] = "Return";
    n[0x13] = "Pause";
    n[0x14] = "CapsLock";
    n[0x1B] = "Esc";
    n[0x20] = "Space";
    n[0x21] = "PgUp";
    n[0x22] = "PgDown";
    n[0x23] = "End";
    n[0x24] = "Home";
    n[0x25] = "Left";
    n[0x26] = "Up";
    n[0x27] = "Right";
    n[0x28] = "Down";
    n[0x29] = "Select";
    n[0x2B] = "Execute";
    n[0x2C] = "Print";
    n[0x2D] = "Ins";
    n[0x2E] = "Del";
    n[0x2F] = "Help";
    n[0x5D] = "Menu";
    n[0x5F] = "Sleep";
    n[0x6A] = "Num+*";
    n[0x6B] = "Num++";
    n[0x6C] = "Num+,";
    n[0x6D] = "Num+-";
    n[0x6E] = "Num+.";
    n[0x6F] = "Num+/";
    n[0x90] = "NumLock";
    n[0x91] = "ScrollLock";
    n[0xA6] = "Back";
    n[0xA7] = "Forward";
    n[0xA8] = "Reload";
    n[0xA9] = "Stop";
    n[0xAA] = "Search";
    n[0xAB] = "Favorites";
    n[0xAC] = "Home Page";
    n[0xAD] = "Volume Mute";
    n[0xAE] = "Volume Down";
    n[0xAF] = "Volume Up";
    n[0xB0] = "Media Next";
    n[0xB1] = "Media Previous";
    n[0xB2] = "Media Stop";
    n[0xB3] = "Media Play";
    n[0xB4] = "Launch Mail";
    n[0xB5] = "Launch Media";
    n[0xB6] = "Launch (0)";
    n[0xB7] = "Launch (1)";
    n[0xBA] = ";";
    n[0xBB] = "=";
    n[0xBC] = ",";
    n[0xBD] = "-";
    n[0xBE] = ".";
    n[0xBF] = "/";
    n[0xC0] = "`";
    n[0xDB] = "[";
    n[0xDC] = "\\";
    n[0xDD] = "]";
    n[0xDE] = "'";
    n[0xE2] = "<";
    return n;
}

constexpr std::array<std::string_view, 256> kKeyNames = makeKeyNames();

}  // namespace

HotKeyParts SplitHotKey(std::uint32_t value) {
    HotKeyParts parts;
    parts.virtualKey = std::uint8_t(value & kHotkeyKeyMask);
    if (value & kHotkeyWin) {
        parts.modifiers |= MOD_WIN;
    }
    if (value & kHotkeyAlt) {
        parts.modifiers |= MOD_ALT;
    }
    if (value & kHotkeyCtrl) {
        parts.modifiers |= MOD_CONTROL;
    }
    if (value & kHotkeyShift) {
        parts.modifiers |= MOD_SHIFT;
    }
    return parts;
}

std::uint32_t joinHotKey(HotKeyParts parts) {
    std::uint32_t value = parts.virtualKey;
    if (parts.modifiers & MOD_SHIFT) {
        value |= kHotkeyShift;
    }
    if (parts.modifiers & MOD_CONTROL) {
        value |= kHotkeyCtrl;
    }
    if (parts.modifiers & MOD_ALT) {
        value |= kHotkeyAlt;
    }
    if (parts.modifiers & MOD_WIN) {
        value |= kHotkeyWin;
    }
    return value;
}

std::string_view virtualKeyName(std::uint8_t virtualKey) {
    return kKeyNames[virtualKey];
}

std::string modifierPrefix(std::uint32_t value, std::string_view ctrl, std::string_view alt,
                           std::string_view shift, std::string_view win) {
    std::string text;
    for (const auto& [bit, name] : {std::pair{kHotkeyCtrl, ctrl}, std::pair{kHotkeyAlt, alt},
                                    std::pair{kHotkeyShift, shift}, std::pair{kHotkeyWin, win}}) {
        if (value & bit) {
            text += name;
        }
    }
    return text;
}

std::string shortcutText(std::uint32_t value) {
    std::string_view name = virtualKeyName(std::uint8_t(value & kHotkeyKeyMask));
    if (name.empty()) {
        return {};
    }
    return modifierPrefix(value, "Ctrl+", "Alt+", "Shift+", {}) + std::string(name);
}

std::string hotkeyText(std::uint32_t value) {
    std::string_view name = virtualKeyName(std::uint8_t(value & kHotkeyKeyMask));
    if (name.empty()) {
        return {};
    }
    return modifierPrefix(value, "Ctrl+", "Alt+", "Shift+", "Win+") + std::string(name);
}

std::optional<std::size_t> slotForHotkey(const HotkeySlotValues& values, std::uint32_t pressed) {
    if (pressed == 0) {
        return std::nullopt;
    }
    for (std::size_t slot = 0; slot < values.size(); ++slot) {
        if (values[slot] == pressed) {
            return slot;
        }
    }
    return std::nullopt;
}

}  // namespace pelko
