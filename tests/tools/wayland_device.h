#pragma once

// What the input device tools for the headless Wayland test desktop share: binding the seat and
// the device protocol's manager, and answering commands from standard input.
#include <wayland-client.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <iostream>
#include <string>

namespace pelko::tools {

// The compositor's seat and the manager global of one device protocol.
struct DeviceGlobals {
    const wl_interface* wanted = nullptr;
    wl_seat* seat = nullptr;
    void* manager = nullptr;
};

inline void bindDeviceGlobal(void* data, wl_registry* registry, std::uint32_t name,
                             const char* interface, std::uint32_t) {
    auto* g = static_cast<DeviceGlobals*>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && !g->seat) {
        g->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    } else if (std::strcmp(interface, g->wanted->name) == 0 && !g->manager) {
        g->manager = wl_registry_bind(registry, name, g->wanted, 1);
    }
}

inline void ignoreGlobalRemove(void*, wl_registry*, std::uint32_t) {}

// Connects to the compositor of WAYLAND_DISPLAY and binds the seat and the `manager` global;
// null (after saying why on standard error) when there is no compositor or it lacks either.
inline wl_display* connectDevice(const wl_interface* manager, DeviceGlobals& globals) {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "no Wayland compositor\n");
        return nullptr;
    }
    static const wl_registry_listener listener{bindDeviceGlobal, ignoreGlobalRemove};
    globals.wanted = manager;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &listener, &globals);
    wl_display_roundtrip(display);
    if (!globals.manager || !globals.seat) {
        std::fprintf(stderr, "the compositor has no %s\n", manager->name);
        wl_display_disconnect(display);
        return nullptr;
    }
    return display;
}

// Says "ready", then carries out each line of standard input with `run` and answers "ok" once
// the compositor has handled it ("error WHY" when run returns why it could not). False when
// the connection breaks.
inline bool serveCommands(wl_display* display,
                          const std::function<std::string(const std::string&)>& run) {
    if (wl_display_roundtrip(display) < 0) {
        std::fprintf(stderr, "the compositor refused the device\n");
        return false;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    std::string line;
    while (std::getline(std::cin, line)) {
        const std::string error = run(line);
        if (wl_display_roundtrip(display) < 0) {
            return false;
        }
        std::printf("%s\n", error.empty() ? "ok" : ("error " + error).c_str());
        std::fflush(stdout);
    }
    return true;
}

}  // namespace pelko::tools
