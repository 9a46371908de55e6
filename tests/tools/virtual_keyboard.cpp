// A keyboard of its own on a Wayland compositor (virtual-keyboard protocol), for tests on a
// headless compositor that has no input devices. The keymap is the US layout, compiled with
// xkbcommon and handed to the compositor in a memory file. Reads commands from standard input,
// one a line, and answers each with "ok" once the compositor has handled it:
//   key [MOD+]...NAME    press and release the key of the keysym NAME (Escape, Down, a, ...)
//                        with the modifiers held: shift, ctrl, alt, super
//   press NAME           press the key only
//   release NAME         release it
// An unknown key or modifier is answered with "error ..." and sends nothing.
// The device lives until standard input ends.
//   pelko-virtual-keyboard
#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "virtual-keyboard-unstable-v1-client.h"
#include "wayland_device.h"

namespace {

struct XkbDeleter {
    void operator()(xkb_context* c) const { xkb_context_unref(c); }
    void operator()(xkb_keymap* k) const { xkb_keymap_unref(k); }
};

// The keymap text in a memory file, as the protocol wants it: its descriptor and size.
struct KeymapFile {
    int fd = -1;
    std::uint32_t size = 0;
    KeymapFile() = default;
    KeymapFile(const KeymapFile&) = delete;
    KeymapFile& operator=(const KeymapFile&) = delete;
    ~KeymapFile() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

bool writeKeymap(xkb_keymap* keymap, KeymapFile& file) {
    std::unique_ptr<char, decltype(&std::free)> text(
        xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1), &std::free);
    if (!text) {
        return false;
    }
    file.fd = ::memfd_create("pelko-keymap", MFD_CLOEXEC);
    if (file.fd < 0) {
        return false;
    }
    const std::size_t size = std::strlen(text.get()) + 1;  // the compositor wants the NUL too
    std::size_t written = 0;
    while (written < size) {
        const ssize_t n = ::write(file.fd, text.get() + written, size - written);
        if (n <= 0) {
            return false;
        }
        written += std::size_t(n);
    }
    file.size = std::uint32_t(size);
    return true;
}

// The evdev code of the first key whose first or second (shifted) level gives `keysym`, and
// whether it needs the shifted level.
struct KeyPlace {
    std::uint32_t code = 0;
    bool shifted = false;
};

std::optional<KeyPlace> findKey(xkb_keymap* keymap, xkb_keysym_t keysym) {
    for (xkb_level_index_t level = 0; level < 2; ++level) {
        for (xkb_keycode_t key = xkb_keymap_min_keycode(keymap);
             key <= xkb_keymap_max_keycode(keymap); ++key) {
            const xkb_keysym_t* syms = nullptr;
            const int count = xkb_keymap_key_get_syms_by_level(keymap, key, 0, level, &syms);
            for (int i = 0; i < count; ++i) {
                if (syms[i] == keysym) {
                    return KeyPlace{key - 8, level == 1};  // xkb codes are evdev codes + 8
                }
            }
        }
    }
    return std::nullopt;
}

struct Modifier {
    const char* name;     // as written in a command
    const char* xkbName;  // the keymap's modifier
    std::uint32_t evdev;  // the key that holds it
};

constexpr Modifier kModifiers[] = {{"shift", XKB_MOD_NAME_SHIFT, KEY_LEFTSHIFT},
                                   {"ctrl", XKB_MOD_NAME_CTRL, KEY_LEFTCTRL},
                                   {"alt", XKB_MOD_NAME_ALT, KEY_LEFTALT},
                                   {"super", XKB_MOD_NAME_LOGO, KEY_LEFTMETA}};

class Keyboard {
  public:
    Keyboard(zwp_virtual_keyboard_v1* device, xkb_keymap* keymap)
        : m_device(device), m_keymap(keymap) {}

    // Carries out one command line; an empty string when done, else what is wrong with it.
    std::string run(const std::string& line) {
        std::istringstream words(line);
        std::string command, keys;
        words >> command >> keys;
        if (command != "key" && command != "press" && command != "release") {
            return "unknown command " + command;
        }
        std::vector<const Modifier*> held;
        std::string name = keys;
        for (std::size_t plus; (plus = name.find('+')) != std::string::npos && plus > 0;) {
            const std::string mod = name.substr(0, plus);
            const Modifier* found = nullptr;
            for (const Modifier& m : kModifiers) {
                if (mod == m.name) {
                    found = &m;
                }
            }
            if (!found) {
                return "unknown modifier " + mod;
            }
            held.push_back(found);
            name.erase(0, plus + 1);
        }
        const xkb_keysym_t keysym = xkb_keysym_from_name(name.c_str(), XKB_KEYSYM_NO_FLAGS);
        const std::optional<KeyPlace> place =
            keysym == XKB_KEY_NoSymbol ? std::nullopt : findKey(m_keymap, keysym);
        if (!place) {
            return "no key gives " + name;
        }
        if (place->shifted) {
            held.push_back(&kModifiers[0]);
        }
        if (command == "key" || command == "press") {
            hold(held, true);
            send(place->code, WL_KEYBOARD_KEY_STATE_PRESSED);
        }
        if (command == "key" || command == "release") {
            send(place->code, WL_KEYBOARD_KEY_STATE_RELEASED);
            hold(held, false);
        }
        return {};
    }

  private:
    void send(std::uint32_t code, std::uint32_t state) {
        zwp_virtual_keyboard_v1_key(m_device, m_time++, code, state);
    }

    // Presses (or releases) the modifier keys and tells the compositor the modifier state,
    // which the focused client reads its modifiers from.
    void hold(const std::vector<const Modifier*>& modifiers, bool down) {
        if (modifiers.empty()) {
            return;
        }
        std::uint32_t mask = 0;
        for (const Modifier* m : modifiers) {
            send(m->evdev, down ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
            const xkb_mod_index_t index = xkb_keymap_mod_get_index(m_keymap, m->xkbName);
            if (index != XKB_MOD_INVALID) {
                mask |= 1u << index;
            }
        }
        zwp_virtual_keyboard_v1_modifiers(m_device, down ? mask : 0, 0, 0, 0);
    }

    zwp_virtual_keyboard_v1* m_device;
    xkb_keymap* m_keymap;
    std::uint32_t m_time = 1;
};

}  // namespace

int main(int argc, char**) {
    if (argc != 1) {
        std::fprintf(stderr, "usage: pelko-virtual-keyboard  (commands on standard input)\n");
        return 2;
    }
    std::unique_ptr<xkb_context, XkbDeleter> context(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
    const xkb_rule_names names{"evdev", "pc105", "us", "", ""};
    std::unique_ptr<xkb_keymap, XkbDeleter> keymap(
        context ? xkb_keymap_new_from_names(context.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS)
                : nullptr);
    KeymapFile file;
    if (!keymap || !writeKeymap(keymap.get(), file)) {
        std::fprintf(stderr, "cannot compile the US keymap\n");
        return 1;
    }
    pelko::tools::DeviceGlobals g;
    wl_display* display =
        pelko::tools::connectDevice(&zwp_virtual_keyboard_manager_v1_interface, g);
    if (!display) {
        return 1;
    }
    auto* manager = static_cast<zwp_virtual_keyboard_manager_v1*>(g.manager);
    zwp_virtual_keyboard_v1* device =
        zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(manager, g.seat);
    zwp_virtual_keyboard_v1_keymap(device, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, file.fd, file.size);
    Keyboard keyboard(device, keymap.get());
    const bool served = pelko::tools::serveCommands(
        display, [&keyboard](const std::string& line) { return keyboard.run(line); });
    zwp_virtual_keyboard_v1_destroy(device);
    zwp_virtual_keyboard_manager_v1_destroy(manager);
    wl_display_disconnect(display);
    return served ? 0 : 1;
}
