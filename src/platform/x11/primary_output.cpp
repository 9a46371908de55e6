#include "platform/x11/primary_output.h"

#include <xcb/randr.h>

#include <algorithm>

#include "platform/x11/connection.h"

namespace pelko::x11 {

PrimaryOutput::PrimaryOutput(xcb_connection_t* c, const xcb_screen_t& screen)
    : m_conn(c), m_screen(screen) {
    const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c, &xcb_randr_id);
    if (ext && ext->present) {
        auto version =
            waitReply(c, xcb_randr_query_version_reply, xcb_randr_query_version(c, 1, 3));
        m_randr = version && (version->major_version > 1 ||
                              (version->major_version == 1 && version->minor_version >= 3));
    }
}

ScreenLayout PrimaryOutput::layout() const {
    // Both requests go out before either reply is awaited: one round trip for the two.
    xcb_get_geometry_cookie_t geometryCookie = xcb_get_geometry(m_conn, m_screen.root);
    xcb_randr_get_output_primary_cookie_t primaryCookie{};
    if (m_randr) {
        primaryCookie = xcb_randr_get_output_primary(m_conn, m_screen.root);
    }
    auto geometry = waitReply(m_conn, xcb_get_geometry_reply, geometryCookie);
    RootArea root = geometry ? RootArea{0, 0, geometry->width, geometry->height}
                             : RootArea{0, 0, m_screen.width_in_pixels, m_screen.height_in_pixels};
    if (!m_randr) {
        return {root, root};
    }
    return {root, primaryArea(waitReply(m_conn, xcb_randr_get_output_primary_reply, primaryCookie),
                              root)};
}

RootArea PrimaryOutput::primaryArea(Reply<xcb_randr_get_output_primary_reply_t> primary,
                                    const RootArea& root) const {
    if (!primary || primary->output == XCB_NONE) {
        return root;
    }
    auto output = waitReply(m_conn, xcb_randr_get_output_info_reply,
                            xcb_randr_get_output_info(m_conn, primary->output, XCB_CURRENT_TIME));
    if (!output || output->crtc == XCB_NONE) {
        return root;
    }
    auto crtc = waitReply(m_conn, xcb_randr_get_crtc_info_reply,
                          xcb_randr_get_crtc_info(m_conn, output->crtc, XCB_CURRENT_TIME));
    if (!crtc || crtc->mode == XCB_NONE) {
        return root;
    }
    int x0 = std::max<int>(crtc->x, 0), y0 = std::max<int>(crtc->y, 0);
    int x1 = std::min<int>(crtc->x + crtc->width, root.width);
    int y1 = std::min<int>(crtc->y + crtc->height, root.height);
    if (x0 >= x1 || y0 >= y1) {
        return root;
    }
    return {x0, y0, x1 - x0, y1 - y0};
}

}  // namespace pelko::x11
