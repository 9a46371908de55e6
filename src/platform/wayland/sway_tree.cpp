#include "platform/wayland/sway_tree.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstring>

#include "core/error.h"

namespace pelko::wayland {

namespace {

constexpr char kMagic[] = "i3-ipc";
constexpr std::size_t kMagicSize = 6;
constexpr std::uint32_t kGetTree = 4;
// A tree of tens of thousands of windows stays far below this.
constexpr std::uint32_t kMaxAnswer = 64u << 20;

int intOf(const JsonValue* v) {
    return v && v->kind == JsonValue::Kind::Number ? int(v->number) : 0;
}

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
    const int x = intOf(rect->member("x")), y = intOf(rect->member("y")) - titleHeight;
    return Rect{x, y, x + intOf(rect->member("width")),
                y + titleHeight + intOf(rect->member("height"))};
}

bool isTrue(const JsonValue* v) {
    return v && v->kind == JsonValue::Kind::Bool && v->boolean;
}

const std::vector<JsonValue>* children(const JsonValue& node, const char* name) {
    const JsonValue* list = node.member(name);
    return list && list->kind == JsonValue::Kind::Array ? &list->items : nullptr;
}

// Appends the windows on show under node, the topmost first, to `floating` or `tiled` (the
// kind of the top-level container decides) and full-screen ones to `full`.
void collectWindows(const JsonValue& node, bool inFloating, long long skipPid, int depth,
                    std::vector<Rect>& full, std::vector<Rect>& floating,
                    std::vector<Rect>& tiled) {
    if (depth > 200) {
        return;
    }
    const auto* nodes = children(node, "nodes");
    const auto* floats = children(node, "floating_nodes");
    const bool leaf = (!nodes || nodes->empty()) && (!floats || floats->empty());
    if (leaf) {
        const JsonValue* pid = node.member("pid");
        if (!isWindow(node) || !isTrue(node.member("visible")) ||
            (pid && pid->kind == JsonValue::Kind::Number && (long long)pid->number == skipPid)) {
            return;
        }
        if (const auto r = outerRect(node); r && r->left < r->right && r->top < r->bottom) {
            const JsonValue* mode = node.member("fullscreen_mode");
            (intOf(mode) > 0 ? full : inFloating ? floating : tiled).push_back(*r);
        }
        return;
    }
    // Sway lists floating windows from the bottom of the stack up.
    if (floats) {
        for (auto it = floats->rbegin(); it != floats->rend(); ++it) {
            collectWindows(*it, true, skipPid, depth + 1, full, floating, tiled);
        }
    }
    if (nodes) {
        for (const JsonValue& child : *nodes) {
            collectWindows(child, inFloating, skipPid, depth + 1, full, floating, tiled);
        }
    }
}

struct Socket {
    int fd = -1;
    ~Socket() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

[[noreturn]] void noAnswer() {
    throw Error("sway did not tell which window is active (no answer on its IPC socket)");
}

// Reads exactly size bytes before the deadline.
void readAll(int fd, char* out, std::size_t size, std::chrono::steady_clock::time_point deadline) {
    std::size_t done = 0;
    while (done < size) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        pollfd p{fd, POLLIN, 0};
        if (left <= 0 || ::poll(&p, 1, int(left)) <= 0) {
            noAnswer();
        }
        const ssize_t n = ::read(fd, out + done, size - done);
        if (n <= 0) {
            noAnswer();
        }
        done += std::size_t(n);
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
    std::vector<Rect> full, floating, tiled;
    collectWindows(tree, false, skipPid, 0, full, floating, tiled);
    full.insert(full.end(), floating.begin(), floating.end());
    full.insert(full.end(), tiled.begin(), tiled.end());
    return full;
}

JsonValue swayWindowTree(const std::string& socketPath, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.empty() || socketPath.size() >= sizeof address.sun_path) {
        noAnswer();
    }
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    Socket s;
    s.fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s.fd < 0 ||
        ::connect(s.fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        noAnswer();
    }
    char request[kMagicSize + 8];
    std::memcpy(request, kMagic, kMagicSize);
    const std::uint32_t header[2] = {0, kGetTree};
    std::memcpy(request + kMagicSize, header, sizeof header);
    if (::send(s.fd, request, sizeof request, MSG_NOSIGNAL) != ssize_t(sizeof request)) {
        noAnswer();
    }
    char answer[kMagicSize + 8];
    readAll(s.fd, answer, sizeof answer, deadline);
    std::uint32_t answerHeader[2];
    std::memcpy(answerHeader, answer + kMagicSize, sizeof answerHeader);
    if (std::memcmp(answer, kMagic, kMagicSize) != 0 || answerHeader[1] != kGetTree ||
        answerHeader[0] > kMaxAnswer) {
        noAnswer();
    }
    std::string payload(answerHeader[0], '\0');
    readAll(s.fd, payload.data(), payload.size(), deadline);
    return parseJson(payload);
}

}  // namespace pelko::wayland
