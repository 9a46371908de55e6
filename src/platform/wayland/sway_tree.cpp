#include "platform/wayland/sway_tree.h"

#include <chrono>
#include <cstdint>
#include <cstring>

#include "platform/wayland/ipc_connection.h"
#include "platform/wayland/window_stack.h"

namespace pelko::wayland {

namespace {

constexpr char kMagic[] = "i3-ipc";
constexpr std::size_t kMagicSize = 6;
constexpr std::uint32_t kGetTree = 4;

const JsonValue* focusedNode(const JsonValue& node, int depth) {
    if (depth > 200) {
        return nullptr;
    }
    if (const JsonValue* f = node.member("focused");
        f && f->kind == JsonValue::Kind::Bool && f->boolean) {
        return &node;
    }
    for (const char* children : {"nodes", "floating_nodes"}) {
        if (const JsonValue* list = node.member(children);
            list && list->kind == JsonValue::Kind::Array) {
            for (const JsonValue& child : list->items) {
                if (const JsonValue* found = focusedNode(child, depth + 1)) {
                    return found;
                }
            }
        }
    }
    return nullptr;
}

bool isWindow(const JsonValue& node) {
    const JsonValue* type = node.member("type");
    return type && (type->string == "con" || type->string == "floating_con");
}

// The outer rectangle of a window node: the title bar lies above the container's rectangle.
std::optional<Rect> outerRect(const JsonValue& node) {
    const JsonValue* rect = node.member("rect");
    if (!rect || rect->kind != JsonValue::Kind::Object) {
        return std::nullopt;
    }
    const JsonValue* deco = node.member("deco_rect");
    const int titleHeight = intOf(deco ? deco->member("height") : nullptr);
    return rectAt(intOf(rect->member("x")), (long long)intOf(rect->member("y")) - titleHeight,
                  intOf(rect->member("width")),
                  (long long)intOf(rect->member("height")) + titleHeight);
}

bool isTrue(const JsonValue* v) {
    return v && v->kind == JsonValue::Kind::Bool && v->boolean;
}

const std::vector<JsonValue>* children(const JsonValue& node, const char* name) {
    const JsonValue* list = node.member(name);
    return list && list->kind == JsonValue::Kind::Array ? &list->items : nullptr;
}

// Appends the windows on show under node to `windows`, the topmost of each layer first: the
// kind of the top-level container decides between floating and tiled.
void collectWindows(const JsonValue& node, bool inFloating, long long skipPid, int depth,
                    std::vector<StackedWindow>& windows) {
    if (depth > 200) {
        return;
    }
    const auto* nodes = children(node, "nodes");
    const auto* floats = children(node, "floating_nodes");
    const bool leaf = (!nodes || nodes->empty()) && (!floats || floats->empty());
    if (leaf) {
        const JsonValue* pid = node.member("pid");
        if (!isWindow(node) || !isTrue(node.member("visible")) ||
            (pid && pid->kind == JsonValue::Kind::Number && intOf(pid) == skipPid)) {
            return;
        }
        if (const auto r = outerRect(node)) {
            const WindowLayer layer = intOf(node.member("fullscreen_mode")) > 0
                                          ? WindowLayer::FullScreen
                                      : inFloating ? WindowLayer::Floating
                                                   : WindowLayer::Tiled;
            windows.push_back({*r, layer, (long long)windows.size()});
        }
        return;
    }
    // Sway lists floating windows from the bottom of the stack up.
    if (floats) {
        for (auto it = floats->rbegin(); it != floats->rend(); ++it) {
            collectWindows(*it, true, skipPid, depth + 1, windows);
        }
    }
    if (nodes) {
        for (const JsonValue& child : *nodes) {
            collectWindows(child, inFloating, skipPid, depth + 1, windows);
        }
    }
}

}  // namespace

std::optional<Rect> focusedWindowRect(const JsonValue& tree) {
    const JsonValue* node = focusedNode(tree, 0);
    if (!node) {
        return std::nullopt;
    }
    if (!isWindow(*node)) {
        return std::nullopt;
    }
    return outerRect(*node);
}

std::vector<Rect> visibleWindowRects(const JsonValue& tree, long long skipPid) {
    std::vector<StackedWindow> windows;
    collectWindows(tree, false, skipPid, 0, windows);
    return topmostFirst(std::move(windows));
}

JsonValue swayWindowTree(const std::string& socketPath, int timeoutMs) {
    IpcConnection ipc(socketPath, "sway",
                      std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs));
    char request[kMagicSize + 8];
    std::memcpy(request, kMagic, kMagicSize);
    const std::uint32_t header[2] = {0, kGetTree};
    std::memcpy(request + kMagicSize, header, sizeof header);
    ipc.send({request, sizeof request});
    char answer[kMagicSize + 8];
    ipc.read(answer, sizeof answer);
    std::uint32_t answerHeader[2];
    std::memcpy(answerHeader, answer + kMagicSize, sizeof answerHeader);
    if (std::memcmp(answer, kMagic, kMagicSize) != 0 || answerHeader[1] != kGetTree ||
        answerHeader[0] > kMaxIpcAnswer) {
        ipc.fail("its IPC socket answered with something else than its window tree");
    }
    std::string payload(answerHeader[0], '\0');
    ipc.read(payload.data(), payload.size());
    return parseJson(payload);
}

}  // namespace pelko::wayland
