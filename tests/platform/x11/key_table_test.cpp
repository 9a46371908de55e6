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
        {0x41, XK_a},           {0x5A, XK_z},
        {0x30, XK_0},           {0x39, XK_9},
        {0x70, XK_F1},          {0x78, XK_F9},
        {0x87, XK_F24},         {0x60, XK_KP_0},
        {0x69, XK_KP_9},        {0x6B, XK_KP_Add},
        {0x6E, XK_KP_Decimal},  {0x0C, XK_KP_Begin},
        {0x08, XK_BackSpace},   {0x09, XK_Tab},
        {0x0D, XK_Return},      {0x1B, XK_Escape},
        {0x20, XK_space},       {0x21, XK_Prior},
        {0x22, XK_Next},        {0x25, XK_Left},
        {0x2D, XK_Insert},      {0x2E, XK_Delete},
        {0x2C, XK_Print},       {0x13, XK_Pause},
        {0x91, XK_Scroll_Lock}, {0x5D, XK_Menu},
        {0xBA, XK_semicolon},   {0xBB, XK_equal},
        {0xBD, XK_minus},       {0xC0, XK_grave},
        {0xDB, XK_bracketleft}, {0xDE, XK_apostrophe},
        {0xE2, XK_less},        {0xAD, XF86XK_AudioMute},
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
