#include "ui/toolkit/native_event_hook.h"

#include <QCoreApplication>

namespace pelko {

NativeEventHook::NativeEventHook(Handler handler) : m_handler(std::move(handler)) {
    QCoreApplication::instance()->installNativeEventFilter(this);
}

NativeEventHook::~NativeEventHook() {
    if (QCoreApplication* app = QCoreApplication::instance()) {
        app->removeNativeEventFilter(this);
    }
}

bool NativeEventHook::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (!m_handler || eventType != "xcb_generic_event_t") {
        return false;
    }
    return m_handler(message);
}

}  // namespace pelko
