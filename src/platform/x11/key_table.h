#pragma once

#include <xcb/xproto.h>

#include "core/settings/key_symbols.h"

// The keys a hotkey value can name, as X keysyms: the fixed table of core/settings/key_symbols.h,
// whose numbers are the X protocol's own (xcb_keysym_t is the same 32-bit number).
namespace pelko::x11 {

using pelko::keysymForVirtualKey;
using pelko::VirtualKeySym;
using pelko::virtualKeyTable;

}  // namespace pelko::x11
