#include "ui/toolkit/x11_display.h"

#include <QGuiApplication>
#include <charconv>

namespace pelko {

X11Display applicationX11Display(std::string_view displayName) {
    X11Display d;
    d.screenNumber = screenNumberOf(displayName);
    if (auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>()) {
        d.connection = x11->connection();
    }
    return d;
}

int screenNumberOf(std::string_view displayName) {
    const std::size_t colon = displayName.rfind(':');
    if (colon == std::string_view::npos) {
        return 0;
    }
    const std::string_view rest = displayName.substr(colon + 1);
    const std::size_t dot = rest.find('.');
    if (dot == std::string_view::npos) {
        return 0;
    }
    const std::string_view digits = rest.substr(dot + 1);
    int screen = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), screen);
    if (ec != std::errc() || end != digits.data() + digits.size() || screen < 0) {
        return 0;
    }
    return screen;
}

}  // namespace pelko
