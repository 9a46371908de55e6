#include "core/output/file_sink.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "core/error.h"

namespace pelko {

namespace {
constexpr std::size_t kBufferSize = 1 << 20;
}

FileSink::FileSink(std::string path, Mode mode) : m_path(std::move(path)) {
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (mode == Mode::CreateNew ? O_EXCL : O_TRUNC);
    m_fd = ::open(m_path.c_str(), flags, 0644);
    if (m_fd < 0) {
        if (mode == Mode::CreateNew && errno == EEXIST) {
            m_exists = true;
            return;
        }
        throw Error(formatMessage("Cannot create file \"%s\". %s", {m_path, std::strerror(errno)}));
    }
    m_buffer.reserve(kBufferSize);
}

FileSink::~FileSink() {
    if (m_fd >= 0) {
        ::close(m_fd);
        ::unlink(m_path.c_str());
    }
}

void FileSink::write(const std::uint8_t* data, std::size_t size) {
    if (m_buffer.size() + size > kBufferSize) {
        flush();
    }
    if (size >= kBufferSize) {
        m_buffer.assign(data, data + size);
        flush();
        return;
    }
    m_buffer.insert(m_buffer.end(), data, data + size);
}

void FileSink::flush() {
    const std::uint8_t* p = m_buffer.data();
    std::size_t left = m_buffer.size();
    while (left > 0) {
        ssize_t n = ::write(m_fd, p, left);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            throw Error(
                formatMessage("Cannot write file \"%s\". %s", {m_path, std::strerror(errno)}));
        }
        p += n;
        left -= std::size_t(n);
    }
    m_buffer.clear();
}

void FileSink::commit() {
    flush();
    int fd = std::exchange(m_fd, -1);
    if (::close(fd) != 0) {
        int err = errno;
        ::unlink(m_path.c_str());
        throw Error(formatMessage("Cannot write file \"%s\". %s", {m_path, std::strerror(err)}));
    }
}

}  // namespace pelko
