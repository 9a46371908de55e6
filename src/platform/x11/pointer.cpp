#include "platform/x11/pointer.h"

#include <xcb/xfixes.h>

#include <algorithm>

#include "platform/x11/connection.h"

namespace pelko::x11 {

PointerReader::PointerReader(xcb_connection_t* c) : m_conn(c) {
    const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c, &xcb_xfixes_id);
    if (ext && ext->present) {
        // The server answers XFixes requests only after the client said which version it speaks.
        auto version =
            waitReply(c, xcb_xfixes_query_version_reply, xcb_xfixes_query_version(c, 6, 0));
        m_xfixes = version && version->major_version >= 1;
    }
}

std::optional<PointerImage> PointerReader::read(int originX, int originY) const {
    if (!m_xfixes) {
        return std::nullopt;
    }
    auto reply =
        waitReply(m_conn, xcb_xfixes_get_cursor_image_reply, xcb_xfixes_get_cursor_image(m_conn));
    if (!reply || reply->width == 0 || reply->height == 0) {
        return std::nullopt;
    }
    std::size_t count = std::size_t(reply->width) * reply->height;
    if (std::size_t(xcb_xfixes_get_cursor_image_cursor_image_length(reply.get())) < count) {
        return std::nullopt;
    }
    const std::uint32_t* pixels = xcb_xfixes_get_cursor_image_cursor_image(reply.get());
    // A blank pointer (how programs hide it) has no pixel with any alpha.
    if (std::none_of(pixels, pixels + count, [](std::uint32_t p) { return (p >> 24) != 0; })) {
        return std::nullopt;
    }
    PointerImage image;
    image.x = reply->x - originX;
    image.y = reply->y - originY;
    image.xhot = reply->xhot;
    image.yhot = reply->yhot;
    image.width = reply->width;
    image.height = reply->height;
    image.argb.assign(pixels, pixels + count);
    return image;
}

}  // namespace pelko::x11
