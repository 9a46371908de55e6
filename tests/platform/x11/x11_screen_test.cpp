// X11Screen against the test desktop ($DISPLAY: Xvfb 1920x1080x24 with icewm).

#include "platform/x11/x11_screen.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <thread>

#include "core/error.h"
#include "display_helpers.h"
#include "pattern.h"
#include "picture_check.h"

namespace pelko {
namespace {

using test::ShownPicture;
using test::TestConnection;
using testpattern::Color;

class SharedDesktop : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* display = std::getenv("DISPLAY");
        if (!display || !*display) {
            GTEST_SKIP() << "DISPLAY is not set";
        }
        ASSERT_TRUE(m_conn.ok());
        // Whatever the window manager keeps free of its taskbar shows the root background. A
        // manager that has just started may not have published that area yet.
        auto area = m_conn.property32(m_conn.root(), "_NET_WORKAREA");
        bool managed = !m_conn.property32(m_conn.root(), "_NET_SUPPORTING_WM_CHECK").empty();
        for (int i = 0; managed && area.size() < 4 && i < 300; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            area = m_conn.property32(m_conn.root(), "_NET_WORKAREA");
        }
        const xcb_screen_t& s = m_conn.screen();
        m_visible = area.size() >= 4 ? Rect{int(area[0]), int(area[1]), int(area[0] + area[2]),
                                            int(area[1] + area[3])}
                                     : Rect{0, 0, s.width_in_pixels, s.height_in_pixels};
    }

    // What a copy of screen rectangle r shows at Bitmap pixel (x, y) while the grid is on the
    // root: the grid where the root is visible, black beyond the root.
    test::Expected gridSeenThrough(const Rect& r) const {
        const xcb_screen_t& s = m_conn.screen();
        int rootWidth = s.width_in_pixels, rootHeight = s.height_in_pixels;
        Rect visible = m_visible;
        return [=](int x, int y) -> std::optional<Color> {
            long long sx = (long long)r.left + x, sy = (long long)r.top + y;
            if (sx < 0 || sy < 0 || sx >= rootWidth || sy >= rootHeight) {
                return Color{};
            }
            if (sx < visible.left || sy < visible.top || sx >= visible.right ||
                sy >= visible.bottom) {
                return std::nullopt;
            }
            return testpattern::grid(int(sx), int(sy));
        };
    }

    TestConnection m_conn;
    Rect m_visible;
};

TEST_F(SharedDesktop, WholeScreenCopyShowsTheRootPicture) {
    ShownPicture shown({"--root", "grid"});
    ASSERT_TRUE(shown.ready());
    X11Screen screen;
    Rect whole = screen.screenRect();
    EXPECT_EQ(whole,
              (Rect{0, 0, m_conn.screen().width_in_pixels, m_conn.screen().height_in_pixels}));
    // Shared memory twice: the first copy and the later ones read in strips of different sizes.
    int copies = 0;
    for (bool shm : {true, true, false}) {
        SCOPED_TRACE((shm ? "shared memory, copy " : "GetImage, copy ") + std::to_string(++copies));
        screen.setUseSharedMemory(shm);
        Bitmap b(3, 3, 8);
        screen.copyRect(b, whole);
        EXPECT_EQ(screen.usedSharedMemory(), shm);
        ASSERT_EQ(b.width(), whole.width());
        ASSERT_EQ(b.height(), whole.height());
        EXPECT_EQ(b.depth(), 24);
        EXPECT_TRUE(b.deviceDependent());
        EXPECT_EQ(test::comparePixels(b, gridSeenThrough(whole)), "");
        bool fourthBytesZero = true;
        for (std::size_t i = 3; i < b.byteSize(); i += 4) {
            fourthBytesZero = fourthBytesZero && b.data()[i] == 0;
        }
        EXPECT_TRUE(fourthBytesZero);
    }
}

TEST_F(SharedDesktop, RegionsKeepTheirSizeWithBlackBeyondTheScreen) {
    ShownPicture shown({"--root", "grid"});
    ASSERT_TRUE(shown.ready());
    X11Screen screen;
    Rect s = screen.screenRect();
    const Rect regions[] = {
        {10, 20, 310, 220},                                              // inside
        {-10, -20, 90, 80},                                              // over the top-left corner
        {s.right - 50, 100, s.right + 30, 140},                          // over the right edge
        {s.right + 100, s.bottom + 100, s.right + 110, s.bottom + 105},  // beyond the screen
        {INT_MAX - 10, 0, INT_MAX, 5},
        {INT_MIN, 10, INT_MIN + 5, 15},
    };
    for (const Rect& r : regions) {
        SCOPED_TRACE(testing::Message()
                     << r.left << "," << r.top << "," << r.right << "," << r.bottom);
        Bitmap b;
        screen.copyRect(b, r);
        ASSERT_EQ(b.width(), r.width());
        ASSERT_EQ(b.height(), r.height());
        EXPECT_EQ(test::comparePixels(b, gridSeenThrough(r)), "");
    }
}

TEST_F(SharedDesktop, RefusesEmptyAndOversizedRegions) {
    X11Screen screen;
    const Rect regions[] = {{0, 0, 0, 10}, {5, 5, 10, -5}, {INT_MIN, 0, INT_MAX, 1}};
    for (const Rect& r : regions) {
        Bitmap b;
        EXPECT_THROW(screen.copyRect(b, r), Error);
    }
}

TEST_F(SharedDesktop, ActiveWindowIsTheFrameAroundTheClient) {
    const int width = 320, height = 240;
    ShownPicture shown({"--window", "200", "150", std::to_string(width), std::to_string(height),
                        "grid", "--name", "pelko-x11-active-window", "--activate"});
    ASSERT_TRUE(shown.ready());
    xcb_window_t client = m_conn.findByName("pelko-x11-active-window");
    ASSERT_NE(client, xcb_window_t(XCB_NONE));
    // The frame is the client grown by _NET_FRAME_EXTENTS: left, right, top, bottom.
    auto extents = m_conn.property32(client, "_NET_FRAME_EXTENTS");
    ASSERT_EQ(extents.size(), 4u);
    int left = int(extents[0]), right = int(extents[1]), top = int(extents[2]);
    int bottom = int(extents[3]);
    auto position =
        x11::waitReply(m_conn.get(), xcb_translate_coordinates_reply,
                       xcb_translate_coordinates(m_conn.get(), client, m_conn.root(), 0, 0));
    ASSERT_TRUE(position);
    int cx = position->dst_x, cy = position->dst_y;

    X11Screen screen;
    auto rect = screen.activeWindowRect();
    ASSERT_TRUE(rect.has_value());
    EXPECT_EQ(*rect, (Rect{cx - left, cy - top, cx + width + right, cy + height + bottom}));

    Bitmap b;
    screen.copyRect(b, *rect);
    EXPECT_EQ(test::comparePixels(b,
                                  [&](int x, int y) -> std::optional<Color> {
                                      int px = x - left, py = y - top;
                                      if (px < 0 || py < 0 || px >= width || py >= height) {
                                          return std::nullopt;  // the frame
                                      }
                                      return testpattern::grid(px, py);
                                  }),
              "");

    // When the active window is one of our own tray windows, the whole screen is meant.
    screen.setTrayWindows({client});
    EXPECT_EQ(screen.activeWindowRect(), screen.screenRect());
}

// A 16 x 16 core cursor with its hotspot at (3, 5): red left half, blue right half, the bottom
// row transparent; or, blank, no visible pixel at all.
class TestCursor {
  public:
    TestCursor(TestConnection& conn, bool blank) : m_conn(conn) {
        xcb_connection_t* c = conn.get();
        xcb_pixmap_t source = xcb_generate_id(c), mask = xcb_generate_id(c);
        xcb_gcontext_t gc = xcb_generate_id(c);
        xcb_create_pixmap(c, 1, source, conn.root(), 16, 16);
        xcb_create_pixmap(c, 1, mask, conn.root(), 16, 16);
        xcb_create_gc(c, gc, source, 0, nullptr);
        auto fill = [&](xcb_pixmap_t p, std::uint32_t value, xcb_rectangle_t r) {
            xcb_change_gc(c, gc, XCB_GC_FOREGROUND, &value);
            xcb_poly_fill_rectangle(c, p, gc, 1, &r);
        };
        fill(source, 0, {0, 0, 16, 16});
        fill(source, 1, {0, 0, 8, 16});
        fill(mask, 0, {0, 0, 16, 16});
        if (!blank) {
            fill(mask, 1, {0, 0, 16, 15});
        }
        m_cursor = xcb_generate_id(c);
        xcb_create_cursor(c, m_cursor, source, mask, 0xFFFF, 0, 0, 0, 0, 0xFFFF, 3, 5);
        xcb_free_gc(c, gc);
        xcb_free_pixmap(c, source);
        xcb_free_pixmap(c, mask);
    }
    ~TestCursor() { xcb_free_cursor(m_conn.get(), m_cursor); }
    xcb_cursor_t id() const { return m_cursor; }

    static std::uint32_t expectedPixel(int x, int y) {
        if (y == 15) {
            return 0;
        }
        return x < 8 ? 0xFFFF0000 : 0xFF0000FF;
    }

  private:
    TestConnection& m_conn;
    xcb_cursor_t m_cursor;
};

TEST_F(SharedDesktop, PointerHasItsPositionHotspotAndPixels) {
    // An unmanaged window with our cursor; the pointer is moved into it from outside.
    xcb_connection_t* c = m_conn.get();
    xcb_window_t window = xcb_generate_id(c);
    std::uint32_t overrideRedirect = 1;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, m_conn.root(), 600, 400, 200, 200, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_OVERRIDE_REDIRECT,
                      &overrideRedirect);
    xcb_map_window(c, window);
    X11Screen screen;
    for (bool blank : {false, true}) {
        SCOPED_TRACE(blank ? "blank cursor" : "visible cursor");
        TestCursor cursor(m_conn, blank);
        std::uint32_t id = cursor.id();
        xcb_change_window_attributes(c, window, XCB_CW_CURSOR, &id);
        m_conn.sync();
        int x = blank ? 710 : 650, y = blank ? 520 : 450;
        ASSERT_EQ(test::run({"xdotool", "mousemove", std::to_string(x), std::to_string(y)}), 0);

        auto pointer = screen.pointer();
        if (blank) {
            EXPECT_FALSE(pointer.has_value());
            continue;
        }
        ASSERT_TRUE(pointer.has_value());
        EXPECT_EQ(pointer->x, x);
        EXPECT_EQ(pointer->y, y);
        EXPECT_EQ(pointer->xhot, 3);
        EXPECT_EQ(pointer->yhot, 5);
        ASSERT_EQ(pointer->width, 16);
        ASSERT_EQ(pointer->height, 16);
        ASSERT_EQ(pointer->argb.size(), 256u);
        int wrong = 0;
        for (int py = 0; py < 16; ++py) {
            for (int px = 0; px < 16; ++px) {
                wrong +=
                    pointer->argb[std::size_t(py * 16 + px)] != TestCursor::expectedPixel(px, py);
            }
        }
        EXPECT_EQ(wrong, 0);
    }
    xcb_destroy_window(c, window);
    m_conn.sync();
}

}  // namespace
}  // namespace pelko
