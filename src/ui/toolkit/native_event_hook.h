#pragma once

#include <QAbstractNativeEventFilter>
#include <functional>

namespace pelko {

// Hands every event of the application's X11 connection (an xcb_generic_event_t*) to a
// function; the event is consumed when the function returns true. Installed on the application
// for its lifetime.
class NativeEventHook : public QAbstractNativeEventFilter {
  public:
    using Handler = std::function<bool(const void* xcbEvent)>;

    explicit NativeEventHook(Handler handler);
    ~NativeEventHook() override;
    NativeEventHook(const NativeEventHook&) = delete;
    NativeEventHook& operator=(const NativeEventHook&) = delete;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

  private:
    Handler m_handler;
};

}  // namespace pelko
