#include "platform/wayland/shortcut_trigger.h"

#include <array>
#include <string_view>

#include "core/settings/hotkey_value.h"

namespace pelko::wayland {

namespace {

// Keysym names of the virtual-key codes hotkey values store, as xkbcommon spells them, where
// they differ from the names of a shortcut text: letters, digits and F1 to F24 are named alike.
constexpr std::array<std::string_view, 256> makeKeysymNames() {
    std::array<std::string_view, 256> n{};
    constexpr std::array<std::string_view, 10> numpad{"KP_0", "KP_1", "KP_2", "KP_3", "KP_4",
                                                      "KP_5", "KP_6", "KP_7", "KP_8", "KP_9"};
    for (std::size_t i = 0; i < numpad.size(); ++i) {
        n[0x60 + i] = numpad[i];
    }
    n[0x08] = "BackSpace";
    n[0x09] = "Tab";
    n[0x0C] = "Clear";
    n[0x0D] = "Return";
    n[0x13] = "Pause";
    n[0x14] = "Caps_Lock";
    n[0x1B] = "Escape";
    n[0x20] = "space";
    n[0x21] = "Prior";
    n[0x22] = "Next";
    n[0x23] = "End";
    n[0x24] = "Home";
    n[0x25] = "Left";
    n[0x26] = "Up";
    n[0x27] = "Right";
    n[0x28] = "Down";
    n[0x29] = "Select";
    n[0x2B] = "Execute";
    n[0x2C] = "Print";
    n[0x2D] = "Insert";
    n[0x2E] = "Delete";
    n[0x2F] = "Help";
    n[0x5D] = "Menu";
    n[0x5F] = "XF86Sleep";
    n[0x6A] = "KP_Multiply";
    n[0x6B] = "KP_Add";
    n[0x6C] = "KP_Separator";
    n[0x6D] = "KP_Subtract";
    n[0x6E] = "KP_Decimal";
    n[0x6F] = "KP_Divide";
    n[0x90] = "Num_Lock";
    n[0x91] = "Scroll_Lock";
    n[0xA6] = "XF86Back";
    n[0xA7] = "XF86Forward";
    n[0xA8] = "XF86Reload";
    n[0xA9] = "XF86Stop";
    n[0xAA] = "XF86Search";
    n[0xAB] = "XF86Favorites";
    n[0xAC] = "XF86HomePage";
    n[0xAD] = "XF86AudioMute";
    n[0xAE] = "XF86AudioLowerVolume";
    n[0xAF] = "XF86AudioRaiseVolume";
    n[0xB0] = "XF86AudioNext";
    n[0xB1] = "XF86AudioPrev";
    n[0xB2] = "XF86AudioStop";
    n[0xB3] = "XF86AudioPlay";
    n[0xB4] = "XF86Mail";
    n[0xB5] = "XF86AudioMedia";
    n[0xB6] = "XF86Launch0";
    n[0xB7] = "XF86Launch1";
    n[0xBA] = "semicolon";
    n[0xBB] = "equal";
    n[0xBC] = "comma";
    n[0xBD] = "minus";
    n[0xBE] = "period";
    n[0xBF] = "slash";
    n[0xC0] = "grave";
    n[0xDB] = "bracketleft";
    n[0xDC] = "backslash";
    n[0xDD] = "bracketright";
    n[0xDE] = "apostrophe";
    n[0xE2] = "less";
    return n;
}

constexpr std::array<std::string_view, 256> kKeysymNames = makeKeysymNames();

}  // namespace

std::string portalTrigger(std::uint32_t hotkeyValue) {
    const std::uint8_t virtualKey = std::uint8_t(hotkeyValue & kHotkeyKeyMask);
    const bool namedAlike = (virtualKey >= '0' && virtualKey <= '9') ||
                            (virtualKey >= 'A' && virtualKey <= 'Z') ||
                            (virtualKey >= 0x70 && virtualKey <= 0x87);
    const std::string_view key = namedAlike ? virtualKeyName(virtualKey) : kKeysymNames[virtualKey];
    if (key.empty()) {
        return {};
    }
    return modifierPrefix(hotkeyValue, "CTRL+", "ALT+", "SHIFT+", "LOGO+") + std::string(key);
}

}  // namespace pelko::wayland
