#include "platform/desktop/dbus_session.h"

#include <sys/stat.h>

#include <cstdlib>
#include <string_view>

namespace pelko {

namespace {

// An address of a transport that no client knows: connecting fails at once, never starting a
// bus.
constexpr char kNoBusAddress[] = "disabled:";

}  // namespace

std::string sessionBusAddress() {
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address && *address) {
        return std::string_view(address) == kNoBusAddress ? std::string() : std::string(address);
    }
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        const std::string socket = std::string(runtime) + "/bus";
        struct stat st {};
        if (::stat(socket.c_str(), &st) == 0 && S_ISSOCK(st.st_mode)) {
            return "unix:path=" + socket;
        }
    }
    return {};
}

bool pinSessionBusAddress() {
    const std::string address = sessionBusAddress();
    ::setenv("DBUS_SESSION_BUS_ADDRESS", address.empty() ? kNoBusAddress : address.c_str(), 1);
    return !address.empty();
}

DbusConnectionPtr connectSessionBus() {
    const std::string address = sessionBusAddress();
    if (address.empty()) {
        return nullptr;
    }
    DBusError error;
    dbus_error_init(&error);
    DbusConnectionPtr connection(dbus_connection_open_private(address.c_str(), &error));
    if (connection) {
        dbus_connection_set_exit_on_disconnect(connection.get(), false);
        if (!dbus_bus_register(connection.get(), &error)) {
            connection.reset();
        }
    }
    dbus_error_free(&error);
    return connection;
}

}  // namespace pelko
