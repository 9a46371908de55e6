// pelko-show-picture: puts a known picture on the X display for tests and benchmarks.
//
//   pelko-show-picture --root PICTURE
//       makes the picture the root window's background, so that every capture tool sees it;
//   pelko-show-picture --window X Y W H PICTURE [--name NAME] [--activate]
//       maps a top-level window of W x H at X, Y (the window manager frames it) showing the
//       picture from its top-left corner, titled NAME; --activate makes it the active window.
//
// PICTURE is a pattern name of pattern.h ("grid", "tiles") or a binary PPM (P6) file; outside a
// file's picture the area is black. On palette displays every colour of the picture is
// allocated in the default colormap, so only pictures of few colours ("tiles") fit.
//
// Prints "ready" once the picture is on the screen, then stays until SIGTERM, SIGINT or SIGHUP;
// the root background is reset to the server default on the way out.

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <bit>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "pattern.h"
#include "platform/x11/connection.h"

namespace {

using pelko::testpattern::Color;

using pelko::x11::Reply;
using pelko::x11::waitReply;

[[noreturn]] void fail(const std::string& message) {
    throw std::runtime_error(message);
}

// A picture: a pattern (unbounded) or the pixels of a PPM file (black beyond its size).
class Picture {
  public:
    explicit Picture(const std::string& name) {
        m_pattern = pelko::testpattern::findPattern(name);
        if (!m_pattern) {
            readPpm(name);
        }
    }
    Color at(int x, int y) const {
        if (m_pattern) {
            return m_pattern(x, y);
        }
        if (x >= m_width || y >= m_height) {
            return {};
        }
        return m_pixels[std::size_t(y) * std::size_t(m_width) + std::size_t(x)];
    }

  private:
    void readPpm(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            fail("neither a pattern nor a readable file: " + path);
        }
        auto token = [&] {
            std::string t;
            int ch;
            while ((ch = in.get()) != EOF) {
                if (ch == '#') {
                    while ((ch = in.get()) != EOF && ch != '\n') {
                    }
                } else if (std::isspace(ch)) {
                    if (!t.empty()) {
                        return t;
                    }
                } else {
                    t += char(ch);
                }
            }
            return t;
        };
        if (token() != "P6") {
            fail(path + ": not a binary PPM (P6) file");
        }
        m_width = std::atoi(token().c_str());
        m_height = std::atoi(token().c_str());
        int maxval = std::atoi(token().c_str());
        if (m_width <= 0 || m_height <= 0 || m_width > 32767 || m_height > 32767 || maxval <= 0 ||
            maxval > 255) {
            fail(path + ": unsupported PPM header");
        }
        std::vector<unsigned char> raw(std::size_t(m_width) * std::size_t(m_height) * 3);
        if (!in.read(reinterpret_cast<char*>(raw.data()), std::streamsize(raw.size()))) {
            fail(path + ": PPM data too short");
        }
        m_pixels.resize(raw.size() / 3);
        auto scale = [&](unsigned char v) { return std::uint8_t((v * 255 + maxval / 2) / maxval); };
        for (std::size_t i = 0; i < m_pixels.size(); ++i) {
            m_pixels[i] = {scale(raw[3 * i]), scale(raw[3 * i + 1]), scale(raw[3 * i + 2])};
        }
    }

    pelko::testpattern::Pattern m_pattern = nullptr;
    int m_width = 0, m_height = 0;
    std::vector<Color> m_pixels;
};

// Turns colours into pixel values of the root visual: through the colour masks on TrueColor and
// DirectColor displays, by allocating read-only colormap cells on palette displays.
class PixelEncoder {
  public:
    PixelEncoder(xcb_connection_t* c, const xcb_screen_t& screen) : m_conn(c), m_screen(screen) {
        for (auto d = xcb_screen_allowed_depths_iterator(&screen); d.rem; xcb_depth_next(&d)) {
            for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v)) {
                if (v.data->visual_id == screen.root_visual) {
                    m_visual = v.data;
                }
            }
        }
        if (!m_visual) {
            fail("the root visual is missing from the setup");
        }
        m_palette = m_visual->_class != XCB_VISUAL_CLASS_TRUE_COLOR &&
                    m_visual->_class != XCB_VISUAL_CLASS_DIRECT_COLOR;
    }

    std::uint32_t pixel(Color c) {
        if (!m_palette) {
            return channel(c.r, m_visual->red_mask) | channel(c.g, m_visual->green_mask) |
                   channel(c.b, m_visual->blue_mask);
        }
        std::uint32_t key = std::uint32_t(c.r) << 16 | c.g << 8 | c.b;
        auto it = m_cells.find(key);
        if (it != m_cells.end()) {
            return it->second;
        }
        auto reply = waitReply(
            m_conn, xcb_alloc_color_reply,
            xcb_alloc_color(m_conn, m_screen.default_colormap, c.r * 257, c.g * 257, c.b * 257));
        if (!reply) {
            fail("the palette is full: the picture has too many colours for this display");
        }
        m_cells.emplace(key, reply->pixel);
        return reply->pixel;
    }

  private:
    // An 8-bit value scaled to the mask's width: cut for narrower masks, bits repeated for wider.
    static std::uint32_t channel(std::uint8_t v, std::uint32_t mask) {
        int bits = std::popcount(mask);
        std::uint32_t value =
            bits <= 8 ? v >> (8 - bits) : (std::uint32_t(v) << (bits - 8)) | (v >> (16 - bits));
        return (value << std::countr_zero(mask)) & mask;
    }

    xcb_connection_t* m_conn;
    const xcb_screen_t& m_screen;
    const xcb_visualtype_t* m_visual = nullptr;
    bool m_palette = false;
    std::map<std::uint32_t, std::uint32_t> m_cells;
};

// A pixmap at the root depth holding width x height pixels of the picture.
xcb_pixmap_t makePixmap(xcb_connection_t* c, const xcb_screen_t& screen, const Picture& picture,
                        int width, int height) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    int bpp = 0, pad = 0;
    for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem; xcb_format_next(&f)) {
        if (f.data->depth == screen.root_depth) {
            bpp = f.data->bits_per_pixel;
            pad = f.data->scanline_pad;
        }
    }
    if (bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) {
        fail("unsupported root pixel size " + std::to_string(bpp));
    }
    bool msb = setup->image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST;
    std::size_t rowBytes = (std::size_t(width) * bpp + pad - 1) / pad * pad / 8;

    xcb_pixmap_t pixmap = xcb_generate_id(c);
    xcb_create_pixmap(c, screen.root_depth, pixmap, screen.root, std::uint16_t(width),
                      std::uint16_t(height));
    xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, pixmap, 0, nullptr);

    PixelEncoder encoder(c, screen);
    std::size_t maxRequest = std::size_t(xcb_get_maximum_request_length(c)) * 4 - 64;
    int stripRows =
        int(std::max<std::size_t>(1, std::min(maxRequest, std::size_t(4) << 20) / rowBytes));
    std::vector<std::uint8_t> strip;
    for (int y0 = 0; y0 < height; y0 += stripRows) {
        int rows = std::min(stripRows, height - y0);
        strip.assign(rowBytes * std::size_t(rows), 0);
        for (int y = 0; y < rows; ++y) {
            std::uint8_t* p = strip.data() + rowBytes * std::size_t(y);
            for (int x = 0; x < width; ++x) {
                std::uint32_t v = encoder.pixel(picture.at(x, y0 + y));
                for (int i = 0; i < bpp / 8; ++i) {
                    int shift = msb ? 8 * (bpp / 8 - 1 - i) : 8 * i;
                    *p++ = std::uint8_t(v >> shift);
                }
            }
        }
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, std::uint16_t(width),
                      std::uint16_t(rows), 0, std::int16_t(y0), 0, screen.root_depth,
                      std::uint32_t(strip.size()), strip.data());
    }
    xcb_free_gc(c, gc);
    return pixmap;
}

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    auto reply = waitReply(c, xcb_intern_atom_reply,
                           xcb_intern_atom(c, 0, std::uint16_t(std::strlen(name)), name));
    if (!reply) {
        fail(std::string("cannot intern ") + name);
    }
    return reply->atom;
}

// The first 32-bit value of a root or window property, or 0.
std::uint32_t property32(xcb_connection_t* c, xcb_window_t w, xcb_atom_t prop, bool* present) {
    auto reply = waitReply(c, xcb_get_property_reply,
                           xcb_get_property(c, 0, w, prop, XCB_GET_PROPERTY_TYPE_ANY, 0, 4));
    *present = reply && reply->format == 32 && xcb_get_property_value_length(reply.get()) >= 4;
    std::uint32_t v = 0;
    if (*present) {
        std::memcpy(&v, xcb_get_property_value(reply.get()), 4);
    }
    return v;
}

// Waits until test() holds, polling every 10 ms for at most timeout.
template <class Test>
bool waitFor(std::chrono::milliseconds timeout, Test test) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!test()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

void sync(xcb_connection_t* c) {
    waitReply(c, xcb_get_input_focus_reply, xcb_get_input_focus(c));
}

void showOnRoot(xcb_connection_t* c, const xcb_screen_t& screen, const Picture& picture) {
    auto geometry = waitReply(c, xcb_get_geometry_reply, xcb_get_geometry(c, screen.root));
    if (!geometry) {
        fail("cannot read the root window's size");
    }
    xcb_pixmap_t pixmap = makePixmap(c, screen, picture, geometry->width, geometry->height);
    xcb_change_window_attributes(c, screen.root, XCB_CW_BACK_PIXMAP, &pixmap);
    xcb_clear_area(c, 0, screen.root, 0, 0, 0, 0);
    xcb_free_pixmap(c, pixmap);  // the root window keeps its own reference
    sync(c);
}

void resetRoot(xcb_connection_t* c, const xcb_screen_t& screen) {
    std::uint32_t none = XCB_BACK_PIXMAP_NONE;  // on the root: the server's default background
    xcb_change_window_attributes(c, screen.root, XCB_CW_BACK_PIXMAP, &none);
    xcb_clear_area(c, 0, screen.root, 0, 0, 0, 0);
    sync(c);
}

void setText(xcb_connection_t* c, xcb_window_t w, xcb_atom_t prop, xcb_atom_t type,
             const std::string& text) {
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, prop, type, 8, std::uint32_t(text.size()),
                        text.data());
}

void showWindow(xcb_connection_t* c, const xcb_screen_t& screen, const Picture& picture, int x,
                int y, int width, int height, const std::string& name, bool activate) {
    xcb_pixmap_t pixmap = makePixmap(c, screen, picture, width, height);
    xcb_window_t window = xcb_generate_id(c);
    std::uint32_t values[] = {pixmap, XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_STRUCTURE_NOTIFY};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen.root, std::int16_t(x),
                      std::int16_t(y), std::uint16_t(width), std::uint16_t(height), 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen.root_visual,
                      XCB_CW_BACK_PIXMAP | XCB_CW_EVENT_MASK, values);
    xcb_free_pixmap(c, pixmap);
    setText(c, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, name);
    setText(c, window, atom(c, "_NET_WM_NAME"), atom(c, "UTF8_STRING"), name);
    setText(c, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING,
            std::string("pelko-show-picture\0PelkoShowPicture\0", 37));
    // WM_NORMAL_HINTS: user-given position and size, fixed size, north-west gravity.
    std::uint32_t hints[18] = {};
    hints[0] = 1 | 2 | 16 | 32 | 512;  // USPosition, USSize, PMinSize, PMaxSize, PWinGravity
    hints[1] = std::uint32_t(x);
    hints[2] = std::uint32_t(y);
    hints[3] = hints[5] = hints[7] = std::uint32_t(width);
    hints[4] = hints[6] = hints[8] = std::uint32_t(height);
    hints[17] = XCB_GRAVITY_NORTH_WEST;
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NORMAL_HINTS,
                        XCB_ATOM_WM_SIZE_HINTS, 32, 18, hints);
    xcb_map_window(c, window);
    xcb_flush(c);

    // On screen once the first Expose arrives: the server has painted the background by then.
    for (bool exposed = false; !exposed;) {
        Reply<xcb_generic_event_t> event(xcb_wait_for_event(c));
        if (!event) {
            fail("the X connection closed");
        }
        exposed = (event->response_type & 0x7F) == XCB_EXPOSE;
    }

    bool wmRunning = false;
    property32(c, screen.root, atom(c, "_NET_SUPPORTING_WM_CHECK"), &wmRunning);
    if (wmRunning) {
        // Geometry tests read the frame size; wait until the manager has published it.
        xcb_atom_t extents = atom(c, "_NET_FRAME_EXTENTS");
        bool present = false;
        waitFor(std::chrono::seconds(2), [&] {
            property32(c, window, extents, &present);
            return present;
        });
    }
    if (activate) {
        if (wmRunning) {
            xcb_atom_t active = atom(c, "_NET_ACTIVE_WINDOW");
            xcb_client_message_event_t message{};
            message.response_type = XCB_CLIENT_MESSAGE;
            message.format = 32;
            message.window = window;
            message.type = active;
            message.data.data32[0] = 2;  // the request comes from a pager: always honoured
            xcb_send_event(
                c, 0, screen.root,
                XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                reinterpret_cast<const char*>(&message));
            xcb_flush(c);
            bool present = false;
            if (!waitFor(std::chrono::seconds(5),
                         [&] { return property32(c, screen.root, active, &present) == window; })) {
                fail("the window manager did not activate the window");
            }
        } else {
            xcb_set_input_focus(c, XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
        }
    }
    sync(c);
}

// Waits for a stop signal while draining the connection's events; false when the server went.
bool waitForStop(xcb_connection_t* c, int signalFd) {
    pollfd fds[2] = {{signalFd, POLLIN, 0}, {xcb_get_file_descriptor(c), POLLIN, 0}};
    for (;;) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (fds[0].revents) {
            return true;
        }
        while (Reply<xcb_generic_event_t>(xcb_poll_for_event(c))) {
        }
        // A server that went away leaves the descriptor hung up: stop rather than spin on it.
        if (xcb_connection_has_error(c) || (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL))) {
            return false;
        }
    }
}

int usage() {
    std::fprintf(stderr,
                 "usage: pelko-show-picture --root PICTURE\n"
                 "       pelko-show-picture --window X Y W H PICTURE [--name NAME] [--activate]\n"
                 "PICTURE: grid, tiles, or a binary PPM file\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    bool root = false, activate = false;
    int x = 0, y = 0, width = 0, height = 0;
    std::string pictureName, name = "pelko-show-picture";
    std::size_t i = 0;
    if (args.size() == 2 && args[0] == "--root") {
        root = true;
        pictureName = args[1];
        i = 2;
    } else if (args.size() >= 6 && args[0] == "--window") {
        x = std::atoi(args[1].c_str());
        y = std::atoi(args[2].c_str());
        width = std::atoi(args[3].c_str());
        height = std::atoi(args[4].c_str());
        pictureName = args[5];
        for (i = 6; i < args.size(); ++i) {
            if (args[i] == "--activate") {
                activate = true;
            } else if (args[i] == "--name" && i + 1 < args.size()) {
                name = args[++i];
            } else {
                return usage();
            }
        }
        if (width <= 0 || height <= 0 || width > 32767 || height > 32767) {
            return usage();
        }
    } else {
        return usage();
    }

    // Stop signals arrive through a descriptor, so the clean-up runs in normal code.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGHUP);
    sigprocmask(SIG_BLOCK, &stopSignals, nullptr);
    int signalFd = signalfd(-1, &stopSignals, SFD_CLOEXEC);

    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "pelko-show-picture: cannot open the display\n");
        xcb_disconnect(c);
        return 1;
    }
    int status = 0;
    try {
        const xcb_screen_t& screen = *xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        Picture picture(pictureName);
        if (root) {
            showOnRoot(c, screen, picture);
        } else {
            showWindow(c, screen, picture, x, y, width, height, name, activate);
        }
        std::printf("ready\n");
        std::fflush(stdout);
        if (waitForStop(c, signalFd) && root) {
            resetRoot(c, screen);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pelko-show-picture: %s\n", e.what());
        status = 1;
    }
    xcb_disconnect(c);
    close(signalFd);
    return status;
}
