#pragma once

#include <xcb/xcb.h>

#include <optional>
#include <vector>

#include "core/image/bitmap.h"

namespace pelko::x11 {

// The root visual of the screen: null when the setup names none (a broken server).
const xcb_visualtype_t* rootVisual(const xcb_screen_t& screen);

// Whether pixels of this visual are colormap indices: PseudoColor, StaticColor, GrayScale and
// StaticGray. TrueColor and DirectColor pixels hold their colour.
bool isPaletteVisual(const xcb_visualtype_t& visual);

// The entries of the screen's default colormap, 8 bits per channel, when the root visual is a
// palette visual of at most 256 entries; none otherwise or when the server does not answer.
std::optional<std::vector<Rgb>> readPalette(xcb_connection_t* c, const xcb_screen_t& screen);

}  // namespace pelko::x11
