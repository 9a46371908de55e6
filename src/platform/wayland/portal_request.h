#pragma once

#include <dbus/dbus.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "platform/desktop/dbus_session.h"

// What every call to the desktop portal (org.freedesktop.portal.Desktop on the session bus)
// shares: the connection, a{sv} options, the Request object a call answers through and the
// wait for its Response signal.
namespace pelko::wayland {

inline constexpr char kPortalService[] = "org.freedesktop.portal.Desktop";
inline constexpr char kPortalPath[] = "/org/freedesktop/portal/desktop";
inline constexpr char kPortalRequestInterface[] = "org.freedesktop.portal.Request";

// Response codes of a portal request.
inline constexpr std::uint32_t kPortalSuccess = 0;
inline constexpr std::uint32_t kPortalCancelled = 1;

struct DbusErrorHolder {
    DBusError error;
    DbusErrorHolder() { dbus_error_init(&error); }
    ~DbusErrorHolder() { dbus_error_free(&error); }
    DbusErrorHolder(const DbusErrorHolder&) = delete;
    DbusErrorHolder& operator=(const DbusErrorHolder&) = delete;
    // The message of the error, or `otherwise` when none is set.
    std::string text(const char* otherwise = "no answer") const {
        return error.message ? error.message : otherwise;
    }
};

// A private connection to the session bus; throws pelko::Error when there is none.
DbusConnectionPtr portalSessionBus();

// Appends {key: variant(value)} of a basic D-Bus type to an open a{sv} container.
void appendPortalOption(DBusMessageIter* options, const char* key, int type, const void* value);
void appendPortalOption(DBusMessageIter* options, const char* key, const std::string& text);

// A token unique within this process, for handle_token and session_handle_token.
std::string portalToken();

// The object path the portal makes for our token under kind ("request" or "session"): the
// sender's unique name without the colon and with dots as underscores.
std::string portalObjectPath(DBusConnection* bus, const char* kind, const std::string& token);

// Whether the portal offers `interface`: empty when its "version" property answers within
// timeoutMs, else why not.
std::string portalInterfaceMissing(DBusConnection* bus, const char* interface, int timeoutMs);

// Receives the signals `member` of `interface` on bus (the portal's Response signals of
// requests by default); throws pelko::Error when the bus refuses.
void listenForPortalSignal(DBusConnection* bus, const char* interface = kPortalRequestInterface,
                           const char* member = "Response");

// Sends call and waits until `deadline` for its reply: the request handle it returns, else
// `expectedHandle`. Throws pelko::Error starting with `what` when the call fails.
std::string callPortal(DBusConnection* bus, DBusMessage* call, const std::string& expectedHandle,
                       std::chrono::steady_clock::time_point deadline, const std::string& what);

// The Response signal of the request at `handle`, read until deadline; other messages are
// dropped. Throws pelko::Error when none comes in time or the bus closes.
DbusMessagePtr awaitPortalResponse(DBusConnection* bus, const std::string& handle,
                                   std::chrono::steady_clock::time_point deadline);

// The response code of a Response signal (2, refused, when it has none); `results` is left on
// its results a{sv}.
std::uint32_t portalResponseCode(DBusMessage* response, DBusMessageIter* results);

// The variant of `key` in an a{sv} at `dict`, recursed into `value`; false when absent.
bool findPortalResult(DBusMessageIter* dict, const char* key, DBusMessageIter* value);

}  // namespace pelko::wayland
