#pragma once

#include <dbus/dbus.h>

#include <memory>
#include <string>

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

// The address of the session bus: $DBUS_SESSION_BUS_ADDRESS, else the user's bus socket
// $XDG_RUNTIME_DIR/bus when it exists; empty when there is none (no bus is started for us).
std::string sessionBusAddress();

// A private connection to the session bus (sessionBusAddress()), registered on it; none when
// there is no bus or it does not take us. No bus is ever started for it.
DbusConnectionPtr connectSessionBus();

// Keeps the libraries of this process from starting a session bus of their own. libdbus, and
// the toolkit's D-Bus module through it, asks dbus-launch for a bus when
// DBUS_SESSION_BUS_ADDRESS is not set, and that bus (dbus-launch and a dbus-daemon) stays
// after the program has ended. This sets the variable to the bus that sessionBusAddress() finds
// or, when there is none, to an address that every client refuses at once ("disabled:", which
// sessionBusAddress() reads as no bus). Programs started from here inherit it. Returns whether
// there is a bus. Call it at the start, before any thread or library has looked at the bus.
bool pinSessionBusAddress();

}  // namespace pelko
