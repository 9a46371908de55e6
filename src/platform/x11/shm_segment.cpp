#include "platform/x11/shm_segment.h"

#include <sys/ipc.h>
#include <sys/mman.h>
#include <sys/shm.h>

#include <cstdlib>

#include "platform/x11/connection.h"

namespace pelko::x11 {

bool serverHasShm(xcb_connection_t* c) {
    const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c, &xcb_shm_id);
    if (!ext || !ext->present) {
        return false;
    }
    return bool(waitReply(c, xcb_shm_query_version_reply, xcb_shm_query_version(c)));
}

std::unique_ptr<ShmSegment> ShmSegment::create(xcb_connection_t* c, std::size_t size) {
    int shmid = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
    if (shmid == -1) {
        return nullptr;
    }
    void* addr = shmat(shmid, nullptr, 0);
#ifdef MADV_POPULATE_WRITE
    if (addr != reinterpret_cast<void*>(-1)) {
        // All pages present from the start, in one call: reading each fresh page of the first
        // copy would otherwise fault (about 15 microseconds each on a virtual machine). An
        // older kernel refuses the advice, and the pages fault in as before.
        madvise(addr, size, MADV_POPULATE_WRITE);
    }
#endif
    xcb_shm_seg_t seg = xcb_generate_id(c);
    bool attached = false;
    if (addr != reinterpret_cast<void*>(-1) && seg != std::uint32_t(-1)) {
        xcb_generic_error_t* error =
            xcb_request_check(c, xcb_shm_attach_checked(c, seg, std::uint32_t(shmid), 0));
        attached = !error && !xcb_connection_has_error(c);
        std::free(error);
    }
    // Both sides are attached (or never will be): the segment goes away with the last detach.
    shmctl(shmid, IPC_RMID, nullptr);
    if (!attached) {
        if (addr != reinterpret_cast<void*>(-1)) {
            shmdt(addr);
        }
        return nullptr;
    }
    return std::unique_ptr<ShmSegment>(
        new ShmSegment(c, seg, static_cast<std::uint8_t*>(addr), size));
}

ShmSegment::~ShmSegment() {
    xcb_shm_detach(m_conn, m_seg);
    xcb_flush(m_conn);
    shmdt(m_data);
}

}  // namespace pelko::x11
