#include "platform/x11/screen_copy.h"

#include <algorithm>

#include "platform/x11/connection.h"

namespace pelko::x11 {

ScreenCopier::ScreenCopier(xcb_connection_t* c, xcb_window_t root, const PixelLayout& layout)
    : m_conn(c), m_root(root), m_layout(layout), m_converter(layout) {}

void ScreenCopier::copy(const CopyPlan& plan, Bitmap& target) {
    const std::size_t rowBytes = imageRowBytes(m_layout, plan.source.width);
    auto rowsIn = [&](std::size_t bytes) {
        return int(std::clamp<std::size_t>(bytes / rowBytes, 1, plan.source.height));
    };
    // The first copy reads through a small segment: every page of a new segment faults once
    // on each side, which costs more than the extra requests. A copier that copies again (the
    // tray program's) then gets the full strip, whose fewer requests are faster from then on.
    const std::size_t shmStripBytes = m_copies++ == 0 ? kFirstStripBytes : kStripBytes;
    m_shmUsed = false;
    if (m_shmWanted && !m_shmChecked) {
        m_shmChecked = true;
        m_shmAvailable = serverHasShm(m_conn);
    }
    if (m_shmWanted && m_shmAvailable && copyShm(plan, rowsIn(shmStripBytes), target)) {
        m_shmUsed = true;
        return;
    }
    copyPlain(plan, rowsIn(kStripBytes), target);
}

bool ScreenCopier::copyShm(const CopyPlan& plan, int stripRows, Bitmap& target) {
    std::size_t needed = imageRowBytes(m_layout, plan.source.width) * std::size_t(stripRows);
    if (!m_segment || m_segment->size() < needed) {
        // The segment is kept for the later copies.
        m_segment.reset();
        m_segment = ShmSegment::create(m_conn, needed);
        if (!m_segment) {
            m_shmAvailable = false;  // the server cannot reach our memory: stay with GetImage
            return false;
        }
    }
    const RootArea& src = plan.source;
    for (int row = 0; row < src.height; row += stripRows) {
        int rows = std::min(stripRows, src.height - row);
        auto reply = waitReply(
            m_conn, xcb_shm_get_image_reply,
            xcb_shm_get_image(m_conn, m_root, std::int16_t(src.x), std::int16_t(src.y + row),
                              std::uint16_t(src.width), std::uint16_t(rows), ~0u,
                              XCB_IMAGE_FORMAT_Z_PIXMAP, m_segment->id(), 0));
        if (!reply) {
            if (row == 0 && !xcb_connection_has_error(m_conn)) {
                // The server refuses shared-memory reads: GetImage does the whole copy instead.
                m_segment.reset();
                m_shmAvailable = false;
                return false;
            }
            continue;
        }
        storeRows(m_segment->data(), std::min<std::size_t>(reply->size, m_segment->size()), plan,
                  row, rows, target);
    }
    return true;
}

void ScreenCopier::copyPlain(const CopyPlan& plan, int stripRows, Bitmap& target) {
    const RootArea& src = plan.source;
    auto request = [&](int row) {
        return xcb_get_image(m_conn, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root, std::int16_t(src.x),
                             std::int16_t(src.y + row), std::uint16_t(src.width),
                             std::uint16_t(std::min(stripRows, src.height - row)), ~0u);
    };
    // Keep the next strip's request in flight while the current one is converted.
    xcb_get_image_cookie_t cookie = request(0);
    for (int row = 0; row < src.height; row += stripRows) {
        xcb_get_image_cookie_t next{};
        bool more = row + stripRows < src.height;
        if (more) {
            next = request(row + stripRows);
        }
        auto reply = waitReply(m_conn, xcb_get_image_reply, cookie);
        if (reply) {
            storeRows(xcb_get_image_data(reply.get()),
                      std::size_t(xcb_get_image_data_length(reply.get())), plan, row,
                      std::min(stripRows, src.height - row), target);
        }
        cookie = next;
    }
}

void ScreenCopier::storeRows(const std::uint8_t* data, std::size_t size, const CopyPlan& plan,
                             int firstRow, int rows, Bitmap& target) const {
    std::size_t rowBytes = imageRowBytes(m_layout, plan.source.width);
    rows = int(std::min<std::size_t>(std::size_t(rows), size / rowBytes));
    std::size_t destOffset = std::size_t(plan.destX) * std::size_t(target.bytesPerPixel());
    for (int y = 0; y < rows; ++y) {
        m_converter.convert(data + rowBytes * std::size_t(y), plan.source.width,
                            target.row(plan.destY + firstRow + y) + destOffset);
    }
}

}  // namespace pelko::x11
