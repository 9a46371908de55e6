#include "platform/x11/key_table.h"

#include <X11/XF86keysym.h>
#include <X11/keysym.h>

#include <algorithm>
#include <array>

namespace pelko::x11 {

namespace {

constexpr VirtualKeySym kNamedKeys[] = {
    {0x08, XK_BackSpace},
    {0x09, XK_Tab},
    {0x0C, XK_KP_Begin},  // VK_CLEAR: what the numpad 5 gives without NumLock
    {0x0D, XK_Return},
    {0x13, XK_Pause},
    {0x14, XK_Caps_Lock},
    {0x1B, XK_Escape},
    {0x20, XK_space},
    {0x21, XK_Prior},
    {0x22, XK_Next},
    {0x23, XK_End},
    {0x24, XK_Home},
    {0x25, XK_Left},
    {0x26, XK_Up},
    {0x27, XK_Right},
    {0x28, XK_Down},
    {0x29, XK_Select},
    {0x2B, XK_Execute},
    {0x2C, XK_Print},  // VK_SNAPSHOT, the Print Screen key
    {0x2D, XK_Insert},
    {0x2E, XK_Delete},
    {0x2F, XK_Help},
    {0x5D, XK_Menu},  // VK_APPS
    {0x5F, XF86XK_Sleep},
    {0x6A, XK_KP_Multiply},
    {0x6B, XK_KP_Add},
    {0x6C, XK_KP_Separator},
    {0x6D, XK_KP_Subtract},
    {0x6E, XK_KP_Decimal},
    {0x6F, XK_KP_Divide},
    {0x90, XK_Num_Lock},
    {0x91, XK_Scroll_Lock},
    {0xA6, XF86XK_Back},
    {0xA7, XF86XK_Forward},
    {0xA8, XF86XK_Reload},  // VK_BROWSER_REFRESH: the refresh key of PC keyboards
    {0xA9, XF86XK_Stop},
    {0xAA, XF86XK_Search},
    {0xAB, XF86XK_Favorites},
    {0xAC, XF86XK_HomePage},
    {0xAD, XF86XK_AudioMute},
    {0xAE, XF86XK_AudioLowerVolume},
    {0xAF, XF86XK_AudioRaiseVolume},
    {0xB0, XF86XK_AudioNext},
    {0xB1, XF86XK_AudioPrev},
    {0xB2, XF86XK_AudioStop},
    {0xB3, XF86XK_AudioPlay},  // VK_MEDIA_PLAY_PAUSE
    {0xB4, XF86XK_Mail},
    {0xB5, XF86XK_AudioMedia},
    {0xB6, XF86XK_MyComputer},  // VK_LAUNCH_APP1
    {0xB7, XF86XK_Calculator},  // VK_LAUNCH_APP2
    {0xBA, XK_semicolon},       // VK_OEM_1
    {0xBB, XK_equal},           // VK_OEM_PLUS
    {0xBC, XK_comma},
    {0xBD, XK_minus},
    {0xBE, XK_period},
    {0xBF, XK_slash},         // VK_OEM_2
    {0xC0, XK_grave},         // VK_OEM_3
    {0xDB, XK_bracketleft},   // VK_OEM_4
    {0xDC, XK_backslash},     // VK_OEM_5
    {0xDD, XK_bracketright},  // VK_OEM_6
    {0xDE, XK_apostrophe},    // VK_OEM_7
    {0xE2, XK_less},          // VK_OEM_102, the extra key of 102-key keyboards
};

constexpr auto makeTable() {
    constexpr std::size_t size = 10 + 26 + 10 + 24 + std::size(kNamedKeys);
    std::array<VirtualKeySym, size> t{};
    std::size_t n = 0;
    for (std::uint8_t i = 0; i < 10; ++i) {
        t[n++] = {std::uint8_t(0x30 + i), xcb_keysym_t(XK_0 + i)};
        t[n++] = {std::uint8_t(0x60 + i), xcb_keysym_t(XK_KP_0 + i)};
    }
    for (std::uint8_t i = 0; i < 26; ++i) {
        t[n++] = {std::uint8_t(0x41 + i), xcb_keysym_t(XK_a + i)};
    }
    for (std::uint8_t i = 0; i < 24; ++i) {
        t[n++] = {std::uint8_t(0x70 + i), xcb_keysym_t(XK_F1 + i)};
    }
    for (const VirtualKeySym& k : kNamedKeys) {
        t[n++] = k;
    }
    std::sort(t.begin(), t.end(), [](const VirtualKeySym& a, const VirtualKeySym& b) {
        return a.virtualKey < b.virtualKey;
    });
    return t;
}

constexpr auto kTable = makeTable();

}  // namespace

std::span<const VirtualKeySym> virtualKeyTable() {
    return kTable;
}

std::optional<xcb_keysym_t> keysymForVirtualKey(std::uint8_t virtualKey) {
    auto it =
        std::lower_bound(kTable.begin(), kTable.end(), virtualKey,
                         [](const VirtualKeySym& e, std::uint8_t vk) { return e.virtualKey < vk; });
    if (it == kTable.end() || it->virtualKey != virtualKey) {
        return std::nullopt;
    }
    return it->keysym;
}

}  // namespace pelko::x11
