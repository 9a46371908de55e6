#include "core/settings/key_symbols.h"

#include <algorithm>
#include <array>

namespace pelko {

namespace {

// X keysym numbers (X11/keysymdef.h and X11/XF86keysym.h).
constexpr std::uint32_t kKeysym0 = 0x0030;        // XK_0
constexpr std::uint32_t kKeysymA = 0x0041;        // XK_A
constexpr std::uint32_t kKeysymZ = 0x005A;        // XK_Z
constexpr std::uint32_t kKeysymLowerA = 0x0061;   // XK_a
constexpr std::uint32_t kKeysymNumpad0 = 0xFFB0;  // XK_KP_0
constexpr std::uint32_t kKeysymF1 = 0xFFBE;       // XK_F1

constexpr VirtualKeySym kNamedKeys[] = {
    {0x08, 0xFF08},      // XK_BackSpace
    {0x09, 0xFF09},      // XK_Tab
    {0x0C, 0xFF9D},      // XK_KP_Begin, VK_CLEAR: what the numpad 5 gives without NumLock
    {0x0D, 0xFF0D},      // XK_Return
    {0x13, 0xFF13},      // XK_Pause
    {0x14, 0xFFE5},      // XK_Caps_Lock
    {0x1B, 0xFF1B},      // XK_Escape
    {0x20, 0x0020},      // XK_space
    {0x21, 0xFF55},      // XK_Prior
    {0x22, 0xFF56},      // XK_Next
    {0x23, 0xFF57},      // XK_End
    {0x24, 0xFF50},      // XK_Home
    {0x25, 0xFF51},      // XK_Left
    {0x26, 0xFF52},      // XK_Up
    {0x27, 0xFF53},      // XK_Right
    {0x28, 0xFF54},      // XK_Down
    {0x29, 0xFF60},      // XK_Select
    {0x2B, 0xFF62},      // XK_Execute
    {0x2C, 0xFF61},      // XK_Print, VK_SNAPSHOT: the Print Screen key
    {0x2D, 0xFF63},      // XK_Insert
    {0x2E, 0xFFFF},      // XK_Delete
    {0x2F, 0xFF6A},      // XK_Help
    {0x5D, 0xFF67},      // XK_Menu, VK_APPS
    {0x5F, 0x1008FF2F},  // XF86XK_Sleep
    {0x6A, 0xFFAA},      // XK_KP_Multiply
    {0x6B, 0xFFAB},      // XK_KP_Add
    {0x6C, 0xFFAC},      // XK_KP_Separator
    {0x6D, 0xFFAD},      // XK_KP_Subtract
    {0x6E, 0xFFAE},      // XK_KP_Decimal
    {0x6F, 0xFFAF},      // XK_KP_Divide
    {0x90, 0xFF7F},      // XK_Num_Lock
    {0x91, 0xFF14},      // XK_Scroll_Lock
    {0xA6, 0x1008FF26},  // XF86XK_Back
    {0xA7, 0x1008FF27},  // XF86XK_Forward
    {0xA8, 0x1008FF73},  // XF86XK_Reload, VK_BROWSER_REFRESH: the refresh key of PC keyboards
    {0xA9, 0x1008FF28},  // XF86XK_Stop
    {0xAA, 0x1008FF1B},  // XF86XK_Search
    {0xAB, 0x1008FF30},  // XF86XK_Favorites
    {0xAC, 0x1008FF18},  // XF86XK_HomePage
    {0xAD, 0x1008FF12},  // XF86XK_AudioMute
    {0xAE, 0x1008FF11},  // XF86XK_AudioLowerVolume
    {0xAF, 0x1008FF13},  // XF86XK_AudioRaiseVolume
    {0xB0, 0x1008FF17},  // XF86XK_AudioNext
    {0xB1, 0x1008FF16},  // XF86XK_AudioPrev
    {0xB2, 0x1008FF15},  // XF86XK_AudioStop
    {0xB3, 0x1008FF14},  // XF86XK_AudioPlay, VK_MEDIA_PLAY_PAUSE
    {0xB4, 0x1008FF19},  // XF86XK_Mail
    {0xB5, 0x1008FF32},  // XF86XK_AudioMedia
    {0xB6, 0x1008FF33},  // XF86XK_MyComputer, VK_LAUNCH_APP1
    {0xB7, 0x1008FF1D},  // XF86XK_Calculator, VK_LAUNCH_APP2
    {0xBA, 0x003B},      // XK_semicolon, VK_OEM_1
    {0xBB, 0x003D},      // XK_equal, VK_OEM_PLUS
    {0xBC, 0x002C},      // XK_comma
    {0xBD, 0x002D},      // XK_minus
    {0xBE, 0x002E},      // XK_period
    {0xBF, 0x002F},      // XK_slash, VK_OEM_2
    {0xC0, 0x0060},      // XK_grave, VK_OEM_3
    {0xDB, 0x005B},      // XK_bracketleft, VK_OEM_4
    {0xDC, 0x005C},      // XK_backslash, VK_OEM_5
    {0xDD, 0x005D},      // XK_bracketright, VK_OEM_6
    {0xDE, 0x0027},      // XK_apostrophe, VK_OEM_7
    {0xE2, 0x003C},      // XK_less, VK_OEM_102: the extra key of 102-key keyboards
};

constexpr auto makeTable() {
    constexpr std::size_t size = 10 + 26 + 10 + 24 + std::size(kNamedKeys);
    std::array<VirtualKeySym, size> t{};
    std::size_t n = 0;
    for (std::uint8_t i = 0; i < 10; ++i) {
        t[n++] = {std::uint8_t(0x30 + i), kKeysym0 + i};
        t[n++] = {std::uint8_t(0x60 + i), kKeysymNumpad0 + i};
    }
    for (std::uint8_t i = 0; i < 26; ++i) {
        t[n++] = {std::uint8_t(0x41 + i), kKeysymLowerA + i};
    }
    for (std::uint8_t i = 0; i < 24; ++i) {
        t[n++] = {std::uint8_t(0x70 + i), kKeysymF1 + i};
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

std::optional<std::uint32_t> keysymForVirtualKey(std::uint8_t virtualKey) {
    auto it =
        std::lower_bound(kTable.begin(), kTable.end(), virtualKey,
                         [](const VirtualKeySym& e, std::uint8_t vk) { return e.virtualKey < vk; });
    if (it == kTable.end() || it->virtualKey != virtualKey) {
        return std::nullopt;
    }
    return it->keysym;
}

std::uint8_t virtualKeyForKeysym(std::uint32_t keysym) {
    if (keysym >= kKeysymA && keysym <= kKeysymZ) {
        keysym += kKeysymLowerA - kKeysymA;
    }
    for (const VirtualKeySym& e : kTable) {
        if (e.keysym == keysym) {
            return e.virtualKey;
        }
    }
    return 0;
}

std::uint8_t virtualKeyOfPress(std::uint32_t produced, std::span<const std::uint32_t> keyKeysyms,
                               bool shiftHeld) {
    if (!shiftHeld || keyKeysyms.empty()) {
        if (const std::uint8_t vk = virtualKeyForKeysym(produced)) {
            return vk;
        }
    }
    for (std::uint32_t keysym : keyKeysyms) {
        if (const std::uint8_t vk = virtualKeyForKeysym(keysym)) {
            return vk;
        }
    }
    return 0;
}

}  // namespace pelko
