#pragma once

#include <string>

namespace pelko {

// `pelko --serve-clipboard IMAGE [GIF]` in a Wayland session: puts the picture of the file
// IMAGE (a PNG or GIF file) on the clipboard as image/png, and the GIF file's bytes as
// image/gif as well when GIF is given; prints "ready" once it holds the clipboard and serves it
// until another program takes it over. Returns the exit status.
int serveWaylandClipboard(const std::string& image, const std::string& gif);

}  // namespace pelko
