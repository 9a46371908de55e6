#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace pelko {

// The kinds of capture, by the number that settings/wct, the command line and the hotkeys use.
enum class CaptureMode : unsigned {
    Default = 0,  // the user's default kind (settings/wct)
    WholeScreen = 1,
    ActiveWindow = 2,
    Rectangle = 3,
    FixedRegion = 4,
    Ellipse = 5,
    Object = 6,
    RoundedRectangle = 7,
    Freehand = 8,
};

// Everything said about one kind, in one place.
struct CaptureModeInfo {
    CaptureMode mode;
    std::string_view commandName;  // the word `pelko --capture` takes
    std::string_view kindName;     // in messages: "<kindName> capture"
    std::string_view menuName;     // the input menu's item ("" for the default kind)
    std::string_view menuCaption;
    std::string_view menuHint;
    int menuPosition;        // place in the input menu, from 0; -1: not in the menu
    std::size_t hotkeySlot;  // the hotkey slot that captures this kind
    bool selector;           // picked by the user on the screen
};

inline constexpr std::array<CaptureModeInfo, 9> kCaptureModes{{
    {CaptureMode::Default, "default", "Default", "", "", "", -1, 0, false},
    {CaptureMode::WholeScreen, "screen", "Whole screen", "mnq1", "Whole screen",
     "Capturing whole screen", 0, 1, false},
    {CaptureMode::ActiveWindow, "window", "Active window", "mnq2", "Active window",
     "Capturing active window only", 1, 2, false},
    {CaptureMode::Rectangle, "rect", "Rectangle", "mnq3", "Rectangular area",
     "Capturing rectangle after selecting it", 2, 3, true},
    {CaptureMode::FixedRegion, "fixed", "Fixed region", "mnq7", "Fixed Region",
     "Capturing fixed region", 7, 7, false},
    {CaptureMode::Ellipse, "ellipse", "Ellipse", "mnq4", "Elliptic area",
     "Capturing ellipse after selecting it", 3, 4, true},
    {CaptureMode::Object, "object", "Object", "mnq6", "Object",
     "Capturing screen control or window", 6, 6, true},
    {CaptureMode::RoundedRectangle, "rounded", "Rounded rectangle", "mnq5", "Rounded corners area",
     "Capturing rounded rectangle after selecting it", 4, 5, true},
    {CaptureMode::Freehand, "freehand", "Freehand", "mnq8", "Freehand region",
     "Capturing free region after selecting it", 5, 8, true},
}};

// The kind of a number; none outside 0 to 8.
constexpr const CaptureModeInfo* captureModeInfo(long long number) {
    return number >= 0 && number < (long long)kCaptureModes.size()
               ? &kCaptureModes[std::size_t(number)]
               : nullptr;
}

// The kind a hotkey slot captures.
constexpr CaptureMode captureModeOfHotkeySlot(std::size_t slot) {
    for (const CaptureModeInfo& info : kCaptureModes) {
        if (info.hotkeySlot == slot) {
            return info.mode;
        }
    }
    return CaptureMode::Default;
}

// A kind by its command-line word or its number ("rect", "3").
std::optional<CaptureMode> captureModeNamed(std::string_view text);

}  // namespace pelko
