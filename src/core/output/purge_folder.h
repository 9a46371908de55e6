#pragma once

#include <ctime>
#include <optional>
#include <string>

namespace pelko {

// Deletes the contents of a folder, descending into subfolders, and with removeFolder the folder
// itself. clearAttributes first makes each entry writable for its owner, so read-only files
// and folders go too. With stopAtFirstFailure the first entry that cannot be deleted ends the
// purge with false (the folder stays); without it the result tells only of the last entry.
// Symbolic links are deleted, never followed, the folder itself included: a folder path that
// is a link gives false and nothing is deleted. A missing folder gives false.
bool PurgeFolder(const std::string& folder, bool clearAttributes, bool stopAtFirstFailure,
                 bool removeFolder);

// Which entries a purge of the scratch folder takes.
struct ScratchPurge {
    // Only entries last modified before this time; none: every entry.
    std::optional<std::time_t> olderThan;
    // Remove the folder itself when nothing is left in it.
    bool removeFolder = false;
};

// Purges the private scratch folder: only a real folder (not a link) owned by this user with
// no access for others is touched, and within it files in use (locked by a running process,
// see ScratchFileUse) are left alone, with the folders that hold them. Entries are removed
// relative to the opened folder and links are never followed. Returns whether the folder
// passed the checks.
bool PurgeScratchFolder(const std::string& folder, const ScratchPurge& how);

}  // namespace pelko
