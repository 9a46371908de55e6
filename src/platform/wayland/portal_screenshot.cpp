#include "platform/wayland/portal_screenshot.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "core/codec/decode.h"
#include "core/error.h"
#include "platform/desktop/dbus_session.h"

namespace pelko::wayland {

namespace {

constexpr char kService[] = "org.freedesktop.portal.Desktop";
constexpr char kPath[] = "/org/freedesktop/portal/desktop";
constexpr char kInterface[] = "org.freedesktop.portal.Screenshot";
constexpr char kRequestInterface[] = "org.freedesktop.portal.Request";
// The first call starts the portal and its back ends, which may take a while on a busy machine.
constexpr int kCallTimeoutMs = 25000;

// Response codes of a portal request.
constexpr std::uint32_t kSuccess = 0;
constexpr std::uint32_t kCancelled = 1;

struct DbusErrorHolder {
    DBusError error;
    DbusErrorHolder() { dbus_error_init(&error); }
    ~DbusErrorHolder() { dbus_error_free(&error); }
};

DbusConnectionPtr sessionBus() {
    DbusConnectionPtr bus = connectSessionBus();
    if (!bus) {
        throw Error("There is no session bus to reach the desktop portal");
    }
    return bus;
}

void appendOption(DBusMessageIter* options, const char* key, int type, const void* value) {
    const char signature[2] = {char(type), '\0'};
    DBusMessageIter entry, variant;
    dbus_message_iter_open_container(options, DBUS_TYPE_DICT_ENTRY, nullptr, &entry);
    dbus_message_iter_append_basic(&entry, DBUS_TYPE_STRING, &key);
    dbus_message_iter_open_container(&entry, DBUS_TYPE_VARIANT, signature, &variant);
    dbus_message_iter_append_basic(&variant, type, value);
    dbus_message_iter_close_container(&entry, &variant);
    dbus_message_iter_close_container(options, &entry);
}

// The object path of the request the portal makes for our token: the sender's unique name
// without the colon and with dots as underscores.
std::string requestPath(DBusConnection* bus, const std::string& token) {
    std::string sender = dbus_bus_get_unique_name(bus);
    if (!sender.empty() && sender[0] == ':') {
        sender.erase(0, 1);
    }
    for (char& c : sender) {
        if (c == '.') {
            c = '_';
        }
    }
    return std::string(kPath) + "/request/" + sender + "/" + token;
}

// The "uri" of a Response signal's results (a{sv}); empty when there is none.
std::string uriOfResults(DBusMessageIter* results) {
    if (dbus_message_iter_get_arg_type(results) != DBUS_TYPE_ARRAY) {
        return {};
    }
    DBusMessageIter entries;
    dbus_message_iter_recurse(results, &entries);
    for (; dbus_message_iter_get_arg_type(&entries) == DBUS_TYPE_DICT_ENTRY;
         dbus_message_iter_next(&entries)) {
        DBusMessageIter entry, variant;
        dbus_message_iter_recurse(&entries, &entry);
        const char* key = nullptr;
        dbus_message_iter_get_basic(&entry, &key);
        dbus_message_iter_next(&entry);
        dbus_message_iter_recurse(&entry, &variant);
        if (std::strcmp(key, "uri") == 0 &&
            dbus_message_iter_get_arg_type(&variant) == DBUS_TYPE_STRING) {
            const char* uri = nullptr;
            dbus_message_iter_get_basic(&variant, &uri);
            return uri;
        }
    }
    return {};
}

std::vector<std::uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw Error("Cannot read the desktop portal's screenshot " + path);
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

}  // namespace

std::string localPathOfUri(const std::string& uri) {
    constexpr std::string_view kScheme = "file://";
    if (uri.compare(0, kScheme.size(), kScheme) != 0 || uri.size() <= kScheme.size() ||
        uri[kScheme.size()] != '/') {
        throw Error("The desktop portal answered with an address Pelko cannot read: " + uri);
    }
    std::string path;
    for (std::size_t i = kScheme.size(); i < uri.size(); ++i) {
        if (uri[i] != '%') {
            path += uri[i];
            continue;
        }
        const int high = i + 2 < uri.size() ? hexValue(uri[i + 1]) : -1;
        const int low = high >= 0 ? hexValue(uri[i + 2]) : -1;
        if (low < 0 || (high == 0 && low == 0)) {
            throw Error("The desktop portal answered with an address Pelko cannot read: " + uri);
        }
        path += char(high * 16 + low);
        i += 2;
    }
    return path;
}

std::string screenshotPath(std::uint32_t response, const std::string& uri) {
    if (response == kCancelled) {
        throw Error("The screenshot was cancelled");
    }
    if (response != kSuccess || uri.empty()) {
        throw Error("The desktop portal refused to take a screenshot");
    }
    return localPathOfUri(uri);
}

std::string PortalScreenshot::unavailableReason() {
    DbusConnectionPtr bus = connectSessionBus();
    if (!bus) {
        return "there is no session bus";
    }
    DbusMessagePtr call(
        dbus_message_new_method_call(kService, kPath, "org.freedesktop.DBus.Properties", "Get"));
    const char* interface = kInterface;
    const char* property = "version";
    dbus_message_append_args(call.get(), DBUS_TYPE_STRING, &interface, DBUS_TYPE_STRING, &property,
                             DBUS_TYPE_INVALID);
    DbusErrorHolder error;
    DbusMessagePtr reply(dbus_connection_send_with_reply_and_block(bus.get(), call.get(),
                                                                   kCallTimeoutMs, &error.error));
    if (reply) {
        return {};
    }
    return error.error.message ? error.error.message : "no answer";
}

Bitmap PortalScreenshot::take(int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    DbusConnectionPtr bus = sessionBus();
    static std::atomic<unsigned> counter{0};
    const std::string token =
        "pelko" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
    std::string handle = requestPath(bus.get(), token);

    // Listen before asking: the answer may come before the call's reply.
    const std::string rule =
        std::string("type='signal',interface='") + kRequestInterface + "',member='Response'";
    DbusErrorHolder matchError;
    dbus_bus_add_match(bus.get(), rule.c_str(), &matchError.error);
    if (dbus_error_is_set(&matchError.error)) {
        throw Error(std::string("The session bus refused to pass the portal's answer: ") +
                    matchError.error.message);
    }

    DbusMessagePtr call(dbus_message_new_method_call(kService, kPath, kInterface, "Screenshot"));
    DBusMessageIter args, options;
    dbus_message_iter_init_append(call.get(), &args);
    const char* parent = "";
    dbus_message_iter_append_basic(&args, DBUS_TYPE_STRING, &parent);
    dbus_message_iter_open_container(&args, DBUS_TYPE_ARRAY, "{sv}", &options);
    const char* tokenText = token.c_str();
    appendOption(&options, "handle_token", DBUS_TYPE_STRING, &tokenText);
    const dbus_bool_t interactive = false;
    appendOption(&options, "interactive", DBUS_TYPE_BOOLEAN, &interactive);
    dbus_message_iter_close_container(&args, &options);

    DbusErrorHolder callError;
    DbusMessagePtr reply(dbus_connection_send_with_reply_and_block(
        bus.get(), call.get(), kCallTimeoutMs, &callError.error));
    if (!reply) {
        throw Error(std::string("The desktop portal cannot take a screenshot: ") +
                    (callError.error.message ? callError.error.message : "no answer"));
    }
    const char* returned = nullptr;
    if (dbus_message_get_args(reply.get(), nullptr, DBUS_TYPE_OBJECT_PATH, &returned,
                              DBUS_TYPE_INVALID) &&
        returned) {
        handle = returned;
    }

    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        if (left <= 0) {
            throw Error("The desktop portal did not answer in time");
        }
        if (!dbus_connection_read_write(bus.get(), int(left))) {
            throw Error("The session bus closed the connection to the desktop portal");
        }
        while (DbusMessagePtr message{dbus_connection_pop_message(bus.get())}) {
            const char* path = dbus_message_get_path(message.get());
            if (!dbus_message_is_signal(message.get(), kRequestInterface, "Response") || !path ||
                handle != path) {
                continue;
            }
            DBusMessageIter results;
            dbus_message_iter_init(message.get(), &results);
            std::uint32_t response = 2;
            if (dbus_message_iter_get_arg_type(&results) == DBUS_TYPE_UINT32) {
                dbus_message_iter_get_basic(&results, &response);
                dbus_message_iter_next(&results);
            }
            const std::string file = screenshotPath(response, uriOfResults(&results));
            return decodePng(readFile(file));
        }
    }
}

}  // namespace pelko::wayland
