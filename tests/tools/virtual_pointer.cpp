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
#include <sstream>
#include <string>

#include "wayland_device.h"
#include "wlr-virtual-pointer-unstable-v1-client.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: pelko-virtual-pointer WIDTH HEIGHT\n");
        return 2;
    }
    const std::uint32_t width = std::uint32_t(std::atoi(argv[1]));
    const std::uint32_t height = std::uint32_t(std::atoi(argv[2]));
    pelko::tools::DeviceGlobals g;
    wl_display* display =
        pelko::tools::connectDevice(&zwlr_virtual_pointer_manager_v1_interface, g);
    if (!display) {
        return 1;
    }
    auto* manager = static_cast<zwlr_virtual_pointer_manager_v1*>(g.manager);
    zwlr_virtual_pointer_v1* pointer =
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, g.seat);
    std::uint32_t time = 1;
    const bool served = pelko::tools::serveCommands(display, [&](const std::string& line) {
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
        return std::string();
    });
    zwlr_virtual_pointer_v1_destroy(pointer);
    zwlr_virtual_pointer_manager_v1_destroy(manager);
    wl_display_disconnect(display);
    return served ? 0 : 1;
}
