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
