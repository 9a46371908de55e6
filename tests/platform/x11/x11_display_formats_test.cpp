// X11Screen against X servers of its own: other depths, RandR outputs, no window manager.

#include <gtest/gtest.h>

#include <ostream>

#include "core/error.h"
#include "display_helpers.h"
#include "pattern.h"
#include "picture_check.h"
#include "platform/x11/x11_screen.h"

namespace pelko {
namespace {

using test::PrivateDisplay;
using test::ShownPicture;
using test::TestConnection;
using testpattern::Color;

class OwnDisplay : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!test::onPath("Xvfb")) {
            GTEST_SKIP() << "Xvfb is not installed";
        }
    }
};

struct DepthCase {
    const char* geometry;
    const char* pattern;
    int bitmapDepth;
    int tolerance;  // channels of 5 bits are up to 8 off after the round trip
};

void PrintTo(const DepthCase& c, std::ostream* os) {
    *os << c.geometry << " " << c.pattern;
}

class DisplayDepth : public OwnDisplay, public ::testing::WithParamInterface<DepthCase> {};

TEST_P(DisplayDepth, CopyShowsWhatWasDrawn) {
    const DepthCase& param = GetParam();
    PrivateDisplay display(param.geometry);
    ASSERT_FALSE(display.name().empty()) << display.error();
    ShownPicture shown({"--root", param.pattern}, display.env());
    ASSERT_TRUE(shown.ready());

    X11Screen screen(display.name().c_str());
    auto palette = screen.systemPalette();
    TestConnection conn(display.name().c_str());
    ASSERT_TRUE(conn.ok());
    if (param.bitmapDepth == 8) {
        // The server really is a palette display.
        bool pseudoColor = false;
        for (auto d = xcb_screen_allowed_depths_iterator(&conn.screen()); d.rem;
             xcb_depth_next(&d)) {
            for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v)) {
                pseudoColor = pseudoColor || (v.data->visual_id == conn.screen().root_visual &&
                                              v.data->_class == XCB_VISUAL_CLASS_PSEUDO_COLOR);
            }
        }
        ASSERT_TRUE(pseudoColor);
        ASSERT_TRUE(palette.has_value());
        EXPECT_EQ(palette->size(), 256u);
    } else {
        EXPECT_FALSE(palette.has_value());
    }

    Rect whole = screen.screenRect();
    EXPECT_EQ(whole, (Rect{0, 0, 640, 480}));
    auto pattern = testpattern::findPattern(param.pattern);
    for (bool shm : {true, false}) {
        SCOPED_TRACE(shm ? "shared memory" : "GetImage");
        screen.setUseSharedMemory(shm);
        Bitmap b;
        if (palette) {
            b.setPalette(*palette);
        }
        screen.copyRect(b, whole);
        EXPECT_EQ(screen.usedSharedMemory(), shm);
        ASSERT_EQ(b.depth(), param.bitmapDepth);
        EXPECT_EQ(b.palette().size(), palette ? 256u : 0u);  // kept, not replaced
        EXPECT_EQ(test::comparePixels(
                      b, [&](int x, int y) { return std::optional<Color>(pattern(x, y)); },
                      param.tolerance),
                  "");
    }
}

INSTANTIATE_TEST_SUITE_P(X11Screen, DisplayDepth,
                         ::testing::Values(DepthCase{"640x480x8", "tiles", 8, 0},
                                           DepthCase{"640x480x15", "grid", 15, 8},
                                           DepthCase{"640x480x16", "grid", 16, 8},
                                           DepthCase{"640x480x24", "grid", 24, 0},
                                           DepthCase{"640x480x30", "grid", 24, 0}),
                         [](const auto& test) {
                             return "Depth" + std::string(test.param.geometry).substr(8);
                         });

TEST_F(OwnDisplay, PaletteDisplayCopiesIndicesWithBlackIndexZeroOffScreen) {
    PrivateDisplay display("320x200x8");
    ASSERT_FALSE(display.name().empty()) << display.error();
    ShownPicture shown({"--root", "tiles"}, display.env());
    ASSERT_TRUE(shown.ready());
    X11Screen screen(display.name().c_str());
    auto palette = screen.systemPalette();
    ASSERT_TRUE(palette.has_value());
    Bitmap b;
    b.setPalette(*palette);
    screen.copyRect(b, Rect{-4, -4, 28, 28});
    ASSERT_EQ(b.depth(), 8);
    // Off the screen: index 0. On it: the tiles, through the palette.
    EXPECT_EQ(b.row(0)[0], 0);
    EXPECT_EQ(b.row(3)[27], 0);
    EXPECT_EQ(test::comparePixels(b,
                                  [](int x, int y) -> std::optional<Color> {
                                      if (x < 4 || y < 4) {
                                          return std::nullopt;
                                      }
                                      return testpattern::tiles(x - 4, y - 4);
                                  }),
              "");
}

TEST_F(OwnDisplay, ScreenIsThePrimaryOutputOrElseTheRoot) {
    PrivateDisplay display("1024x768x24");
    ASSERT_FALSE(display.name().empty()) << display.error();
    X11Screen screen(display.name().c_str());
    // Xvfb's single output is not marked primary.
    EXPECT_EQ(screen.screenRect(), (Rect{0, 0, 1024, 768}));

    // An 800 x 600 primary output on a root window that stays 1024 x 768.
    if (!test::onPath("xrandr")) {
        GTEST_SKIP() << "xrandr is not installed";
    }
    auto env = display.env();
    ASSERT_EQ(test::run({"xrandr", "--newmode", "pelko800", "1", "800", "801", "802", "803", "600",
                         "601", "602", "603"},
                        env),
              0);
    ASSERT_EQ(test::run({"xrandr", "--addmode", "screen", "pelko800"}, env), 0);
    ASSERT_EQ(test::run({"xrandr", "--fb", "1024x768", "--output", "screen", "--mode", "pelko800",
                         "--primary"},
                        env),
              0);
    EXPECT_EQ(screen.screenRect(), (Rect{0, 0, 800, 600}));
    Bitmap b;
    screen.copyRect(b, screen.screenRect());
    EXPECT_EQ(b.width(), 800);
}

TEST_F(OwnDisplay, BorrowedConnectionStaysWithItsOwner) {
    PrivateDisplay display("320x200x24");
    ASSERT_FALSE(display.name().empty()) << display.error();
    TestConnection conn(display.name().c_str());
    ASSERT_TRUE(conn.ok());
    EXPECT_THROW(X11Screen(conn.get(), 1), Error);  // Xvfb was started with one screen
    {
        X11Screen screen(conn.get(), 0);
        EXPECT_EQ(screen.screenRect(), (Rect{0, 0, 320, 200}));
        Bitmap b;
        screen.copyRect(b, screen.screenRect());
        EXPECT_TRUE(screen.usedSharedMemory());
    }
    conn.sync();
    EXPECT_TRUE(conn.ok());
}

// Without a window manager there is no _NET_ACTIVE_WINDOW: the input focus decides.
TEST_F(OwnDisplay, ActiveWindowFollowsTheFocusWithoutWindowManager) {
    PrivateDisplay display("640x480x24");
    ASSERT_FALSE(display.name().empty()) << display.error();
    TestConnection conn(display.name().c_str());
    ASSERT_TRUE(conn.ok());
    X11Screen screen(display.name().c_str());
    EXPECT_FALSE(screen.activeWindowRect().has_value()) << "focus PointerRoot";

    // A top-level window with a 3-pixel border and a child inside it.
    xcb_connection_t* c = conn.get();
    xcb_window_t top = xcb_generate_id(c), child = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, top, conn.root(), 50, 60, 200, 100, 3,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, child, top, 10, 10, 50, 50, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_map_window(c, child);
    xcb_map_window(c, top);
    xcb_set_input_focus(c, XCB_INPUT_FOCUS_NONE, child, XCB_CURRENT_TIME);
    conn.sync();
    EXPECT_EQ(screen.activeWindowRect(), (Rect{50, 60, 256, 166}));

    xcb_set_input_focus(c, XCB_INPUT_FOCUS_NONE, XCB_NONE, XCB_CURRENT_TIME);
    conn.sync();
    EXPECT_FALSE(screen.activeWindowRect().has_value()) << "focus None";

    // Once a window manager keeps _NET_ACTIVE_WINDOW, it wins over the focus, None included.
    xcb_atom_t active = conn.atom("_NET_ACTIVE_WINDOW");
    xcb_set_input_focus(c, XCB_INPUT_FOCUS_NONE, child, XCB_CURRENT_TIME);
    xcb_window_t none = XCB_NONE;
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, conn.root(), active, XCB_ATOM_WINDOW, 32, 1,
                        &none);
    conn.sync();
    EXPECT_FALSE(screen.activeWindowRect().has_value()) << "_NET_ACTIVE_WINDOW None";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, conn.root(), active, XCB_ATOM_WINDOW, 32, 1,
                        &child);
    conn.sync();
    EXPECT_EQ(screen.activeWindowRect(), (Rect{50, 60, 256, 166}));

    // A window that is gone meanwhile is no active window.
    xcb_destroy_window(c, top);
    conn.sync();
    EXPECT_FALSE(screen.activeWindowRect().has_value()) << "destroyed window";
}

}  // namespace
}  // namespace pelko
