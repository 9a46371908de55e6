#pragma once

#include <string>

#include "core/file_descriptor.h"

namespace pelko {

// Opens the private scratch folder for use, without following a symbolic link at its path.
// Only a folder owned by this user with no access for group and others passes; with
// makePrivate, a folder of this user's that others may access is narrowed to 0700 first.
// Returns no descriptor, with the errno in error, when the folder does not pass.
FileDescriptor openScratchFolder(const std::string& path, int& error, bool makePrivate = false);

// Why the scratch folder at path does not pass, in words that name it, for a message ("The
// scratch folder "/tmp/~pelko-1000" is a link; Pelko does not use it."); error is what
// openScratchFolder gave, for the cases that the folder's state does not tell.
std::string scratchFolderProblem(const std::string& path, int error);

// Marks a scratch file as in use for as long as it lives (a shared lock on the file), so no
// purge of the scratch folder, in this process or another, removes it. A file that cannot
// be opened is simply not marked.
class ScratchFileUse {
  public:
    ScratchFileUse() = default;
    explicit ScratchFileUse(const std::string& path);

  private:
    FileDescriptor m_file;
};

}  // namespace pelko
