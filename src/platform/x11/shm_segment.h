#pragma once

#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace pelko::x11 {

// A System V shared memory segment attached to the X server (MIT-SHM), which the server writes
// images into. The segment is marked for removal as soon as both sides have attached, so it
// disappears with the process even after a crash.
class ShmSegment {
  public:
    // None when the server lacks MIT-SHM or cannot attach the segment (remote display, limits).
    static std::unique_ptr<ShmSegment> create(xcb_connection_t* c, std::size_t size);
    ~ShmSegment();
    ShmSegment(const ShmSegment&) = delete;
    ShmSegment& operator=(const ShmSegment&) = delete;

    xcb_shm_seg_t id() const { return m_seg; }
    const std::uint8_t* data() const { return m_data; }
    std::size_t size() const { return m_size; }

  private:
    ShmSegment(xcb_connection_t* c, xcb_shm_seg_t seg, std::uint8_t* data, std::size_t size)
        : m_conn(c), m_seg(seg), m_data(data), m_size(size) {}

    xcb_connection_t* m_conn;
    xcb_shm_seg_t m_seg;
    std::uint8_t* m_data;
    std::size_t m_size;
};

// Whether the server offers MIT-SHM.
bool serverHasShm(xcb_connection_t* c);

}  // namespace pelko::x11
