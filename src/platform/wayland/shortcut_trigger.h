#pragma once

#include <cstdint>
#include <string>

namespace pelko::wayland {

// The trigger a desktop portal is asked for a stored hotkey value, as the XDG shortcuts
// format writes it: the modifiers CTRL, ALT, SHIFT and LOGO joined by "+" in that order, then
// the key's keysym name ("CTRL+SHIFT+F", "Print", "ALT+F9", "LOGO+KP_5"). Empty for 0 and for a
// key without a keysym name.
std::string portalTrigger(std::uint32_t hotkeyValue);

}  // namespace pelko::wayland
