#include "platform/desktop/dbus_session.h"

#include <string>

#include "platform/desktop/dbus_notifier.h"

namespace pelko {

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
