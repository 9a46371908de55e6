#include "app/running_tray.h"

#include <optional>

#include "app/wayland_session.h"
#include "platform/desktop/tray_socket.h"
#include "platform/x11/delay_countdown.h"
#include "platform/x11/edit_request.h"

namespace pelko {

namespace {

class X11DelayAnnouncer final : public DelayAnnouncer {
  public:
    void announce(int secondsLeft) override { m_countdown.announce(secondsLeft); }

  private:
    x11::DelayCountdown m_countdown;  // its end removes the countdown from the display
};

class SocketDelayAnnouncer final : public DelayAnnouncer {
  public:
    explicit SocketDelayAnnouncer(TrayConnection connection)
        : m_connection(std::move(connection)) {}
    ~SocketDelayAnnouncer() override { announce(0); }

    // A tray program that ended meanwhile misses the rest: the capture goes on.
    void announce(int secondsLeft) override {
        m_connection.send(TrayMessage::countdown(secondsLeft));
    }

  private:
    TrayConnection m_connection;
};

std::optional<TrayConnection> connectToTray(const ProgramPaths& paths) {
    return TrayConnection::open(traySocketPath(traySocketFolder(), paths.programDir));
}

}  // namespace

bool sendToTrayEditor(const CommandLine& cl, const ProgramPaths& paths,
                      const std::vector<std::string>& files) {
    if (!onWayland(cl)) {
        return x11::sendEditRequest(files);
    }
    std::optional<TrayConnection> tray = connectToTray(paths);
    return tray && tray->send(TrayMessage::edit(files));
}

bool showRunningTray(const ProgramPaths& paths) {
    std::optional<TrayConnection> tray = connectToTray(paths);
    return tray && tray->send(TrayMessage::show());
}

std::unique_ptr<DelayAnnouncer> trayDelayAnnouncer(const CommandLine& cl,
                                                   const ProgramPaths& paths) {
    if (!onWayland(cl)) {
        return std::make_unique<X11DelayAnnouncer>();
    }
    if (std::optional<TrayConnection> tray = connectToTray(paths)) {
        return std::make_unique<SocketDelayAnnouncer>(std::move(*tray));
    }
    return nullptr;
}

}  // namespace pelko
