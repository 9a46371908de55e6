#pragma once

#include <wayland-client.h>

#include <cstddef>
#include <cstdint>

namespace pelko::wayland {

// A wl_buffer in shared memory that the compositor writes into: an anonymous memory file,
// mapped here, handed to the compositor through a pool. Released with the object.
class ShmBuffer {
  public:
    // Throws pelko::Error when the memory cannot be had.
    ShmBuffer(wl_shm* shm, int width, int height, int stride, std::uint32_t format);
    ~ShmBuffer();
    ShmBuffer(const ShmBuffer&) = delete;
    ShmBuffer& operator=(const ShmBuffer&) = delete;

    wl_buffer* buffer() const { return m_buffer; }
    const std::uint8_t* data() const { return static_cast<const std::uint8_t*>(m_data); }
    std::size_t size() const { return m_size; }

  private:
    int m_fd = -1;
    void* m_data = nullptr;
    std::size_t m_size = 0;
    wl_shm_pool* m_pool = nullptr;
    wl_buffer* m_buffer = nullptr;
};

}  // namespace pelko::wayland
