#pragma once

#include <dbus/dbus.h>

#include <memory>

namespace pelko {

struct DbusConnectionClose {
    void operator()(DBusConnection* c) const {
        dbus_connection_close(c);
        dbus_connection_unref(c);
    }
};
// A private connection, closed with its owner.
using DbusConnectionPtr = std::unique_ptr<DBusConnection, DbusConnectionClose>;

struct DbusMessageUnref {
    void operator()(DBusMessage* m) const { dbus_message_unref(m); }
};
using DbusMessagePtr = std::unique_ptr<DBusMessage, DbusMessageUnref>;

// A private connection to the session bus (sessionBusAddress()), registered on it; none when
// there is no bus or it does not take us.
DbusConnectionPtr connectSessionBus();

}  // namespace pelko
