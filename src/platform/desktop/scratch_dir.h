#pragma once

#include <string>

namespace pelko {

// The private folder for scratch files: $XDG_RUNTIME_DIR/~pelko/ when that variable is set,
// else $TMPDIR (or /tmp) + "/~pelko-" + user id + "/". Ends with "/".
std::string scratchDirPath();

// Creates the folder with mode 0700 when it is missing. Returns whether it can be used: a path
// that is a symbolic link, not a folder, or belongs to another user is never used. Scratch
// files of earlier runs that nothing uses and that are older than a day are purged.
bool prepareScratchDir(const std::string& path);

}  // namespace pelko
