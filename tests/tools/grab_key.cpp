// Holds a key combination as another program would: a passive grab on the root window.
//   pelko-grab-key KEYSYM MODIFIERS
// KEYSYM is the key's X keysym in hexadecimal (0x66 is "f"), MODIFIERS the X modifier mask in
// decimal (1 Shift, 4 Control, 8 Mod1/Alt). Prints "grabbed" once the server took the grab,
// "refused" and exits 1 when it did not, then keeps the grab until stdin closes.
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: pelko-grab-key KEYSYM MODIFIERS\n");
        return 2;
    }
    const auto keysym = xcb_keysym_t(std::strtoul(argv[1], nullptr, 16));
    const auto modifiers = std::uint16_t(std::strtoul(argv[2], nullptr, 10));
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "cannot open the display\n");
        return 2;
    }
    const xcb_setup_t* setup = xcb_get_setup(c);
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(setup);
    for (int i = 0; i < screenNumber; ++i) {
        xcb_screen_next(&it);
    }
    const xcb_window_t root = it.data->root;
    const int first = setup->min_keycode;
    const int count = setup->max_keycode - setup->min_keycode + 1;
    xcb_get_keyboard_mapping_reply_t* mapping = xcb_get_keyboard_mapping_reply(
        c, xcb_get_keyboard_mapping(c, xcb_keycode_t(first), std::uint8_t(count)), nullptr);
    if (!mapping) {
        return 2;
    }
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(mapping);
    const int per = mapping->keysyms_per_keycode;
    xcb_keycode_t keycode = 0;
    for (int k = 0; k < count && keycode == 0; ++k) {
        for (int j = 0; j < per; ++j) {
            if (syms[k * per + j] == keysym) {
                keycode = xcb_keycode_t(first + k);
                break;
            }
        }
    }
    std::free(mapping);
    if (keycode == 0) {
        std::fprintf(stderr, "no key has this keysym\n");
        return 2;
    }
    xcb_generic_error_t* error =
        xcb_request_check(c, xcb_grab_key_checked(c, 0, root, modifiers, keycode,
                                                  XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    if (error) {
        std::free(error);
        std::puts("refused");
        return 1;
    }
    std::puts("grabbed");
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    xcb_disconnect(c);
    return 0;
}
