#include "app/running_tray.h"

#include <optional>

#include "core/error.h"
#include "platform/desktop/tray_socket.h"

namespace pelko {

namespace {

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

// None when no tray program of the folder listens, also when the folder's path is too long for
// a socket name: such a tray program cannot listen either (it says so as it starts).
std::optional<TrayConnection> connectToTray(const ProgramPaths& paths) {
    std::string path;
    try {
        path = traySocketPath(traySocketFolder(), paths.programDir);
    } catch (const Error&) {
        return std::nullopt;
    }
    return TrayConnection::open(path);
}

}  // namespace

bool sendToTrayEditor(const ProgramPaths& paths, const std::vector<std::string>& files) {
    std::optional<TrayConnection> tray = connectToTray(paths);
    return tray && tray->send(TrayMessage::edit(files));
}

bool showRunningTray(const ProgramPaths& paths) {
    std::optional<TrayConnection> tray = connectToTray(paths);
    return tray && tray->send(TrayMessage::show());
}

std::unique_ptr<DelayAnnouncer> trayDelayAnnouncer(const ProgramPaths& paths) {
    if (std::optional<TrayConnection> tray = connectToTray(paths)) {
        return std::make_unique<SocketDelayAnnouncer>(std::move(*tray));
    }
    return nullptr;
}

}  // namespace pelko
