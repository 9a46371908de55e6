// A pointer device of its own on a Wayland compositor (wlroots virtual-pointer protocol), for
// tests on a headless compositor that has no input devices. Reads commands from standard input,
// one a line, and answers each with "ok" once the compositor has handled it:
//   move X Y      put the pointer at (X, Y) of the output
//   press         press the left button
//   release       release it
// The device lives until standard input ends.
//   pelko-virtual-pointer WIDTH HEIGHT     (the output's size)
#include <linux/input-event-codes.h>
#include <wayland-client.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>

#include "wlr-virtual-pointer-unstable-v1-client.h"

namespace {

struct Globals {
    wl_seat* seat = nullptr;
    zwlr_virtual_pointer_manager_v1* manager = nullptr;
};

void global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
            std::uint32_t) {
    auto* g = static_cast<Globals*>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && !g->seat) {
        g->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    } else if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0) {
        g->manager = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
    }
}

void globalRemove(void*, wl_registry*, std::uint32_t) {}

const wl_registry_listener kRegistry{global, globalRemove};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: pelko-virtual-pointer WIDTH HEIGHT\n");
        return 2;
    }
    const std::uint32_t width = std::uint32_t(std::atoi(argv[1]));
    const std::uint32_t height = std::uint32_t(std::atoi(argv[2]));
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "no Wayland compositor\n");
        return 1;
    }
    Globals g;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistry, &g);
    wl_display_roundtrip(display);
    if (!g.manager) {
        std::fprintf(stderr, "the compositor has no virtual-pointer protocol\n");
        return 1;
    }
    zwlr_virtual_pointer_v1* pointer =
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(g.manager, g.seat);
    wl_display_roundtrip(display);
    std::printf("ready\n");
    std::fflush(stdout);
    std::uint32_t time = 1;
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream words(line);
        std::string command;
        words >> command;
        if (command == "move") {
            std::uint32_t x = 0, y = 0;
            words >> x >> y;
            zwlr_virtual_pointer_v1_motion_absolute(pointer, time++, x, y, width, height);
        } else if (command == "press" || command == "release") {
            zwlr_virtual_pointer_v1_button(pointer, time++, BTN_LEFT,
                                           command == "press" ? WL_POINTER_BUTTON_STATE_PRESSED
                                                              : WL_POINTER_BUTTON_STATE_RELEASED);
        }
        zwlr_virtual_pointer_v1_frame(pointer);
        if (wl_display_roundtrip(display) < 0) {
            return 1;
        }
        std::printf("ok\n");
        std::fflush(stdout);
    }
    zwlr_virtual_pointer_v1_destroy(pointer);
    zwlr_virtual_pointer_manager_v1_destroy(g.manager);
    wl_display_disconnect(display);
    return 0;
}
