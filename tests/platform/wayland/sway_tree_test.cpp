#include "platform/wayland/sway_tree.h"

#include <gtest/gtest.h>

#include "core/error.h"

namespace pelko::wayland {
namespace {

// The parts of sway's GET_TREE answer that matter: an output with a workspace holding a tiled
// window and a floating one; FOCUS marks which node has the focus.
std::string tree(const std::string& focus) {
    auto node = [&](const std::string& name, const std::string& type, const std::string& rest) {
        return "{\"name\": \"" + name + "\", \"type\": \"" + type +
               "\", \"focused\": " + (focus == name ? "true" : "false") + ", " + rest + "}";
    };
    const std::string tiled =
        node("tiled", "con",
             "\"rect\": {\"x\": 0, \"y\": 24, \"width\": 640, \"height\": 696},"
             "\"deco_rect\": {\"x\": 0, \"y\": 0, \"width\": 640, \"height\": 24},"
             "\"nodes\": [], \"name_u\": \"caf\\u00e9 \\ud83d\\ude00 \\\"q\\\"\"");
    const std::string floating =
        node("floating", "floating_con",
             "\"rect\": {\"x\": 700, \"y\": 100, \"width\": 300, \"height\": 200},"
             "\"deco_rect\": {\"x\": 0, \"y\": 0, \"width\": 0, \"height\": 0}, \"nodes\": []");
    const std::string workspace =
        node("1", "workspace",
             "\"rect\": {\"x\": 0, \"y\": 0, \"width\": 1280, \"height\": 720},"
             "\"nodes\": [" +
                 tiled + "], \"floating_nodes\": [" + floating +
                 "], \"layout\": null, \"percent\": 0.5e0");
    return node(
        "root", "root",
        "\"nodes\": [" + node("HEADLESS-1", "output", "\"nodes\": [" + workspace + "]") + "]");
}

TEST(FocusedWindowRect, GivesTheFocusedWindowWithItsTitleBarAndNoneOffWindows) {
    EXPECT_EQ(focusedWindowRect(parseJson(tree("tiled"))), (Rect{0, 0, 640, 720}));
    EXPECT_EQ(focusedWindowRect(parseJson(tree("floating"))), (Rect{700, 100, 1000, 300}));
    EXPECT_EQ(focusedWindowRect(parseJson(tree("1"))), std::nullopt);  // an empty workspace
    EXPECT_EQ(focusedWindowRect(parseJson(tree("nothing"))), std::nullopt);
}

// A window node of sway's tree: its rectangle, whether it is on show, its process and, for a
// full-screen one, its mode.
std::string window(const std::string& type, int x, int y, int w, int h, bool visible, int pid,
                   int fullscreen = 0) {
    return "{\"type\": \"" + type + "\", \"rect\": {\"x\": " + std::to_string(x) +
           ", \"y\": " + std::to_string(y) + ", \"width\": " + std::to_string(w) +
           ", \"height\": " + std::to_string(h) +
           "}, \"deco_rect\": {\"height\": 10}, \"visible\": " + (visible ? "true" : "false") +
           ", \"pid\": " + std::to_string(pid) +
           ", \"fullscreen_mode\": " + std::to_string(fullscreen) +
           ", \"nodes\": [], \"floating_nodes\": []}";
}

TEST(VisibleWindowRects, ListsWindowsOnShowTopmostFirst) {
    // Workspace 1 is shown: two tiled windows side by side in a split container, two floating
    // ones (sway lists the one raised last at the end); workspace 2 is hidden.
    const std::string split =
        "{\"type\": \"con\", \"rect\": {\"x\": 0, \"y\": 0, "
        "\"width\": 1280, \"height\": 720}, \"nodes\": [" +
        window("con", 0, 10, 640, 710, true, 7) + ", " + window("con", 640, 10, 640, 710, true, 8) +
        "]}";
    const std::string shown = "{\"type\": \"workspace\", \"nodes\": [" + split +
                              "], \"floating_nodes\": [" +
                              window("floating_con", 100, 110, 300, 200, true, 9) + ", " +
                              window("floating_con", 200, 160, 300, 200, true, 10) + "]}";
    const std::string hidden = "{\"type\": \"workspace\", \"nodes\": [" +
                               window("con", 0, 10, 1280, 710, false, 11) + "]}";
    const std::string tree =
        "{\"type\": \"root\", \"nodes\": [{\"type\": \"output\", "
        "\"nodes\": [" +
        shown + ", " + hidden + "]}]}";
    EXPECT_EQ(
        visibleWindowRects(parseJson(tree), 1),
        (std::vector<Rect>{
            {200, 150, 500, 360}, {100, 100, 400, 310}, {0, 0, 640, 720}, {640, 0, 1280, 720}}));
    // The selector's own windows are passed over.
    EXPECT_EQ(visibleWindowRects(parseJson(tree), 10).front(), (Rect{100, 100, 400, 310}));

    // A full-screen window lies above the floating ones, even when tiled.
    const std::string full =
        "{\"type\": \"workspace\", \"nodes\": [" + window("con", 0, 10, 1280, 710, true, 12, 1) +
        "], \"floating_nodes\": [" + window("floating_con", 100, 110, 300, 200, true, 9) + "]}";
    EXPECT_EQ(visibleWindowRects(parseJson(full), 1),
              (std::vector<Rect>{{0, 0, 1280, 720}, {100, 100, 400, 310}}));
    // Nodes without a rectangle or of unexpected shape give nothing, never a crash.
    for (const char* odd : {"{}", "[]", "{\"type\": \"con\", \"visible\": true}",
                            "{\"type\": \"con\", \"visible\": true, \"rect\": 3}",
                            "{\"nodes\": 5, \"floating_nodes\": {}}"}) {
        EXPECT_TRUE(visibleWindowRects(parseJson(odd), 1).empty()) << odd;
    }
}

TEST(ParseJson, ReadsEscapesAndRefusesMalformedText) {
    const JsonValue v = parseJson("{\"s\": \"a\\u00e9\\ud83d\\ude00\\n\", \"n\": -1.5e1}");
    EXPECT_EQ(v.member("s")->string, "a\xC3\xA9\xF0\x9F\x98\x80\n");
    EXPECT_EQ(v.member("n")->number, -15);
    for (const char* bad : {"", "{", "{\"a\" 1}", "[1,]x", "\"\\x\"", "\"open", "tru",
                            "{\"a\": 1} 2", "\"\\ud83d\\u0041\""}) {
        EXPECT_THROW(parseJson(bad), Error) << bad;
    }
    EXPECT_THROW(parseJson(std::string(300, '[') + std::string(300, ']')), Error);
}

}  // namespace
}  // namespace pelko::wayland
