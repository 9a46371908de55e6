#pragma once

#include <string>

namespace pelko {

// Deletes the contents of a folder, descending into subfolders, and with removeFolder the folder
// itself. clearAttributes first makes each entry writable for its owner, so read-only files
// and folders go too. With stopAtFirstFailure the first entry that cannot be deleted ends the
// purge with false (the folder stays); without it the result tells only of the last entry.
// Symbolic links are deleted, never followed. A missing folder gives false.
bool PurgeFolder(const std::string& folder, bool clearAttributes, bool stopAtFirstFailure,
                 bool removeFolder);

}  // namespace pelko
