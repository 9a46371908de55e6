// From a pressed key to the virtual-key code a hotkey stores: the key counts, not the
// character Shift, Caps Lock or NumLock make of it.
#include "core/settings/key_symbols.h"

#include <gtest/gtest.h>

#include <vector>

namespace pelko {
namespace {

TEST(KeySymbols, EveryKeysymOfTheTableNamesItsKey) {
    for (const VirtualKeySym& e : virtualKeyTable()) {
        SCOPED_TRACE(int(e.virtualKey));
        EXPECT_EQ(virtualKeyForKeysym(e.keysym), e.virtualKey);
        EXPECT_EQ(keysymForVirtualKey(e.virtualKey), e.keysym);
    }
    EXPECT_EQ(virtualKeyForKeysym(0x41), 0x41);  // XK_A: the A key with Shift or Caps Lock
    EXPECT_EQ(virtualKeyForKeysym(0x5A), 0x5A);  // XK_Z
    for (std::uint32_t keysym : {0x40u, 0x21u, 0x5Fu, 0xFF9Cu, 0xFFE1u, 0x6C6u, 0u}) {
        SCOPED_TRACE(keysym);  // @, !, _, KP_End, Shift_L, Cyrillic_ef, none
        EXPECT_EQ(virtualKeyForKeysym(keysym), 0);
    }
}

TEST(KeySymbols, APressIsTheKeyWhateverItProduced) {
    struct Case {
        const char* what;
        std::uint32_t produced;
        std::vector<std::uint32_t> keysyms;  // of the key, column by column
        bool shift;
        std::uint8_t virtualKey;
    };
    const Case cases[] = {
        {"Shift+2", 0x40, {0x32, 0x40}, true, 0x32},
        {"Shift+1", 0x21, {0x31, 0x21}, true, 0x31},
        {"Shift+minus", 0x5F, {0x2D, 0x5F}, true, 0xBD},
        {"Shift+comma, not the < key", 0x3C, {0x2C, 0x3C}, true, 0xBC},
        {"Shift+< of 102 keys", 0x3E, {0x3C, 0x3E, 0x7C, 0xA6}, true, 0xE2},
        {"<  of 102 keys", 0x3C, {0x3C, 0x3E, 0x7C, 0xA6}, false, 0xE2},
        {"semicolon", 0x3B, {0x3B, 0x3A}, false, 0xBA},
        {"Shift+F9", 0xFFC6, {0xFFC6}, true, 0x78},
        {"Caps Lock a", 0x41, {0x61, 0x41}, false, 0x41},
        {"KP_1 with NumLock", 0xFFB1, {0xFF9C, 0xFFB1}, false, 0x61},
        {"KP_1 without NumLock", 0xFF9C, {0xFF9C, 0xFFB1}, false, 0x61},
        {"Shift+KP_1 with NumLock", 0xFF9C, {0xFF9C, 0xFFB1}, true, 0x61},
        {"KP_5 without NumLock: Clear", 0xFF9D, {0xFF9D, 0xFFB5}, false, 0x0C},
        {"Shift+2 of AZERTY (é, 2)", 0x32, {0xE9, 0x32}, true, 0x32},
        {"a in a Cyrillic group", 0x6C6, {0x61, 0x41, 0x6C6, 0x6E6}, false, 0x41},
        {"Shift+F9, mapping unknown", 0xFFC6, {}, true, 0x78},
        {"Shift+2, mapping unknown", 0x40, {}, true, 0},
        {"Shift alone", 0xFFE1, {0xFFE1}, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(int(virtualKeyOfPress(c.produced, c.keysyms, c.shift)), int(c.virtualKey));
    }
}

}  // namespace
}  // namespace pelko
