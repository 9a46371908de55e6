// A hotkey value as settings.ini stores it (an integer text): its parts join to the value, and
// the text shown for it names the same value again.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/settings/hotkey_value.h"
#include "core/settings/ini_file.h"
#include "fuzz/fuzz_entries.h"

namespace pelko::fuzz {

namespace {

constexpr std::uint32_t kHotkeyBits =
    kHotkeyKeyMask | kHotkeyShift | kHotkeyCtrl | kHotkeyAlt | kHotkeyWin;

// The value a hotkey text names: modifiers in front ("Ctrl+Alt+Shift+Win+"), then the key's
// name; none when no key has that name.
std::optional<std::uint32_t> valueOfText(std::string_view text) {
    std::uint32_t value = 0;
    for (bool more = true; more;) {
        more = false;
        for (const auto& [prefix, bit] : {std::pair{std::string_view("Ctrl+"), kHotkeyCtrl},
                                          {"Alt+", kHotkeyAlt},
                                          {"Shift+", kHotkeyShift},
                                          {"Win+", kHotkeyWin}}) {
            if (text.starts_with(prefix) && text != prefix) {
                text.remove_prefix(prefix.size());
                value |= bit;
                more = true;
            }
        }
    }
    std::optional<std::uint32_t> key;
    for (unsigned code = 0; code < 256; ++code) {
        if (virtualKeyName(std::uint8_t(code)) == text) {
            check(!key, "no two keys share a name");
            key = code;
        }
    }
    return key ? std::optional(value | *key) : std::nullopt;
}

}  // namespace

int fuzzHotkeyValue(const std::uint8_t* data, std::size_t size) {
    const std::string_view stored(reinterpret_cast<const char*>(data), size);
    const std::optional<std::int32_t> read = parseProfileInteger(stored);
    if (!read) {
        return 0;
    }
    check(parseProfileInteger(std::to_string(*read)) == read, "an integer reads back as written");
    const auto value = std::uint32_t(*read);
    const std::uint32_t hotkey = value & kHotkeyBits;

    const HotKeyParts parts = SplitHotKey(value);
    check(parts.virtualKey == (value & kHotkeyKeyMask), "the key is the value's low byte");
    check(joinHotKey(parts) == hotkey, "the parts of a value join to its hotkey bits");
    check(SplitHotKey(joinHotKey(parts)) == parts, "a joined value splits to its parts");

    const std::string full = hotkeyText(value);
    const std::string menu = shortcutText(value);
    const bool named = !virtualKeyName(parts.virtualKey).empty();
    check(full.empty() != named && menu.empty() != named,
          "a value has a text when its key has a name");
    if (named) {
        check(valueOfText(full) == hotkey, "the hotkey text names the value");
        check(valueOfText(menu) == (hotkey & ~kHotkeyWin),
              "the menu text names the value without Win");
    }

    HotkeySlotValues slots{};
    slots[value % kHotkeySlotCount] = value;
    const std::optional<std::size_t> slot = slotForHotkey(slots, value);
    check(value == 0 ? !slot : slot == value % kHotkeySlotCount, "a pressed value finds its slot");
    return 0;
}

}  // namespace pelko::fuzz
