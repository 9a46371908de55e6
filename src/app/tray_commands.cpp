#include "app/tray_commands.h"

#include <QSocketNotifier>
#include <cstdio>

#include "core/error.h"
#include "platform/desktop/tray_socket.h"
#include "ui/shell/shell.h"

namespace pelko {

TrayCommands::TrayCommands(const std::string& programDir, ShellPlatform& platform)
    : m_platform(platform) {
    try {
        m_server =
            std::make_unique<TraySocketServer>(traySocketPath(traySocketFolder(), programDir));
    } catch (const Error& e) {
        std::fprintf(stderr, "pelko: %s\n", e.what());
        return;
    }
    if (!m_server->listening()) {
        return;  // another tray program of this program folder takes the commands
    }
    m_watch = std::make_unique<QSocketNotifier>(m_server->fileDescriptor(), QSocketNotifier::Read);
    QObject::connect(m_watch.get(), &QSocketNotifier::activated, [this] { deliver(); });
}

TrayCommands::~TrayCommands() = default;

void TrayCommands::deliver() {
    m_server->dispatch([this](const TrayMessage& message) {
        switch (message.kind) {
            case TrayMessage::Kind::Countdown:
                if (m_platform.onDelayCountdown) {
                    m_platform.onDelayCountdown(message.secondsLeft);
                }
                break;
            case TrayMessage::Kind::Edit:
                if (m_platform.onEditFiles) {
                    m_platform.onEditFiles(message.files);
                }
                break;
            case TrayMessage::Kind::Show:
                if (m_platform.onShowMainWindow) {
                    m_platform.onShowMainWindow();
                }
                break;
        }
    });
}

}  // namespace pelko
