#include "platform/wayland/shm_buffer.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>
#include <string>

#include "core/error.h"

namespace pelko::wayland {

ShmBuffer::ShmBuffer(wl_shm* shm, int width, int height, int stride, std::uint32_t format) {
    if (width <= 0 || height <= 0 || stride < width ||
        std::size_t(stride) > std::size_t(std::numeric_limits<std::int32_t>::max()) / height) {
        throw Error("Invalid image size");
    }
    m_size = std::size_t(stride) * std::size_t(height);
    m_fd = ::memfd_create("pelko-screen", MFD_CLOEXEC);
    if (m_fd < 0 || ::ftruncate(m_fd, off_t(m_size)) != 0) {
        const int code = errno;
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        throw Error(std::string("Cannot make room for the screen copy: ") + std::strerror(code));
    }
    m_data = ::mmap(nullptr, m_size, PROT_READ | PROT_WRITE, MAP_SHARED, m_fd, 0);
    if (m_data == MAP_FAILED) {
        const int code = errno;
        ::close(m_fd);
        throw Error(std::string("Cannot make room for the screen copy: ") + std::strerror(code));
    }
    m_pool = wl_shm_create_pool(shm, m_fd, std::int32_t(m_size));
    m_buffer = wl_shm_pool_create_buffer(m_pool, 0, width, height, stride, format);
}

ShmBuffer::~ShmBuffer() {
    wl_buffer_destroy(m_buffer);
    wl_shm_pool_destroy(m_pool);
    ::munmap(m_data, m_size);
    ::close(m_fd);
}

}  // namespace pelko::wayland
