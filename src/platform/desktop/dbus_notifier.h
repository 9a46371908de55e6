#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "core/capture/capture_notice.h"
#include "core/output/program_launcher.h"

struct DBusConnection;
struct DBusMessage;

namespace pelko {

// Desktop notifications through the session bus (the freedesktop Notifications service),
// with the picture as the notification's image.
//
// SendOnly (a command that ends right after its capture) hands the notice to the bus and
// returns without waiting for the notification service. ServeActions (the tray program) sends
// from a thread of its own and serves the notice's actions: "Open" opens the file, a click on
// the notice opens its folder. show() never waits for the bus there; a notice that cannot be
// delivered (no bus, no service) is dropped. Without a session bus, the first notice says so
// on standard error, once; no bus is ever started.
class DbusNotifier final : public Notifier {
  public:
    enum class Mode { SendOnly, ServeActions };
    explicit DbusNotifier(Mode mode, LaunchProgram open);
    ~DbusNotifier() override;
    DbusNotifier(const DbusNotifier&) = delete;
    DbusNotifier& operator=(const DbusNotifier&) = delete;

    void show(const CaptureNotice& notice) override;

  private:
    void serve();
    // Says once, on standard error, that notices go nowhere for want of a session bus.
    void sayNoBus();
    void sendFrom(DBusConnection* connection, const CaptureNotice& notice, bool withActions);
    void replied(DBusMessage* reply, const std::string& file);
    bool signalled(DBusMessage* message);

    Mode m_mode;
    LaunchProgram m_open;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<CaptureNotice> m_queue;
    bool m_stop = false;
    bool m_saidNoBus = false;
    // Worker only: the notices shown (notification id -> file) and the unique bus name of the
    // service that showed them.
    std::map<std::uint32_t, std::string> m_shown;
    std::string m_service;
    std::thread m_worker;
};

}  // namespace pelko
