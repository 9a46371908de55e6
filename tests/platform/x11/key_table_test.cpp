// The virtual-key table of hotkeys: pure data, no display.

#include "platform/x11/key_table.h"

#include <X11/XF86keysym.h>
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <set>

#include "core/settings/hotkey_value.h"

namespace pelko::x11 {
namespace {

TEST(KeyTable, VirtualKeysMapToTheKeysymsOfTheSameKeys) {
    const std::pair<std::uint8_t, xcb_keysym_t> cases[] = {
        {0x41, XK_a},
        {0x5A, XK_z},
        {0x30, XK_0},
        {0x39, XK_9},
        {0x70, XK_F1},
        {0x78, XK_F9},
        {0x87, XK_F24},
        {0x60, XK_KP_0},
        {0x69, XK_KP_9},
        {0x6B, XK_KP_Add},
        {0x6E, XK_KP_Decimal},
        {0x0C, XK_KP_Begin},
        {0x08, XK_BackSpace},
        {0x09, XK_Tab},
        {0x0D, XK_Return},
        {0x1B, XK_Escape},
        {0x20, XK_space},
        {0x21, XK_Prior},
        {0x22, XK_Next},
        {0x25, XK_Left},
        {0x2D, XK_Insert},
        {0x2E, XK_Delete},
        {0x2C, XK_Print},
        {0x13, XK_Pause},
        {0x91, XK_Scroll_Lock},
        {0x5D, XK_Menu},
        {0xBA, XK_semicolon},
        {0xBB, XK_equal},
        {0xBD, XK_minus},
        {0xC0, XK_grave},
        {0xDB, XK_bracketleft},
        {0xDE, XK_apostrophe},
        {0xE2, XK_less},
        {0xAD, XF86XK_AudioMute},
        // The table keeps the numbers; these are the names X gives them.
        {0x14, XK_Caps_Lock},
        {0x23, XK_End},
        {0x24, XK_Home},
        {0x26, XK_Up},
        {0x27, XK_Right},
        {0x28, XK_Down},
        {0x29, XK_Select},
        {0x2B, XK_Execute},
        {0x2F, XK_Help},
        {0x6A, XK_KP_Multiply},
        {0x6C, XK_KP_Separator},
        {0x6D, XK_KP_Subtract},
        {0x6F, XK_KP_Divide},
        {0x90, XK_Num_Lock},
        {0xBC, XK_comma},
        {0xBE, XK_period},
        {0xBF, XK_slash},
        {0xDC, XK_backslash},
        {0xDD, XK_bracketright},
        {0x5F, XF86XK_Sleep},
        {0xA6, XF86XK_Back},
        {0xA7, XF86XK_Forward},
        {0xA8, XF86XK_Reload},
        {0xA9, XF86XK_Stop},
        {0xAA, XF86XK_Search},
        {0xAB, XF86XK_Favorites},
        {0xAC, XF86XK_HomePage},
        {0xAE, XF86XK_AudioLowerVolume},
        {0xAF, XF86XK_AudioRaiseVolume},
        {0xB0, XF86XK_AudioNext},
        {0xB1, XF86XK_AudioPrev},
        {0xB2, XF86XK_AudioStop},
        {0xB3, XF86XK_AudioPlay},
        {0xB4, XF86XK_Mail},
        {0xB5, XF86XK_AudioMedia},
        {0xB6, XF86XK_MyComputer},
        {0xB7, XF86XK_Calculator},
    };
    for (const auto& [vk, sym] : cases) {
        SCOPED_TRACE(int(vk));
        EXPECT_EQ(keysymForVirtualKey(vk), sym);
    }
    // Undefined codes, and the modifier keys, which a hotkey holds as modifier bits.
    for (std::uint8_t vk : {0x00, 0x07, 0x10, 0x11, 0x12, 0x5B, 0x5C, 0xA0, 0xFF}) {
        SCOPED_TRACE(int(vk));
        EXPECT_EQ(keysymForVirtualKey(vk), std::nullopt);
    }
}

// Two codes with one keysym would grab the same keys, so the second could never be bound; and
// every key that can be grabbed has the name the tray menu shows for it, and back.
TEST(KeyTable, EachKeysymOnceAndEveryKeyNamed) {
    std::set<xcb_keysym_t> keysyms;
    int previous = -1;
    for (const VirtualKeySym& e : virtualKeyTable()) {
        SCOPED_TRACE(int(e.virtualKey));
        EXPECT_GT(int(e.virtualKey), previous);
        previous = e.virtualKey;
        EXPECT_TRUE(keysyms.insert(e.keysym).second);
    }
    for (int vk = 0; vk < 256; ++vk) {
        SCOPED_TRACE(vk);
        EXPECT_EQ(keysymForVirtualKey(std::uint8_t(vk)).has_value(),
                  !virtualKeyName(std::uint8_t(vk)).empty());
    }
}

}  // namespace
}  // namespace pelko::x11
