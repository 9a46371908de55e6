#include "platform/wayland/portal_request.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>

#include "core/error.h"

namespace pelko::wayland {

namespace {

int millisecondsLeft(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    return left > 0 ? int(left) : 0;
}

}  // namespace

DbusConnectionPtr portalSessionBus() {
    DbusConnectionPtr bus = connectSessionBus();
    if (!bus) {
        throw Error("There is no session bus to reach the desktop portal");
    }
    return bus;
}

void appendPortalOption(DBusMessageIter* options, const char* key, int type, const void* value) {
    const char signature[2] = {char(type), '\0'};
    DBusMessageIter entry, variant;
    dbus_message_iter_open_container(options, DBUS_TYPE_DICT_ENTRY, nullptr, &entry);
    dbus_message_iter_append_basic(&entry, DBUS_TYPE_STRING, &key);
    dbus_message_iter_open_container(&entry, DBUS_TYPE_VARIANT, signature, &variant);
    dbus_message_iter_append_basic(&variant, type, value);
    dbus_message_iter_close_container(&entry, &variant);
    dbus_message_iter_close_container(options, &entry);
}

void appendPortalOption(DBusMessageIter* options, const char* key, const std::string& text) {
    const char* value = text.c_str();
    appendPortalOption(options, key, DBUS_TYPE_STRING, &value);
}

std::string portalToken() {
    static std::atomic<unsigned> counter{0};
    return "pelko" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
}

std::string portalObjectPath(DBusConnection* bus, const char* kind, const std::string& token) {
    std::string sender = dbus_bus_get_unique_name(bus);
    if (!sender.empty() && sender[0] == ':') {
        sender.erase(0, 1);
    }
    for (char& c : sender) {
        if (c == '.') {
            c = '_';
        }
    }
    return std::string(kPortalPath) + "/" + kind + "/" + sender + "/" + token;
}

std::string portalInterfaceMissing(DBusConnection* bus, const char* interface, int timeoutMs) {
    DbusMessagePtr call(dbus_message_new_method_call(kPortalService, kPortalPath,
                                                     "org.freedesktop.DBus.Properties", "Get"));
    const char* property = "version";
    dbus_message_append_args(call.get(), DBUS_TYPE_STRING, &interface, DBUS_TYPE_STRING, &property,
                             DBUS_TYPE_INVALID);
    DbusErrorHolder error;
    DbusMessagePtr reply(
        dbus_connection_send_with_reply_and_block(bus, call.get(), timeoutMs, &error.error));
    return reply ? std::string() : error.text();
}

void listenForPortalSignal(DBusConnection* bus, const char* interface, const char* member) {
    const std::string rule =
        std::string("type='signal',interface='") + interface + "',member='" + member + "'";
    DbusErrorHolder error;
    dbus_bus_add_match(bus, rule.c_str(), &error.error);
    if (dbus_error_is_set(&error.error)) {
        throw Error("The session bus refused to pass the desktop portal's answers: " +
                    error.text());
    }
}

std::string callPortal(DBusConnection* bus, DBusMessage* call, const std::string& expectedHandle,
                       std::chrono::steady_clock::time_point deadline, const std::string& what) {
    DbusErrorHolder error;
    DbusMessagePtr reply(dbus_connection_send_with_reply_and_block(
        bus, call, std::max(1, millisecondsLeft(deadline)), &error.error));
    if (!reply) {
        throw Error(what + ": " + error.text());
    }
    const char* returned = nullptr;
    if (dbus_message_get_args(reply.get(), nullptr, DBUS_TYPE_OBJECT_PATH, &returned,
                              DBUS_TYPE_INVALID) &&
        returned) {
        return returned;
    }
    return expectedHandle;
}

DbusMessagePtr awaitPortalResponse(DBusConnection* bus, const std::string& handle,
                                   std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        while (DbusMessagePtr message{dbus_connection_pop_message(bus)}) {
            const char* path = dbus_message_get_path(message.get());
            if (dbus_message_is_signal(message.get(), kPortalRequestInterface, "Response") &&
                path && handle == path) {
                return message;
            }
        }
        const int left = millisecondsLeft(deadline);
        if (left <= 0) {
            throw Error("The desktop portal did not answer in time");
        }
        if (!dbus_connection_read_write(bus, left)) {
            throw Error("The session bus closed the connection to the desktop portal");
        }
    }
}

std::uint32_t portalResponseCode(DBusMessage* response, DBusMessageIter* results) {
    dbus_message_iter_init(response, results);
    std::uint32_t code = 2;
    if (dbus_message_iter_get_arg_type(results) == DBUS_TYPE_UINT32) {
        dbus_message_iter_get_basic(results, &code);
        dbus_message_iter_next(results);
    }
    return code;
}

bool findPortalResult(DBusMessageIter* dict, const char* key, DBusMessageIter* value) {
    if (dbus_message_iter_get_arg_type(dict) != DBUS_TYPE_ARRAY ||
        dbus_message_iter_get_element_type(dict) != DBUS_TYPE_DICT_ENTRY) {
        return false;
    }
    DBusMessageIter entries;
    dbus_message_iter_recurse(dict, &entries);
    for (; dbus_message_iter_get_arg_type(&entries) == DBUS_TYPE_DICT_ENTRY;
         dbus_message_iter_next(&entries)) {
        DBusMessageIter entry;
        dbus_message_iter_recurse(&entries, &entry);
        if (dbus_message_iter_get_arg_type(&entry) != DBUS_TYPE_STRING) {
            continue;
        }
        const char* name = nullptr;
        dbus_message_iter_get_basic(&entry, &name);
        dbus_message_iter_next(&entry);
        if (std::strcmp(name, key) == 0 &&
            dbus_message_iter_get_arg_type(&entry) == DBUS_TYPE_VARIANT) {
            dbus_message_iter_recurse(&entry, value);
            return true;
        }
    }
    return false;
}

}  // namespace pelko::wayland
