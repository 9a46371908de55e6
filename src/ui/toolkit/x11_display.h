#pragma once

#include <string_view>

namespace pelko {

// The application's own connection to the X server, for the platform code that shares it.
struct X11Display {
    void* connection = nullptr;  // xcb_connection_t*; null when the application is not on X11
    int screenNumber = 0;
};

// The connection of the running QApplication and the screen number of its display name.
// Under a platform other than xcb (offscreen tests, Wayland) the connection is null.
X11Display applicationX11Display(std::string_view displayName);

// The screen number of an X display name as the X libraries read it: "host:display.screen";
// 0 when the name has no screen part or is malformed.
int screenNumberOf(std::string_view displayName);

}  // namespace pelko
