#include "core/output/scratch_folder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace pelko {

FileDescriptor openScratchFolder(const std::string& path, int& error, bool makePrivate) {
    std::string folder = path;
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();  // a trailing "/" would make the open follow a link
    }
    FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd) {
        error = errno == ELOOP ? ENOTDIR : errno;
        return fd;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        error = errno;
        return {};
    }
    if (st.st_uid != ::geteuid()) {
        error = EACCES;
        return {};
    }
    if ((st.st_mode & 077) != 0 && !(makePrivate && ::fchmod(fd.get(), 0700) == 0)) {
        error = EACCES;
        return {};
    }
    error = 0;
    return fd;
}

std::string scratchFolderProblem(const std::string& path, int error) {
    std::string folder = path;
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    const std::string named = "The scratch folder \"" + folder + "\"";
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0) {
        return errno == ENOENT ? named + " does not exist."
                               : named + " cannot be used: " + std::strerror(error) + ".";
    }
    if (S_ISLNK(st.st_mode)) {
        return named + " is a link; Pelko does not use it.";
    }
    if (!S_ISDIR(st.st_mode)) {
        return named + " is not a folder; Pelko does not use it.";
    }
    if (st.st_uid != ::geteuid()) {
        return named + " belongs to another user; Pelko does not use it.";
    }
    if ((st.st_mode & 077) != 0) {
        return named + " is open to other users; Pelko uses it only when it is private.";
    }
    return named + " cannot be used: " + std::strerror(error) + ".";
}

ScratchFileUse::ScratchFileUse(const std::string& path)
    : m_file(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)) {
    if (m_file) {
        ::flock(m_file.get(), LOCK_SH);
    }
}

}  // namespace pelko
