#include "platform/wayland/hyprland_windows.h"

#include <gtest/gtest.h>

#include "core/error.h"
#include "platform/wayland/sway_tree.h"
#include "platform/wayland/window_stack.h"
#include "support/temp_dir.h"

namespace pelko::wayland {
namespace {

// A scene recorded as Hyprland answers j/activewindow, j/clients and j/monitors.
JsonValue scene(const std::string& name) {
    const std::string text = test::readText(PELKO_HYPRLAND_SCENES "/" + name + ".json");
    if (text.empty()) {
        throw Error("no scene " + name);
    }
    return parseJson(text);
}

struct Hit {
    Point pixel;                 // on the screen
    std::optional<Rect> window;  // in screen coordinates; none over the bare desktop
};

struct Case {
    const char* scene;
    Rect output;  // the screen's output as wl_output tells it: layout position, size in pixels
    double scale;
    std::vector<Rect> stack;  // the windows on show, topmost first, in layout coordinates
    bool hasActive;
    std::optional<Rect> active;  // in screen coordinates; none when it lies on another output
    std::vector<Hit> hits;
};

TEST(HyprlandWindows, ReadsTheActiveWindowAndTheStackAndMapsThemToTheScreen) {
    const Case cases[] = {
        {"tiled",
         {0, 0, 1920, 1080},
         1,
         {{0, 0, 960, 1080}, {960, 0, 1920, 1080}},
         true,
         Rect{0, 0, 960, 1080},
         {{{1000, 10}, Rect{960, 0, 1920, 1080}}, {{959, 1079}, Rect{0, 0, 960, 1080}}}},
        {"floating",
         {0, 0, 1920, 1080},
         1,
         {{100, 100, 500, 400}, {300, 200, 700, 500}, {0, 0, 1920, 1080}},
         true,
         Rect{100, 100, 500, 400},
         {{{350, 250}, Rect{100, 100, 500, 400}},
          {{650, 450}, Rect{300, 200, 700, 500}},
          {{1500, 900}, Rect{0, 0, 1920, 1080}}}},
        // The full-screen window lies above the floating one focused after it, and a
        // full-screen window of an older release (true) on the second monitor above nothing.
        {"fullscreen",
         {0, 0, 1920, 1080},
         1,
         {{0, 0, 1920, 1080}, {1920, 0, 3200, 1024}, {100, 100, 500, 400}},
         true,
         Rect{0, 0, 1920, 1080},
         {{{200, 200}, Rect{0, 0, 1920, 1080}}}},
        // Only the shown tiled window and the open special workspace's one are on show; the
        // selector's own window (pid 4242) is passed over.
        {"hidden",
         {0, 0, 1920, 1080},
         1,
         {{1500, 800, 1800, 1000}, {0, 0, 1920, 1080}},
         true,
         Rect{0, 0, 1920, 1080},
         {{{120, 120}, Rect{0, 0, 1920, 1080}}, {{1600, 900}, Rect{1500, 800, 1800, 1000}}}},
        // Layout coordinates times 1.5; the window across both monitors is cut to the screen.
        {"scaled",
         {0, 0, 2880, 1620},
         1.5,
         {{100, 100, 400, 300}, {1800, 1000, 2200, 1400}, {1920, 0, 3840, 1080}},
         true,
         Rect{150, 150, 600, 450},
         {{{160, 160}, Rect{150, 150, 600, 450}},
          {{599, 449}, Rect{150, 150, 600, 450}},
          {{600, 450}, std::nullopt},
          {{2870, 1610}, Rect{2700, 1500, 2880, 1620}}}},
        // The screen is the monitor at (1920, 200).
        {"offset",
         {1920, 200, 4480, 1640},
         1,
         {{2000, 300, 2800, 900}, {0, 0, 1920, 1080}},
         true,
         Rect{80, 100, 880, 700},
         {{{80, 100}, Rect{80, 100, 880, 700}}, {{79, 100}, std::nullopt}}},
        // The focused window lies on the monitor to the right of the screen.
        {"offset",
         {0, 0, 1920, 1080},
         1,
         {{2000, 300, 2800, 900}, {0, 0, 1920, 1080}},
         true,
         std::nullopt,
         {{{5, 5}, Rect{0, 0, 1920, 1080}}}},
        {"empty", {0, 0, 1920, 1080}, 1, {}, false, std::nullopt, {{{5, 5}, std::nullopt}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scene);
        const JsonValue s = scene(c.scene);
        const JsonValue& monitors = *s.member("monitors");
        EXPECT_EQ(hyprlandMonitorScale(monitors, c.output.left, c.output.top), c.scale);
        const OutputPlacement screen{c.output.left, c.output.top, c.scale, c.output.width(),
                                     c.output.height()};

        const auto active = hyprlandActiveWindowRect(*s.member("activewindow"));
        EXPECT_EQ(active.has_value(), c.hasActive);
        EXPECT_EQ(active ? onOutput(*active, screen) : std::nullopt, c.active);

        const auto stack = hyprlandWindowsOnShow(*s.member("clients"), monitors, 4242);
        EXPECT_EQ(stack, c.stack);
        for (const Hit& h : c.hits) {
            EXPECT_EQ(windowAtPixel(stack, h.pixel, screen), h.window)
                << h.pixel.x << ", " << h.pixel.y;
        }
    }
    // Without a monitor at the screen's position, wl_output's scale stands.
    EXPECT_EQ(hyprlandMonitorScale(*scene("scaled").member("monitors"), 5, 5), std::nullopt);
}

TEST(HyprlandWindows, RefusesAnswersOfAnotherShapeAndPassesOverOddWindows) {
    for (const char* odd : {"[]", "null", "\"unknown request\"", "{\"at\": [1, 2]}",
                            "{\"at\": [1, 2], \"size\": [3]}", "{\"at\": 5, \"size\": [3, 4]}"}) {
        EXPECT_THROW(hyprlandActiveWindowRect(parseJson(odd)), Error) << odd;
    }
    const JsonValue monitors = parseJson("[{\"activeWorkspace\": {\"id\": 1}}]");
    EXPECT_THROW(hyprlandWindowsOnShow(parseJson("{}"), monitors, 0), Error);
    EXPECT_THROW(hyprlandWindowsOnShow(parseJson("[]"), parseJson("{}"), 0), Error);
    EXPECT_THROW(hyprlandMonitorScale(parseJson("\"ok\""), 0, 0), Error);
    // Entries without what a window needs, or numbers past any coordinate, never crash.
    const JsonValue clients = parseJson(
        "[1, {}, \"x\", {\"workspace\": {\"id\": 1}}, "
        "{\"workspace\": {\"id\": 1}, \"at\": [\"a\", 0], \"size\": [5, 5]}, "
        "{\"workspace\": {\"id\": 1}, \"at\": [1e300, -1e300], \"size\": [1e300, 1e300]}, "
        "{\"workspace\": 1, \"at\": [0, 0], \"size\": [5, 5]}]");
    EXPECT_TRUE(hyprlandWindowsOnShow(clients, monitors, 0).empty());
}

TEST(CompositorWindows, SwaysSocketFirstThenHyprlandsElseNone) {
    const auto kind = [](const CompositorSockets& sockets) -> std::string {
        const auto windows = openCompositorWindows(sockets);
        return !windows                                        ? "none"
               : dynamic_cast<SwayWindows*>(windows.get())     ? "sway"
               : dynamic_cast<HyprlandWindows*>(windows.get()) ? "hyprland"
                                                               : "other";
    };
    EXPECT_EQ(kind({"/run/sway-ipc.sock", "", "/run/user/7"}), "sway");
    EXPECT_EQ(kind({"/run/sway-ipc.sock", "sig", "/run/user/7"}), "sway");
    EXPECT_EQ(kind({"", "sig", "/run/user/7"}), "hyprland");
    EXPECT_EQ(kind({"", "", "/run/user/7"}), "none");
}

}  // namespace
}  // namespace pelko::wayland
