#include "core/temp_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>
#include <string_view>
#include <vector>

namespace pelko {

namespace {

constexpr std::string_view kPrefix = ".pelko-";
constexpr std::string_view kSuffix = ".tmp";
constexpr int kAttempts = 100;

bool isTempName(std::string_view name) {
    return name.size() > kPrefix.size() + kSuffix.size() && name.starts_with(kPrefix) &&
           name.ends_with(kSuffix);
}

std::string randomPart() {
    static constexpr char kChars[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device device;
    std::string part(8, 'x');
    for (char& c : part) {
        c = kChars[device() % (sizeof kChars - 1)];
    }
    return part;
}

std::string folderOf(const std::string& folder) {
    return folder.empty() ? "." : folder;
}

}  // namespace

TempFile::TempFile(std::string folder, mode_t mode) {
    create(folder, mode);
}

void TempFile::create(const std::string& folder, mode_t mode) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::string path = folder + std::string(kPrefix) + randomPart() + std::string(kSuffix);
        FileDescriptor fd(
            ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
        if (!fd) {
            if (errno == EEXIST) {
                continue;
            }
            m_error = errno;
            return;
        }
        // A cleaner may have taken the lock between the creation and this call and removed
        // the name; a file without a name is given up for another one. A file system without
        // locks leaves the file unlocked: it is used all the same.
        while (::flock(fd.get(), LOCK_EX) != 0 && errno == EINTR) {
        }
        struct stat st {};
        if (::fstat(fd.get(), &st) != 0 || st.st_nlink == 0) {
            continue;
        }
        m_fd = std::move(fd);
        m_path = std::move(path);
        return;
    }
    m_error = EEXIST;
}

TempFile::~TempFile() {
    if (m_fd && !m_published) {
        ::unlink(m_path.c_str());
    }
}

int TempFile::finishWrites() const {
    const int copy = ::fcntl(m_fd.get(), F_DUPFD_CLOEXEC, 0);
    if (copy < 0 || ::close(copy) != 0) {
        return errno;
    }
    return 0;
}

int TempFile::replace(const std::string& target) {
    if (::rename(m_path.c_str(), target.c_str()) != 0) {
        return errno;
    }
    m_published = true;
    return 0;
}

int TempFile::publishNew(const std::string& target) {
    if (::renameat2(AT_FDCWD, m_path.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
        m_published = true;
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
        return errno;
    }
    // File systems without the no-replace rename: a hard link never replaces either.
    if (::link(m_path.c_str(), target.c_str()) == 0) {
        ::unlink(m_path.c_str());
        m_published = true;
        return 0;
    }
    if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS) {
        return errno;
    }
    // Neither: claim the name with an empty file, then rename over the claim.
    FileDescriptor claim(
        ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!claim) {
        return errno;
    }
    claim.reset();
    if (::rename(m_path.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(target.c_str());
        return error;
    }
    m_published = true;
    return 0;
}

void removeStaleTempFiles(const std::string& folder) {
    FileDescriptor dirFd(::open(folderOf(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dirFd) {
        return;
    }
    DIR* dir = ::fdopendir(::dup(dirFd.get()));
    if (dir == nullptr) {
        return;
    }
    std::vector<std::string> names;
    while (dirent* entry = ::readdir(dir)) {
        if (isTempName(entry->d_name)) {
            names.emplace_back(entry->d_name);
        }
    }
    ::closedir(dir);
    for (const std::string& name : names) {
        FileDescriptor file(::openat(dirFd.get(), name.c_str(),
                                     O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        struct stat st {
        }, now{};
        if (!file || ::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
            st.st_uid != ::geteuid() || ::flock(file.get(), LOCK_EX | LOCK_NB) != 0) {
            continue;
        }
        // Remove the name only while it still names the file whose lock is held.
        if (::fstatat(dirFd.get(), name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
            now.st_ino == st.st_ino && now.st_dev == st.st_dev) {
            ::unlinkat(dirFd.get(), name.c_str(), 0);
        }
    }
}

}  // namespace pelko
