#include "core/output/scratch_folder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

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

ScratchFileUse::ScratchFileUse(const std::string& path)
    : m_file(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)) {
    if (m_file) {
        ::flock(m_file.get(), LOCK_SH);
    }
}

}  // namespace pelko
