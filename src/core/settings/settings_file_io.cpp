#include "core/settings/settings_file_io.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "core/file_descriptor.h"
#include "core/temp_file.h"

namespace pelko {

namespace {

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The file a write through path changes: path itself, or what its symbolic links lead to.
std::string realTarget(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
        return path;
    }
    if (char* resolved = ::realpath(path.c_str(), nullptr)) {
        std::string target = resolved;
        std::free(resolved);
        return target;
    }
    // A link to a file yet to be made: the file its text names.
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink(path.c_str(), buffer, sizeof buffer);
    if (n <= 0 || std::size_t(n) >= sizeof buffer) {
        return path;
    }
    const std::string link(buffer, std::size_t(n));
    return link.front() == '/' ? link : folderOf(path) + link;
}

bool writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data.remove_prefix(std::size_t(n));
    }
    return true;
}

// Rewrites the file where it is: not atomic, but keeps every property of the file.
bool writeInPlace(const std::string& target, std::string_view text) {
    FileDescriptor fd(::open(target.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (!fd || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return false;
    }
    return writeAll(fd.get(), text) && ::ftruncate(fd.get(), off_t(text.size())) == 0 &&
           ::fsync(fd.get()) == 0 && ::close(fd.release()) == 0;
}

// Writes a temporary file with the properties of the file it replaces (when there is one)
// and renames it over that file. Returns false, leaving everything as it was, when the
// temporary file cannot be made or cannot take those properties.
bool writeByRename(const std::string& target, const struct stat* existing, std::string_view text) {
    const std::string folder = folderOf(target);
    removeStaleTempFiles(folder);
    // A new file gets the usual mode less the umask; a replaced file keeps its own.
    TempFile temp(folder, existing ? 0600 : 0644);
    if (temp.fd() < 0 || (existing && ::fchmod(temp.fd(), existing->st_mode & 07777) != 0)) {
        return false;
    }
    if (existing && (existing->st_uid != ::geteuid() || existing->st_gid != ::getegid()) &&
        ::fchown(temp.fd(), existing->st_uid, existing->st_gid) != 0) {
        return false;
    }
    return writeAll(temp.fd(), text) && ::fsync(temp.fd()) == 0 && temp.finishWrites() == 0 &&
           temp.replace(target) == 0;
}

}  // namespace

ReadResult readSettingsText(const std::string& path, std::size_t maxSize, std::string& text) {
    text.clear();
    // Looked at before opening: opening a device can itself do something.
    struct stat before {};
    if (::stat(path.c_str(), &before) == 0 && !S_ISREG(before.st_mode)) {
        return ReadResult::Refused;
    }
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd) {
        return errno == ENOENT || errno == ENOTDIR ? ReadResult::Missing : ReadResult::Refused;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return ReadResult::Refused;
    }
    char buffer[65536];
    while (text.size() <= maxSize) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            text.clear();
            return ReadResult::Refused;
        }
        if (n == 0) {
            return ReadResult::Whole;
        }
        text.append(buffer, std::size_t(n));
    }
    text.resize(maxSize);
    return ReadResult::Cut;
}

bool writeSettingsText(const std::string& path, std::string_view text) {
    const std::string target = realTarget(path);
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0) {
        return errno == ENOENT && writeByRename(target, nullptr, text);
    }
    // No write permission, for this user or for anyone, says the file is not to be changed.
    if (!S_ISREG(st.st_mode) || (st.st_mode & 0222) == 0 ||
        ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
        return false;
    }
    if (st.st_nlink == 1 && writeByRename(target, &st, text)) {
        return true;
    }
    return writeInPlace(target, text);
}

int lockFolderOf(const std::string& path) {
    const std::string folder = folderOf(path);
    FileDescriptor fd(
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd) {
        return -1;
    }
    while (::flock(fd.get(), LOCK_EX) != 0) {
        if (errno != EINTR) {
            return -1;
        }
    }
    return fd.release();
}

}  // namespace pelko
