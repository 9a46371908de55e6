#pragma once

#include <string>

namespace pelko {

// Serves a capture on the clipboard from a process of its own, so that it outlives the command
// that made it. Reads the picture file imageFile (PNG, GIF, JPEG or BMP, by its extension) and,
// when gifFile is not empty, the GIF file whose bytes go under "image/gif"; both files are
// handed over and removed once read. Creates the application on the X display, puts the
// picture on the clipboard, writes "ready\n" to standard output and flushes it, puts its
// standard input, output and error on /dev/null, and runs until another program takes the
// clipboard over. Returns the exit status: 0 then, 1 when a file cannot be read or the
// clipboard cannot be taken (the reason on standard error, no "ready" line).
int serveClipboard(int& argc, char** argv, const std::string& imageFile,
                   const std::string& gifFile);

}  // namespace pelko
