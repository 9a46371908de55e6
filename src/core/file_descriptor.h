#pragma once

#include <unistd.h>

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

}  // namespace pelko
