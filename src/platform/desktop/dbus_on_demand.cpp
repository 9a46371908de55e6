// The D-Bus client library, loaded on its first use instead of at the command's start.
//
// A capture to a file or the clipboard never talks to the session bus, but libdbus and the
// libraries it needs (libsystemd, libgcrypt, three compressors and more) took about 2 ms of
// every start of the command to map and relocate. The command defines the libdbus functions
// the project calls; each finds the real one in the library the first time it is called. The
// tray program and the tests link libdbus as usual.

#include <dbus/dbus.h>
#include <dlfcn.h>

#include <cstdarg>
#include <string>

#include "core/error.h"

namespace {

void* dbusLibrary() {
    static void* const library = [] {
        void* handle = dlopen("libdbus-1.so.3", RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char* reason = dlerror();
            throw pelko::Error(std::string("Cannot load the D-Bus library: ") +
                               (reason ? reason : "unknown error"));
        }
        return handle;
    }();
    return library;
}

void* dbusSymbol(const char* name) {
    void* symbol = dlsym(dbusLibrary(), name);
    if (!symbol) {
        throw pelko::Error(std::string("The D-Bus library has no ") + name);
    }
    return symbol;
}

}  // namespace

// The real function `name`, looked up once.
#define PELKO_DBUS(name)                                                                 \
    ([] {                                                                                \
        static const auto real = reinterpret_cast<decltype(&::name)>(dbusSymbol(#name)); \
        return real;                                                                     \
    }())

extern "C" {

void dbus_bus_add_match(DBusConnection* connection, const char* rule, DBusError* error) {
    return PELKO_DBUS(dbus_bus_add_match)(connection, rule, error);
}

const char* dbus_bus_get_unique_name(DBusConnection* connection) {
    return PELKO_DBUS(dbus_bus_get_unique_name)(connection);
}

dbus_bool_t dbus_bus_register(DBusConnection* connection, DBusError* error) {
    return PELKO_DBUS(dbus_bus_register)(connection, error);
}

dbus_bool_t dbus_connection_add_filter(DBusConnection* connection,
                                       DBusHandleMessageFunction function, void* user_data,
                                       DBusFreeFunction free_data_function) {
    return PELKO_DBUS(dbus_connection_add_filter)(connection, function, user_data,
                                                  free_data_function);
}

void dbus_connection_close(DBusConnection* connection) {
    return PELKO_DBUS(dbus_connection_close)(connection);
}

void dbus_connection_flush(DBusConnection* connection) {
    return PELKO_DBUS(dbus_connection_flush)(connection);
}

dbus_bool_t dbus_connection_get_unix_fd(DBusConnection* connection, int* fd) {
    return PELKO_DBUS(dbus_connection_get_unix_fd)(connection, fd);
}

DBusConnection* dbus_connection_open_private(const char* address, DBusError* error) {
    return PELKO_DBUS(dbus_connection_open_private)(address, error);
}

DBusMessage* dbus_connection_pop_message(DBusConnection* connection) {
    return PELKO_DBUS(dbus_connection_pop_message)(connection);
}

dbus_bool_t dbus_connection_read_write(DBusConnection* connection, int timeout_milliseconds) {
    return PELKO_DBUS(dbus_connection_read_write)(connection, timeout_milliseconds);
}

dbus_bool_t dbus_connection_read_write_dispatch(DBusConnection* connection,
                                                int timeout_milliseconds) {
    return PELKO_DBUS(dbus_connection_read_write_dispatch)(connection, timeout_milliseconds);
}

dbus_bool_t dbus_connection_send(DBusConnection* connection, DBusMessage* message,
                                 dbus_uint32_t* client_serial) {
    return PELKO_DBUS(dbus_connection_send)(connection, message, client_serial);
}

dbus_bool_t dbus_connection_send_with_reply(DBusConnection* connection, DBusMessage* message,
                                            DBusPendingCall** pending_return,
                                            int timeout_milliseconds) {
    return PELKO_DBUS(dbus_connection_send_with_reply)(connection, message, pending_return,
                                                       timeout_milliseconds);
}

DBusMessage* dbus_connection_send_with_reply_and_block(DBusConnection* connection,
                                                       DBusMessage* message,
                                                       int timeout_milliseconds, DBusError* error) {
    return PELKO_DBUS(dbus_connection_send_with_reply_and_block)(connection, message,
                                                                 timeout_milliseconds, error);
}

void dbus_connection_set_exit_on_disconnect(DBusConnection* connection,
                                            dbus_bool_t exit_on_disconnect) {
    return PELKO_DBUS(dbus_connection_set_exit_on_disconnect)(connection, exit_on_disconnect);
}

void dbus_connection_unref(DBusConnection* connection) {
    return PELKO_DBUS(dbus_connection_unref)(connection);
}

void dbus_error_free(DBusError* error) {
    return PELKO_DBUS(dbus_error_free)(error);
}

void dbus_error_init(DBusError* error) {
    return PELKO_DBUS(dbus_error_init)(error);
}

dbus_bool_t dbus_error_is_set(const DBusError* error) {
    return PELKO_DBUS(dbus_error_is_set)(error);
}

const char* dbus_message_get_path(DBusMessage* message) {
    return PELKO_DBUS(dbus_message_get_path)(message);
}

const char* dbus_message_get_sender(DBusMessage* message) {
    return PELKO_DBUS(dbus_message_get_sender)(message);
}

int dbus_message_get_type(DBusMessage* message) {
    return PELKO_DBUS(dbus_message_get_type)(message);
}

dbus_bool_t dbus_message_is_signal(DBusMessage* message, const char* iface,
                                   const char* signal_name) {
    return PELKO_DBUS(dbus_message_is_signal)(message, iface, signal_name);
}

dbus_bool_t dbus_message_iter_append_basic(DBusMessageIter* iter, int type, const void* value) {
    return PELKO_DBUS(dbus_message_iter_append_basic)(iter, type, value);
}

dbus_bool_t dbus_message_iter_append_fixed_array(DBusMessageIter* iter, int element_type,
                                                 const void* value, int n_elements) {
    return PELKO_DBUS(dbus_message_iter_append_fixed_array)(iter, element_type, value, n_elements);
}

dbus_bool_t dbus_message_iter_close_container(DBusMessageIter* iter, DBusMessageIter* sub) {
    return PELKO_DBUS(dbus_message_iter_close_container)(iter, sub);
}

int dbus_message_iter_get_arg_type(DBusMessageIter* iter) {
    return PELKO_DBUS(dbus_message_iter_get_arg_type)(iter);
}

void dbus_message_iter_get_basic(DBusMessageIter* iter, void* value) {
    return PELKO_DBUS(dbus_message_iter_get_basic)(iter, value);
}

int dbus_message_iter_get_element_type(DBusMessageIter* iter) {
    return PELKO_DBUS(dbus_message_iter_get_element_type)(iter);
}

dbus_bool_t dbus_message_iter_init(DBusMessage* message, DBusMessageIter* iter) {
    return PELKO_DBUS(dbus_message_iter_init)(message, iter);
}

void dbus_message_iter_init_append(DBusMessage* message, DBusMessageIter* iter) {
    return PELKO_DBUS(dbus_message_iter_init_append)(message, iter);
}

dbus_bool_t dbus_message_iter_next(DBusMessageIter* iter) {
    return PELKO_DBUS(dbus_message_iter_next)(iter);
}

dbus_bool_t dbus_message_iter_open_container(DBusMessageIter* iter, int type,
                                             const char* contained_signature,
                                             DBusMessageIter* sub) {
    return PELKO_DBUS(dbus_message_iter_open_container)(iter, type, contained_signature, sub);
}

void dbus_message_iter_recurse(DBusMessageIter* iter, DBusMessageIter* sub) {
    return PELKO_DBUS(dbus_message_iter_recurse)(iter, sub);
}

DBusMessage* dbus_message_new_method_call(const char* bus_name, const char* path, const char* iface,
                                          const char* method) {
    return PELKO_DBUS(dbus_message_new_method_call)(bus_name, path, iface, method);
}

void dbus_message_set_no_reply(DBusMessage* message, dbus_bool_t no_reply) {
    return PELKO_DBUS(dbus_message_set_no_reply)(message, no_reply);
}

void dbus_message_unref(DBusMessage* message) {
    return PELKO_DBUS(dbus_message_unref)(message);
}

dbus_bool_t dbus_pending_call_set_notify(DBusPendingCall* pending,
                                         DBusPendingCallNotifyFunction function, void* user_data,
                                         DBusFreeFunction free_user_data) {
    return PELKO_DBUS(dbus_pending_call_set_notify)(pending, function, user_data, free_user_data);
}

DBusMessage* dbus_pending_call_steal_reply(DBusPendingCall* pending) {
    return PELKO_DBUS(dbus_pending_call_steal_reply)(pending);
}

void dbus_pending_call_unref(DBusPendingCall* pending) {
    return PELKO_DBUS(dbus_pending_call_unref)(pending);
}

dbus_bool_t dbus_validate_path(const char* path, DBusError* error) {
    return PELKO_DBUS(dbus_validate_path)(path, error);
}

dbus_bool_t dbus_message_append_args(DBusMessage* message, int first_arg_type, ...) {
    const auto appendValist = PELKO_DBUS(dbus_message_append_args_valist);
    va_list args;
    va_start(args, first_arg_type);
    const dbus_bool_t done = appendValist(message, first_arg_type, args);
    va_end(args);
    return done;
}

dbus_bool_t dbus_message_get_args(DBusMessage* message, DBusError* error, int first_arg_type, ...) {
    const auto getValist = PELKO_DBUS(dbus_message_get_args_valist);
    va_list args;
    va_start(args, first_arg_type);
    const dbus_bool_t done = getValist(message, error, first_arg_type, args);
    va_end(args);
    return done;
}

}  // extern "C"
