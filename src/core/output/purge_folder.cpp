#include "core/output/purge_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "core/file_descriptor.h"
#include "core/output/scratch_folder.h"

namespace pelko {

namespace {

struct PurgeRules {
    bool clearAttributes = false;
    bool stopAtFirstFailure = false;
    bool skipFilesInUse = false;
    std::optional<std::time_t> olderThan;
};

enum class Outcome { Removed, Kept, Failed };

std::vector<std::string> entryNames(int dirFd) {
    std::vector<std::string> names;
    DIR* dir = ::fdopendir(::fcntl(dirFd, F_DUPFD_CLOEXEC, 0));
    if (dir == nullptr) {
        return names;
    }
    ::rewinddir(dir);
    while (dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    ::closedir(dir);
    return names;
}

FileDescriptor openFolderAt(int dirFd, const char* name) {
    return FileDescriptor(
        ::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
}

// Whether another open description of the file holds a lock on it.
bool lockedByAnother(int dirFd, const char* name) {
    FileDescriptor file(
        ::openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    return file && ::flock(file.get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
}

Outcome purgeContents(int dirFd, const PurgeRules& rules);

// Removes one entry of the folder: a subfolder with its contents, anything else (links
// included) by its name.
Outcome purgeEntry(int dirFd, const std::string& name, const PurgeRules& rules) {
    struct stat st {};
    if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return errno == ENOENT ? Outcome::Removed : Outcome::Failed;
    }
    const bool oldEnough = !rules.olderThan || st.st_mtime < *rules.olderThan;
    if (S_ISDIR(st.st_mode)) {
        FileDescriptor sub = openFolderAt(dirFd, name.c_str());
        if (!sub && errno == EACCES && rules.clearAttributes &&
            ::fchmodat(dirFd, name.c_str(), (st.st_mode & 07777) | S_IRWXU, 0) == 0) {
            sub = openFolderAt(dirFd, name.c_str());
        }
        if (!sub) {
            return Outcome::Failed;
        }
        if (rules.clearAttributes) {
            ::fchmod(sub.get(), (st.st_mode & 07777) | S_IRWXU);
        }
        const Outcome contents = purgeContents(sub.get(), rules);
        if (contents != Outcome::Removed) {
            return contents;
        }
        if (!oldEnough) {
            return Outcome::Kept;
        }
        return ::unlinkat(dirFd, name.c_str(), AT_REMOVEDIR) == 0 ? Outcome::Removed
                                                                  : Outcome::Failed;
    }
    if (!oldEnough ||
        (rules.skipFilesInUse && S_ISREG(st.st_mode) && lockedByAnother(dirFd, name.c_str()))) {
        return Outcome::Kept;
    }
    return ::unlinkat(dirFd, name.c_str(), 0) == 0 ? Outcome::Removed : Outcome::Failed;
}

// Removes what the rules allow of the folder's entries: Removed when the folder is empty
// afterwards, Kept when entries stay by the rules, Failed when one could not be removed (the
// first one when stopping at failures; else, as the purge has always reported, the last).
Outcome purgeContents(int dirFd, const PurgeRules& rules) {
    Outcome last = Outcome::Removed;
    bool kept = false;
    for (const std::string& name : entryNames(dirFd)) {
        const Outcome entry = purgeEntry(dirFd, name, rules);
        if (entry == Outcome::Failed && rules.stopAtFirstFailure) {
            return Outcome::Failed;
        }
        if (entry == Outcome::Kept) {
            kept = true;
        } else {
            last = entry;
        }
    }
    if (last == Outcome::Failed) {
        return Outcome::Failed;
    }
    return kept ? Outcome::Kept : Outcome::Removed;
}

std::string withoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

}  // namespace

bool PurgeFolder(const std::string& folder, bool clearAttributes, bool stopAtFirstFailure,
                 bool removeFolder) {
    const std::string path = withoutTrailingSlashes(folder);
    FileDescriptor dir = openFolderAt(AT_FDCWD, path.c_str());
    struct stat st {};
    if (!dir || ::fstat(dir.get(), &st) != 0) {
        return false;
    }
    if (clearAttributes) {
        ::fchmod(dir.get(), (st.st_mode & 07777) | S_IRWXU);
    }
    PurgeRules rules;
    rules.clearAttributes = clearAttributes;
    rules.stopAtFirstFailure = stopAtFirstFailure;
    if (purgeContents(dir.get(), rules) != Outcome::Removed) {
        return false;
    }
    dir.reset();
    return !removeFolder || ::rmdir(path.c_str()) == 0;
}

bool PurgeScratchFolder(const std::string& folder, const ScratchPurge& how) {
    int error = 0;
    FileDescriptor dir = openScratchFolder(folder, error);
    if (!dir) {
        return false;
    }
    PurgeRules rules;
    rules.clearAttributes = true;
    rules.skipFilesInUse = true;
    rules.olderThan = how.olderThan;
    if (purgeContents(dir.get(), rules) == Outcome::Removed && how.removeFolder) {
        ::rmdir(withoutTrailingSlashes(folder).c_str());
    }
    return true;
}

}  // namespace pelko
