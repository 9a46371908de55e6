#include "platform/wayland/portal_screenshot.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "core/codec/decode.h"
#include "core/error.h"
#include "core/percent_coding.h"
#include "platform/wayland/portal_request.h"

namespace pelko::wayland {

namespace {

constexpr char kInterface[] = "org.freedesktop.portal.Screenshot";
// The first call starts the portal and its back ends, which may take a while on a busy machine.
constexpr int kCallTimeoutMs = 25000;

// The "uri" of a Response signal's results (a{sv}); empty when there is none.
std::string uriOfResults(DBusMessageIter* results) {
    DBusMessageIter value;
    if (!findPortalResult(results, "uri", &value) ||
        dbus_message_iter_get_arg_type(&value) != DBUS_TYPE_STRING) {
        return {};
    }
    const char* uri = nullptr;
    dbus_message_iter_get_basic(&value, &uri);
    return uri;
}

std::vector<std::uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw Error("Cannot read the desktop portal's screenshot " + path);
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

std::string localPathOfUri(const std::string& uri) {
    constexpr std::string_view kScheme = "file://";
    if (uri.compare(0, kScheme.size(), kScheme) != 0 || uri.size() <= kScheme.size() ||
        uri[kScheme.size()] != '/') {
        throw Error("The desktop portal answered with an address Pelko cannot read: " + uri);
    }
    std::optional<std::string> path = percentDecoded(std::string_view(uri).substr(kScheme.size()));
    if (!path) {
        throw Error("The desktop portal answered with an address Pelko cannot read: " + uri);
    }
    return *path;
}

std::string screenshotPath(std::uint32_t response, const std::string& uri) {
    if (response == kPortalCancelled) {
        throw Error("The screenshot was cancelled");
    }
    if (response != kPortalSuccess || uri.empty()) {
        throw Error("The desktop portal refused to take a screenshot");
    }
    return localPathOfUri(uri);
}

std::string PortalScreenshot::unavailableReason() {
    DbusConnectionPtr bus = connectSessionBus();
    if (!bus) {
        return "there is no session bus";
    }
    return portalInterfaceMissing(bus.get(), kInterface, kCallTimeoutMs);
}

Bitmap PortalScreenshot::take(int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    DbusConnectionPtr bus = portalSessionBus();
    const std::string token = portalToken();
    // Listen before asking: the answer may come before the call's reply.
    listenForPortalSignal(bus.get());

    DbusMessagePtr call(
        dbus_message_new_method_call(kPortalService, kPortalPath, kInterface, "Screenshot"));
    DBusMessageIter args, options;
    dbus_message_iter_init_append(call.get(), &args);
    const char* parent = "";
    dbus_message_iter_append_basic(&args, DBUS_TYPE_STRING, &parent);
    dbus_message_iter_open_container(&args, DBUS_TYPE_ARRAY, "{sv}", &options);
    appendPortalOption(&options, "handle_token", token);
    const dbus_bool_t interactive = false;
    appendPortalOption(&options, "interactive", DBUS_TYPE_BOOLEAN, &interactive);
    dbus_message_iter_close_container(&args, &options);

    const std::string handle =
        callPortal(bus.get(), call.get(), portalObjectPath(bus.get(), "request", token),
                   std::max(end, Clock::now() + std::chrono::milliseconds(kCallTimeoutMs)),
                   "The desktop portal cannot take a screenshot");
    DbusMessagePtr response = awaitPortalResponse(bus.get(), handle, end);
    DBusMessageIter results;
    const std::uint32_t code = portalResponseCode(response.get(), &results);
    return decodePng(readFile(screenshotPath(code, uriOfResults(&results))));
}

}  // namespace pelko::wayland
