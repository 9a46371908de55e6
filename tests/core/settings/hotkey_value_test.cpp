#include "core/settings/hotkey_value.h"

#include <gtest/gtest.h>

#include "core/settings/keys.h"

namespace pelko {
namespace {

struct SplitCase {
    std::uint32_t value;
    HotKeyParts parts;
};

TEST(HotkeyValue, SplitTakesTheKeyAndTheFourModifierBitsOnly) {
    const SplitCase cases[] = {
        {0, {0, 0}},
        {120, {0, 0x78}},                          // F9
        {24646, {MOD_CONTROL | MOD_SHIFT, 0x46}},  // Ctrl+Shift+F
        {0x8041, {MOD_ALT, 0x41}},                 // Alt+A
        {0x10046, {MOD_WIN, 0x46}},                // Win+F
        {0x1E070, {MOD_WIN | MOD_ALT | MOD_CONTROL | MOD_SHIFT, 0x70}},
        {0x20000 | 24646, {MOD_CONTROL | MOD_SHIFT, 0x46}},  // bits above Win
        {0x1F46, {0, 0x46}},                                 // bits 8 to 12
        {0xFFFFFFFF, {MOD_WIN | MOD_ALT | MOD_CONTROL | MOD_SHIFT, 0xFF}},
    };
    for (const SplitCase& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(SplitHotKey(c.value), c.parts);
        // A press is rebuilt from the parts: whatever the table does not hold is gone.
        EXPECT_EQ(joinHotKey(c.parts), c.value & 0x1E0FF);
    }
}

TEST(HotkeyValue, ShortcutTextIsWhatTheTrayMenuShows) {
    const std::pair<std::uint32_t, const char*> cases[] = {
        {120, "F9"},
        {121, "F10"},
        {0x87, "F24"},
        {24646, "Ctrl+Shift+F"},
        {0xE046, "Ctrl+Alt+Shift+F"},
        {0x8065, "Alt+Num+5"},
        {0x406B, "Ctrl+Num++"},
        {0x2021, "Shift+PgUp"},
        {0x20, "Space"},
        {0x30, "0"},
        {0xBB, "="},
        {0xDC, "\\"},
        {0x10046, "F"},             // the Win bit is not part of a menu shortcut
        {0x16046, "Ctrl+Shift+F"},  // nor are bits above the low 16
        {0x24041, "Ctrl+A"},
        {0x1F46, "F"},  // bits 8 to 12 mean nothing
        {0, ""},
        {0x6000, ""},  // modifiers without a key
        {0x4007, ""},  // a code without a key
        {0x4010, ""},  // the Shift key itself is no hotkey key
    };
    for (const auto& [value, text] : cases) {
        SCOPED_TRACE(value);
        EXPECT_EQ(shortcutText(value), text);
    }
}

// The hotkey boxes and the message about hotkeys that could not be set up name every modifier,
// the Win bit that only settings.ini can hold included.
TEST(HotkeyValue, HotkeyTextNamesTheWinBitToo) {
    const std::pair<std::uint32_t, const char*> cases[] = {
        {0x10078, "Win+F9"},
        {0x1E046, "Ctrl+Alt+Shift+Win+F"},
        {24646, "Ctrl+Shift+F"},
        {0x10000, ""},
        {0, ""},
    };
    for (const auto& [value, text] : cases) {
        SCOPED_TRACE(value);
        EXPECT_EQ(hotkeyText(value), text);
    }
}

TEST(HotkeyValue, SlotKeysHoldTheCombinationsTheirCommentsName) {
    EXPECT_EQ(shortcutText(std::uint32_t(keys::sshk.def)), "F9");
    EXPECT_EQ(shortcutText(std::uint32_t(keys::sshk.factory)), "F10");
    const char* letters = "FARETOGH";
    for (std::size_t i = 0; i < keys::hotkeySlots.size(); ++i) {
        SCOPED_TRACE(keys::hotkeySlots[i].name);
        std::string expected = std::string("Ctrl+Shift+") + letters[i];
        EXPECT_EQ(shortcutText(std::uint32_t(keys::hotkeySlots[i].def)), expected);
        EXPECT_EQ(shortcutText(std::uint32_t(keys::hotkeySlots[i].factory)), expected);
    }
}

TEST(HotkeyValue, PressStartsTheFirstSlotHoldingItsValue) {
    const HotkeySlotValues factory{121, 24646, 24641, 24658, 24645, 24660, 24655, 24647, 24648};
    HotkeySlotValues twice = factory;
    twice[6] = 24641;  // object has the active window's combination
    HotkeySlotValues unset = factory;
    unset[2] = 0;
    struct Case {
        const char* what;
        const HotkeySlotValues& values;
        std::uint32_t pressed;
        std::optional<std::size_t> slot;
    };
    const Case cases[] = {
        {"default kind", factory, 121, 0},
        {"whole screen", factory, 24646, 1},
        {"freehand", factory, 24648, 8},
        {"same value in two slots", twice, 24641, 2},
        {"value in no slot", factory, 120, std::nullopt},
        {"Win variant of a slot", factory, 0x10000 | 24646, std::nullopt},
        {"0 never matches an empty slot", unset, 0, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(slotForHotkey(c.values, c.pressed), c.slot);
    }
}

}  // namespace
}  // namespace pelko
