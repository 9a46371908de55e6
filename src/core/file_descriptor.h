#pragma once

#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <utility>

namespace pelko {

// Owns a POSIX file descriptor and closes it at the end of its scope. Ownership can move.
class FileDescriptor {
  public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() { reset(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&& other) noexcept : m_fd(other.release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    int get() const { return m_fd; }
    // Whether a descriptor is held.
    explicit operator bool() const { return m_fd >= 0; }
    // Gives up ownership: the caller closes the descriptor.
    int release() { return std::exchange(m_fd, -1); }
    // Closes the descriptor held, if any, and takes fd.
    void reset(int fd = -1) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = fd;
    }

  private:
    int m_fd = -1;
};

// Writes all `size` bytes to fd, going on after interruptions and short writes. Returns 0, or
// the errno of why not every byte could be written (ENOSPC when a write takes none).
inline int writeAllBytes(int fd, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, bytes + done, size - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n < 0 ? errno : ENOSPC;
        }
        done += std::size_t(n);
    }
    return 0;
}

}  // namespace pelko
