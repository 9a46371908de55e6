#include "platform/desktop/dbus_notifier.h"

#include "platform/desktop/dbus_session.h"

#include <dbus/dbus.h>

#include <chrono>
#include <cstdio>
#include <memory>

namespace pelko {

namespace {

constexpr char kService[] = "org.freedesktop.Notifications";
constexpr char kPath[] = "/org/freedesktop/Notifications";
constexpr char kInterface[] = "org.freedesktop.Notifications";
constexpr int kDispatchMs = 100;
constexpr int kReplyTimeoutMs = 5000;

using ConnectionPtr = DbusConnectionPtr;
using MessagePtr = DbusMessagePtr;

// Notification bodies may be read as markup.
std::string escapeMarkup(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

void appendString(DBusMessageIter* iter, const std::string& s) {
    const char* p = s.c_str();
    dbus_message_iter_append_basic(iter, DBUS_TYPE_STRING, &p);
}

void appendHint(DBusMessageIter* hints, const char* key, const char* signature,
                const std::function<void(DBusMessageIter*)>& value) {
    DBusMessageIter entry, variant;
    dbus_message_iter_open_container(hints, DBUS_TYPE_DICT_ENTRY, nullptr, &entry);
    dbus_message_iter_append_basic(&entry, DBUS_TYPE_STRING, &key);
    dbus_message_iter_open_container(&entry, DBUS_TYPE_VARIANT, signature, &variant);
    value(&variant);
    dbus_message_iter_close_container(&entry, &variant);
    dbus_message_iter_close_container(hints, &entry);
}

// The Notify call: app name, replaces id, icon, summary, body, actions, hints, timeout.
MessagePtr notifyCall(const CaptureNotice& notice, bool withActions) {
    MessagePtr m(dbus_message_new_method_call(kService, kPath, kInterface, "Notify"));
    if (!m) {
        return nullptr;
    }
    DBusMessageIter args;
    dbus_message_iter_init_append(m.get(), &args);
    appendString(&args, "Pelko");
    const dbus_uint32_t replaces = 0;
    dbus_message_iter_append_basic(&args, DBUS_TYPE_UINT32, &replaces);
    appendString(&args, "pelko");
    appendString(&args, notice.summary);
    appendString(&args, escapeMarkup(notice.body));

    DBusMessageIter actions;
    dbus_message_iter_open_container(&args, DBUS_TYPE_ARRAY, "s", &actions);
    if (withActions && !notice.file.empty()) {
        for (const char* s : {"default", "Open folder", "open", "Open"}) {
            appendString(&actions, s);
        }
    }
    dbus_message_iter_close_container(&args, &actions);

    DBusMessageIter hints;
    dbus_message_iter_open_container(&args, DBUS_TYPE_ARRAY, "{sv}", &hints);
    appendHint(&hints, "desktop-entry", "s", [](DBusMessageIter* v) { appendString(v, "pelko"); });
    const Thumbnail& t = notice.picture;
    if (t.width > 0 && t.height > 0) {
        appendHint(&hints, "image-data", "(iiibiiay)", [&](DBusMessageIter* v) {
            DBusMessageIter image, bytes;
            dbus_message_iter_open_container(v, DBUS_TYPE_STRUCT, nullptr, &image);
            const dbus_int32_t ints[3] = {t.width, t.height, t.width * 3};
            for (const dbus_int32_t& i : ints) {
                dbus_message_iter_append_basic(&image, DBUS_TYPE_INT32, &i);
            }
            const dbus_bool_t alpha = false;
            dbus_message_iter_append_basic(&image, DBUS_TYPE_BOOLEAN, &alpha);
            const dbus_int32_t bits = 8, channels = 3;
            dbus_message_iter_append_basic(&image, DBUS_TYPE_INT32, &bits);
            dbus_message_iter_append_basic(&image, DBUS_TYPE_INT32, &channels);
            dbus_message_iter_open_container(&image, DBUS_TYPE_ARRAY, "y", &bytes);
            const std::uint8_t* data = t.rgb.data();
            dbus_message_iter_append_fixed_array(&bytes, DBUS_TYPE_BYTE, &data, int(t.rgb.size()));
            dbus_message_iter_close_container(&image, &bytes);
            dbus_message_iter_close_container(v, &image);
        });
    }
    if (!notice.file.empty()) {
        appendHint(&hints, "image-path", "s",
                   [&](DBusMessageIter* v) { appendString(v, notice.file); });
    }
    dbus_message_iter_close_container(&args, &hints);
    const dbus_int32_t timeout = -1;
    dbus_message_iter_append_basic(&args, DBUS_TYPE_INT32, &timeout);
    return m;
}

std::string folderOf(const std::string& file) {
    const std::size_t slash = file.rfind('/');
    return slash == std::string::npos ? std::string(".") : file.substr(0, slash + 1);
}

}  // namespace

void DbusNotifier::sayNoBus() {
    if (m_saidNoBus || !sessionBusAddress().empty()) {
        return;
    }
    m_saidNoBus = true;
    std::fputs(
        "Pelko: no desktop notifications: there is no session bus (DBUS_SESSION_BUS_ADDRESS is "
        "not set, and no $XDG_RUNTIME_DIR/bus)\n",
        stderr);
}

DbusNotifier::DbusNotifier(Mode mode, LaunchProgram open) : m_mode(mode), m_open(std::move(open)) {
    if (m_mode == Mode::ServeActions) {
        m_worker = std::thread([this] { serve(); });
    }
}

DbusNotifier::~DbusNotifier() {
    if (m_worker.joinable()) {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        m_worker.join();
    }
}

void DbusNotifier::show(const CaptureNotice& notice) {
    if (m_mode == Mode::SendOnly) {
        // Only the bus is waited for, never the notification service: the call asks for no
        // reply, and the bus delivers it after this program has ended.
        if (ConnectionPtr connection = connectSessionBus()) {
            sendFrom(connection.get(), notice, false);
            dbus_connection_flush(connection.get());
        } else {
            sayNoBus();
        }
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(notice);
    }
    m_wake.notify_all();
}

void DbusNotifier::sendFrom(DBusConnection* connection, const CaptureNotice& notice,
                            bool withActions) {
    MessagePtr call = notifyCall(notice, withActions);
    if (!call) {
        return;
    }
    if (!withActions) {
        dbus_message_set_no_reply(call.get(), true);
        dbus_connection_send(connection, call.get(), nullptr);
        return;
    }
    DBusPendingCall* pending = nullptr;
    if (!dbus_connection_send_with_reply(connection, call.get(), &pending, kReplyTimeoutMs) ||
        !pending) {
        return;
    }
    struct Waiting {
        DbusNotifier* self;
        std::string file;
    };
    dbus_pending_call_set_notify(
        pending,
        [](DBusPendingCall* p, void* data) {
            auto* w = static_cast<Waiting*>(data);
            if (DBusMessage* reply = dbus_pending_call_steal_reply(p)) {
                w->self->replied(reply, w->file);
                dbus_message_unref(reply);
            }
        },
        new Waiting{this, notice.file}, [](void* data) { delete static_cast<Waiting*>(data); });
    dbus_pending_call_unref(pending);
}

void DbusNotifier::replied(DBusMessage* reply, const std::string& file) {
    dbus_uint32_t id = 0;
    if (dbus_message_get_type(reply) == DBUS_MESSAGE_TYPE_METHOD_RETURN &&
        dbus_message_get_args(reply, nullptr, DBUS_TYPE_UINT32, &id, DBUS_TYPE_INVALID) &&
        !file.empty()) {
        m_shown[id] = file;
        // Only the service that showed the notice may report its actions.
        if (const char* sender = dbus_message_get_sender(reply)) {
            m_service = sender;
        }
    }
}

bool DbusNotifier::signalled(DBusMessage* message) {
    dbus_uint32_t id = 0;
    const char* sender = dbus_message_get_sender(message);
    if (!sender || sender != m_service) {
        return false;
    }
    if (dbus_message_is_signal(message, kInterface, "ActionInvoked")) {
        const char* action = nullptr;
        if (dbus_message_get_args(message, nullptr, DBUS_TYPE_UINT32, &id, DBUS_TYPE_STRING,
                                  &action, DBUS_TYPE_INVALID)) {
            if (auto it = m_shown.find(id); it != m_shown.end() && m_open) {
                const std::string what =
                    std::string(action) == "open" ? it->second : folderOf(it->second);
                m_open("xdg-open", what, folderOf(it->second));
            }
        }
        return true;
    }
    if (dbus_message_is_signal(message, kInterface, "NotificationClosed")) {
        dbus_uint32_t reason = 0;
        if (dbus_message_get_args(message, nullptr, DBUS_TYPE_UINT32, &id, DBUS_TYPE_UINT32,
                                  &reason, DBUS_TYPE_INVALID)) {
            m_shown.erase(id);
        }
        return true;
    }
    return false;
}

void DbusNotifier::serve() {
    ConnectionPtr connection;
    for (;;) {
        std::deque<CaptureNotice> notices;
        {
            std::unique_lock lock(m_mutex);
            // Without a connection there is nothing to listen to: sleep until a notice comes.
            if (!connection) {
                m_wake.wait(lock, [&] { return m_stop || !m_queue.empty(); });
            }
            if (m_stop) {
                return;
            }
            notices.swap(m_queue);
        }
        if (!connection && !notices.empty()) {
            connection = connectSessionBus();
            if (connection) {
                DBusError error;
                dbus_error_init(&error);
                dbus_bus_add_match(connection.get(),
                                   "type='signal',interface='org.freedesktop.Notifications',"
                                   "path='/org/freedesktop/Notifications'",
                                   &error);
                dbus_error_free(&error);
                dbus_connection_add_filter(
                    connection.get(),
                    [](DBusConnection*, DBusMessage* message, void* self) {
                        return static_cast<DbusNotifier*>(self)->signalled(message)
                                   ? DBUS_HANDLER_RESULT_HANDLED
                                   : DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
                    },
                    this, nullptr);
            }
        }
        if (!connection) {
            if (!notices.empty()) {
                sayNoBus();
            }
            continue;  // no bus: the notices are dropped
        }
        for (const CaptureNotice& notice : notices) {
            sendFrom(connection.get(), notice, true);
        }
        if (!dbus_connection_read_write_dispatch(connection.get(), kDispatchMs)) {
            connection.reset();  // the bus went away; the next notice connects anew
            m_shown.clear();
            m_service.clear();
        }
    }
}

}  // namespace pelko
