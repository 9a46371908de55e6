#include "core/output/file_sink.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "core/error.h"

namespace pelko {

namespace {

constexpr std::size_t kBufferSize = 1 << 20;

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string numbered(const std::string& stem, std::string_view ext, int copy) {
    return copy == 1 ? stem + std::string(ext)
                     : stem + " (" + std::to_string(copy) + ")" + std::string(ext);
}

}  // namespace

FileSink::FileSink(std::string path)
    : m_path(std::move(path)), m_file((removeStaleTempFiles(folderOf(m_path)), folderOf(m_path))) {
    if (m_file.fd() < 0) {
        fail("Cannot create file \"%s\". %s", m_path, m_file.error());
    }
    m_buffer.reserve(kBufferSize);
}

void FileSink::fail(const char* message, const std::string& path, int error) const {
    throw Error(formatMessage(message, {path, std::strerror(error)}));
}

void FileSink::write(const std::uint8_t* data, std::size_t size) {
    if (m_buffer.size() + size > kBufferSize) {
        flush();
    }
    if (size >= kBufferSize) {
        writeAll(data, size);
        return;
    }
    m_buffer.insert(m_buffer.end(), data, data + size);
}

void FileSink::flush() {
    writeAll(m_buffer.data(), m_buffer.size());
    m_buffer.clear();
}

void FileSink::writeAll(const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(m_file.fd(), data, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            fail("Cannot write file \"%s\". %s", m_path, n < 0 ? errno : ENOSPC);
        }
        data += n;
        size -= std::size_t(n);
    }
}

void FileSink::finish() {
    flush();
    if (const int error = m_file.finishWrites()) {
        fail("Cannot write file \"%s\". %s", m_path, error);
    }
}

void FileSink::commitReplace() {
    finish();
    if (const int error = m_file.replace(m_path)) {
        fail("Cannot create file \"%s\". %s", m_path, error);
    }
}

std::string FileSink::commitNew(const std::string& stem, std::string_view ext) {
    finish();
    for (int copy = 1;; ++copy) {
        std::string path = numbered(stem, ext, copy);
        const int error = m_file.publishNew(path);
        if (error == 0) {
            return path;
        }
        if (error != EEXIST) {
            fail("Cannot create file \"%s\". %s", path, error);
        }
    }
}

}  // namespace pelko
