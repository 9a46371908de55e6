#include "platform/wayland/portal_global_shortcuts.h"

#include <chrono>

#include "core/error.h"
#include "platform/wayland/portal_request.h"

namespace pelko::wayland {

namespace {

constexpr char kInterface[] = "org.freedesktop.portal.GlobalShortcuts";

// Throws the error a request ends with when its response code is not success.
void checkResponse(std::uint32_t code, const char* what) {
    if (code == kPortalCancelled) {
        throw Error(std::string("Global shortcuts: ") + what + " was cancelled");
    }
    if (code != kPortalSuccess) {
        throw Error(std::string("Global shortcuts: the desktop portal refused ") + what);
    }
}

// The ids of the "shortcuts" (a(sa{sv})) of BindShortcuts' results; none when the entry is
// missing, and entries of another type are skipped.
std::vector<std::string> boundIds(DBusMessageIter* results) {
    std::vector<std::string> ids;
    DBusMessageIter value;
    if (!findPortalResult(results, "shortcuts", &value) ||
        dbus_message_iter_get_arg_type(&value) != DBUS_TYPE_ARRAY) {
        return ids;
    }
    DBusMessageIter items;
    dbus_message_iter_recurse(&value, &items);
    for (; dbus_message_iter_get_arg_type(&items) == DBUS_TYPE_STRUCT;
         dbus_message_iter_next(&items)) {
        DBusMessageIter item;
        dbus_message_iter_recurse(&items, &item);
        if (dbus_message_iter_get_arg_type(&item) == DBUS_TYPE_STRING) {
            const char* id = nullptr;
            dbus_message_iter_get_basic(&item, &id);
            ids.emplace_back(id);
        }
    }
    return ids;
}

}  // namespace

GlobalShortcutsSession::GlobalShortcutsSession(int answerTimeoutMs)
    : m_timeoutMs(answerTimeoutMs), m_bus(portalSessionBus()) {
    DBusConnection* bus = m_bus.get();
    const std::string missing = portalInterfaceMissing(bus, kInterface, m_timeoutMs);
    if (!missing.empty()) {
        throw Error("This desktop offers no global shortcuts portal: " + missing);
    }
    // Listen before asking: the answer may come before the call's reply.
    listenForPortalSignal(bus);
    listenForPortalSignal(bus, kInterface, "Activated");

    const std::string token = portalToken();
    const std::string sessionToken = portalToken();
    DbusMessagePtr call(
        dbus_message_new_method_call(kPortalService, kPortalPath, kInterface, "CreateSession"));
    DBusMessageIter args, options;
    dbus_message_iter_init_append(call.get(), &args);
    dbus_message_iter_open_container(&args, DBUS_TYPE_ARRAY, "{sv}", &options);
    appendPortalOption(&options, "handle_token", token);
    appendPortalOption(&options, "session_handle_token", sessionToken);
    dbus_message_iter_close_container(&args, &options);

    DbusMessagePtr response = ask(call.get(), token, "the session");
    DBusMessageIter results;
    portalResponseCode(response.get(), &results);
    m_session = portalObjectPath(bus, "session", sessionToken);
    DBusMessageIter value;
    if (findPortalResult(&results, "session_handle", &value)) {
        const int type = dbus_message_iter_get_arg_type(&value);
        const char* path = nullptr;
        if (type == DBUS_TYPE_STRING || type == DBUS_TYPE_OBJECT_PATH) {
            dbus_message_iter_get_basic(&value, &path);
        }
        if (!path || !dbus_validate_path(path, nullptr)) {
            throw Error("Global shortcuts: the desktop portal answered with no session");
        }
        m_session = path;
    }
}

GlobalShortcutsSession::~GlobalShortcutsSession() {
    // Closing releases the keys; no answer is awaited.
    DbusMessagePtr close(dbus_message_new_method_call(kPortalService, m_session.c_str(),
                                                      "org.freedesktop.portal.Session", "Close"));
    if (close) {
        dbus_message_set_no_reply(close.get(), true);
        dbus_connection_send(m_bus.get(), close.get(), nullptr);
        dbus_connection_flush(m_bus.get());
    }
}

std::vector<std::string> GlobalShortcutsSession::bind(
    const std::vector<PortalShortcut>& shortcuts) {
    const std::string token = portalToken();
    DbusMessagePtr call(
        dbus_message_new_method_call(kPortalService, kPortalPath, kInterface, "BindShortcuts"));
    DBusMessageIter args, list, options;
    dbus_message_iter_init_append(call.get(), &args);
    const char* session = m_session.c_str();
    dbus_message_iter_append_basic(&args, DBUS_TYPE_OBJECT_PATH, &session);
    dbus_message_iter_open_container(&args, DBUS_TYPE_ARRAY, "(sa{sv})", &list);
    for (const PortalShortcut& shortcut : shortcuts) {
        DBusMessageIter item, properties;
        dbus_message_iter_open_container(&list, DBUS_TYPE_STRUCT, nullptr, &item);
        const char* id = shortcut.id.c_str();
        dbus_message_iter_append_basic(&item, DBUS_TYPE_STRING, &id);
        dbus_message_iter_open_container(&item, DBUS_TYPE_ARRAY, "{sv}", &properties);
        appendPortalOption(&properties, "description", shortcut.description);
        if (!shortcut.preferredTrigger.empty()) {
            appendPortalOption(&properties, "preferred_trigger", shortcut.preferredTrigger);
        }
        dbus_message_iter_close_container(&item, &properties);
        dbus_message_iter_close_container(&list, &item);
    }
    dbus_message_iter_close_container(&args, &list);
    const char* parent = "";
    dbus_message_iter_append_basic(&args, DBUS_TYPE_STRING, &parent);
    dbus_message_iter_open_container(&args, DBUS_TYPE_ARRAY, "{sv}", &options);
    appendPortalOption(&options, "handle_token", token);
    dbus_message_iter_close_container(&args, &options);

    DbusMessagePtr response = ask(call.get(), token, "the shortcuts");
    DBusMessageIter results;
    portalResponseCode(response.get(), &results);
    return boundIds(&results);
}

DbusMessagePtr GlobalShortcutsSession::ask(DBusMessage* call, const std::string& token,
                                           const char* what) {
    DBusConnection* bus = m_bus.get();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_timeoutMs);
    const std::string handle =
        callPortal(bus, call, portalObjectPath(bus, "request", token), deadline,
                   std::string("Global shortcuts: the desktop portal cannot set up ") + what);
    DbusMessagePtr response = awaitPortalResponse(bus, handle, deadline);
    DBusMessageIter results;
    checkResponse(portalResponseCode(response.get(), &results), what);
    return response;
}

int GlobalShortcutsSession::fileDescriptor() const {
    int fd = -1;
    dbus_connection_get_unix_fd(m_bus.get(), &fd);
    return fd;
}

bool GlobalShortcutsSession::dispatch(
    const std::function<void(const std::string& id)>& onActivated) {
    const bool connected = dbus_connection_read_write(m_bus.get(), 0);
    while (DbusMessagePtr message{dbus_connection_pop_message(m_bus.get())}) {
        if (!dbus_message_is_signal(message.get(), kInterface, "Activated")) {
            continue;
        }
        const char* session = nullptr;
        const char* id = nullptr;
        DBusMessageIter args;
        dbus_message_iter_init(message.get(), &args);
        if (dbus_message_iter_get_arg_type(&args) != DBUS_TYPE_OBJECT_PATH) {
            continue;
        }
        dbus_message_iter_get_basic(&args, &session);
        dbus_message_iter_next(&args);
        if (dbus_message_iter_get_arg_type(&args) != DBUS_TYPE_STRING || m_session != session) {
            continue;
        }
        dbus_message_iter_get_basic(&args, &id);
        onActivated(id);
    }
    return connected;
}

}  // namespace pelko::wayland
