#include "platform/x11/x11_screen.h"

#include <cstdio>
#include <string>

#include "core/error.h"
#include "platform/x11/palette.h"

namespace pelko {

namespace {

// How the server lays out images of the root window: the pixmap format of the root depth, the
// image byte order and the root visual's colour masks.
x11::PixelLayout rootLayout(xcb_connection_t* c, const xcb_screen_t& screen) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    x11::PixelLayout layout;
    layout.msbFirst = setup->image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST;
    bool found = false;
    for (auto formats = xcb_setup_pixmap_formats_iterator(setup); formats.rem;
         xcb_format_next(&formats)) {
        if (formats.data->depth == screen.root_depth) {
            layout.bitsPerPixel = formats.data->bits_per_pixel;
            layout.scanlinePad = formats.data->scanline_pad;
            found = true;
        }
    }
    const xcb_visualtype_t* visual = x11::rootVisual(screen);
    if (!found || !visual) {
        throw Error("Unsupported display format (no pixmap format for the root window)");
    }
    layout.indexed = x11::isPaletteVisual(*visual);
    layout.redMask = visual->red_mask;
    layout.greenMask = visual->green_mask;
    layout.blueMask = visual->blue_mask;
    return layout;
}

}  // namespace

X11Screen::X11Screen(const char* displayName) : m_conn(displayName) {
    init();
}

X11Screen::X11Screen(xcb_connection_t* connection, int screenNumber)
    : m_conn(connection, screenNumber) {
    init();
}

X11Screen::~X11Screen() = default;

void X11Screen::init() {
    xcb_connection_t* c = m_conn.get();
    m_copier =
        std::make_unique<x11::ScreenCopier>(c, m_conn.root(), rootLayout(c, m_conn.screen()));
    m_primary = std::make_unique<x11::PrimaryOutput>(c, m_conn.screen());
    m_activeWindow = std::make_unique<x11::ActiveWindowFinder>(c, m_conn.root());
    m_pointer = std::make_unique<x11::PointerReader>(c);
}

Rect X11Screen::screenRect() {
    x11::RootArea primary = m_primary->layout().primary;
    return {0, 0, primary.width, primary.height};
}

std::optional<std::vector<Rgb>> X11Screen::systemPalette() {
    return x11::readPalette(m_conn.get(), m_conn.screen());
}

void X11Screen::copyRect(Bitmap& target, const Rect& r) {
    long long width = (long long)r.right - r.left, height = (long long)r.bottom - r.top;
    if (width <= 0 || height <= 0 || width > INT32_MAX || height > INT32_MAX) {
        throw Error("Invalid image size");
    }
    target.reset(int(width), int(height), m_copier->bitmapDepth());
    target.setDeviceDependent(true);
    x11::ScreenLayout layout = m_primary->layout();
    if (auto plan = x11::planCopy(r, layout.primary.x, layout.primary.y, layout.root.width,
                                  layout.root.height)) {
        m_copier->copy(*plan, target);
    }
    m_conn.checkAlive();
}

std::optional<Rect> X11Screen::activeWindowRect() {
    auto active = m_activeWindow->find(m_trayWindows);
    if (!active) {
        return std::nullopt;
    }
    if (active->own) {
        return screenRect();
    }
    x11::RootArea primary = m_primary->layout().primary;
    const x11::RootArea& o = active->outer;
    return Rect{o.x - primary.x, o.y - primary.y, o.x - primary.x + o.width,
                o.y - primary.y + o.height};
}

Rect X11Screen::windowFrameRect(std::uint32_t id) {
    const x11::ScreenLayout layout = m_primary->layout();
    const x11::RootArea& primary = layout.primary;
    if (id == m_conn.root() || id == XCB_NONE) {
        const x11::RootArea& root = layout.root;
        return Rect{root.x - primary.x, root.y - primary.y, root.x - primary.x + root.width,
                    root.y - primary.y + root.height};
    }
    const auto frame = x11::topLevelFrame(m_conn.get(), m_conn.root(), id);
    if (!frame) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%x", unsigned(id));
        throw Error(std::string("There is no window ") + hex + " on this display");
    }
    const x11::RootArea& o = frame->second;
    return Rect{o.x - primary.x, o.y - primary.y, o.x - primary.x + o.width,
                o.y - primary.y + o.height};
}

std::optional<PointerImage> X11Screen::pointer() {
    x11::RootArea primary = m_primary->layout().primary;
    return m_pointer->read(primary.x, primary.y);
}

}  // namespace pelko
