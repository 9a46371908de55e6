#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Reading and writing a settings file as a whole, keeping what the file is: its link, owner,
// mode and hard links, and never replacing what could not be read.
namespace pelko {

enum class ReadResult {
    Whole,    // the whole file is in the text
    Missing,  // there is no file
    Cut,      // the file is larger than the limit: the text holds its first part
    Refused,  // no text: a special file (FIFO, device), a folder, or a read error
};

// Reads up to maxSize bytes of the file at path without blocking on special files.
ReadResult readSettingsText(const std::string& path, std::size_t maxSize, std::string& text);

// Writes text as the new content of the file at path (through a symbolic link). A file that
// its user may not write, or that has no write permission for anyone, is left as it is. The
// text goes to a temporary file beside the real file, flushed and renamed over it; where a
// rename would lose the file's owner or a hard link, or no temporary file can be made there,
// into the file itself, flushed. Returns whether the text reached the file.
bool writeSettingsText(const std::string& path, std::string_view text);

// Takes an exclusive advisory lock on the folder of path, waiting for other holders, and
// returns its descriptor (closing it releases the lock), or -1 when the folder cannot be
// opened or locked.
int lockFolderOf(const std::string& path);

}  // namespace pelko
