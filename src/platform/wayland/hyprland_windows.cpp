#include "platform/wayland/hyprland_windows.h"

#include <climits>
#include <set>

#include "platform/wayland/hyprland_ipc.h"
#include "platform/wayland/window_stack.h"

namespace pelko::wayland {

namespace {

bool isNumber(const JsonValue* v) {
    return v && v->kind == JsonValue::Kind::Number;
}

// Whether v is true, or a number other than 0: Hyprland's releases write some flags either way.
bool isSet(const JsonValue* v) {
    return v && ((v->kind == JsonValue::Kind::Bool && v->boolean) ||
                 (v->kind == JsonValue::Kind::Number && v->number != 0));
}

bool isFalse(const JsonValue* v) {
    return v && v->kind == JsonValue::Kind::Bool && !v->boolean;
}

// A pair [a, b] of numbers.
std::optional<std::pair<int, int>> pairOf(const JsonValue* v) {
    if (!v || v->kind != JsonValue::Kind::Array || v->items.size() != 2 ||
        !isNumber(&v->items[0]) || !isNumber(&v->items[1])) {
        return std::nullopt;
    }
    return std::pair{intOf(&v->items[0]), intOf(&v->items[1])};
}

// A window's rectangle from its `at` and `size`.
std::optional<Rect> windowRect(const JsonValue& client) {
    const auto at = pairOf(client.member("at"));
    const auto size = pairOf(client.member("size"));
    if (!at || !size) {
        return std::nullopt;
    }
    return rectAt(at->first, at->second, size->first, size->second);
}

// The id of an object's workspace member (such as {"id": 3, "name": "3"}).
std::optional<long long> workspaceId(const JsonValue& object, const char* member) {
    const JsonValue* workspace = object.member(member);
    const JsonValue* id = workspace ? workspace->member("id") : nullptr;
    return isNumber(id) ? std::optional<long long>(intOf(id)) : std::nullopt;
}

const std::vector<JsonValue>& listOf(const JsonValue& answer) {
    if (answer.kind != JsonValue::Kind::Array) {
        unreadableAnswer();
    }
    return answer.items;
}

}  // namespace

std::optional<Rect> hyprlandActiveWindowRect(const JsonValue& activeWindow) {
    if (activeWindow.kind != JsonValue::Kind::Object) {
        unreadableAnswer();
    }
    if (activeWindow.members.empty()) {
        return std::nullopt;
    }
    const auto rect = windowRect(activeWindow);
    if (!rect) {
        unreadableAnswer();
    }
    return rect;
}

std::vector<Rect> hyprlandWindowsOnShow(const JsonValue& clients, const JsonValue& monitors,
                                        long long skipPid) {
    // Each monitor shows its active workspace and, while it is open, a special workspace.
    std::set<long long> shown;
    for (const JsonValue& monitor : listOf(monitors)) {
        if (isSet(monitor.member("disabled"))) {
            continue;
        }
        for (const char* workspace : {"activeWorkspace", "specialWorkspace"}) {
            if (const auto id = workspaceId(monitor, workspace); id && *id != 0) {
                shown.insert(*id);
            }
        }
    }
    std::vector<StackedWindow> windows;
    for (const JsonValue& client : listOf(clients)) {
        const auto workspace = workspaceId(client, "workspace");
        const JsonValue* pid = client.member("pid");
        if (isFalse(client.member("mapped")) || isSet(client.member("hidden")) || !workspace ||
            !shown.count(*workspace) || (isNumber(pid) && intOf(pid) == skipPid)) {
            continue;
        }
        const auto rect = windowRect(client);
        if (!rect) {
            continue;
        }
        const JsonValue* focusOrder = client.member("focusHistoryID");
        const WindowLayer layer = isSet(client.member("fullscreen")) ? WindowLayer::FullScreen
                                  : isSet(client.member("floating")) ? WindowLayer::Floating
                                                                     : WindowLayer::Tiled;
        windows.push_back({*rect, layer, isNumber(focusOrder) ? intOf(focusOrder) : LLONG_MAX});
    }
    return topmostFirst(std::move(windows));
}

std::optional<double> hyprlandMonitorScale(const JsonValue& monitors, int x, int y) {
    for (const JsonValue& monitor : listOf(monitors)) {
        const JsonValue *mx = monitor.member("x"), *my = monitor.member("y");
        const JsonValue* scale = monitor.member("scale");
        if (isNumber(mx) && isNumber(my) && intOf(mx) == x && intOf(my) == y &&
            !isSet(monitor.member("disabled")) && isNumber(scale) && scale->number > 0) {
            return scale->number;
        }
    }
    return std::nullopt;
}

JsonValue HyprlandWindows::ask(const std::string& request) const {
    return parseJson(hyprlandRequest(m_socketPaths, request, m_timeoutMs));
}

std::optional<Rect> HyprlandWindows::focusedWindow() {
    return hyprlandActiveWindowRect(ask("j/activewindow"));
}

std::vector<Rect> HyprlandWindows::windowsOnShow(long long skipPid) {
    const JsonValue clients = ask("j/clients");
    return hyprlandWindowsOnShow(clients, ask("j/monitors"), skipPid);
}

double HyprlandWindows::outputScale(int x, int y, int wlScale) {
    return hyprlandMonitorScale(ask("j/monitors"), x, y).value_or(wlScale);
}

}  // namespace pelko::wayland
