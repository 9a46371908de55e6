#pragma once

#include <unistd.h>

#include <utility>

namespace pelko {

// Owns a POSIX file descriptor and closes it at the end of its scope.
class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }
    // Gives up ownership: the caller closes the descriptor.
    int release() { return std::exchange(m_fd, -1); }

  private:
    int m_fd;
};

}  // namespace pelko
