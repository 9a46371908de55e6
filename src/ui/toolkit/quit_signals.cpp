#include "ui/toolkit/quit_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>
#include <array>
#include <cerrno>
#include <csignal>
#include <utility>

#include "core/error.h"
#include "ui/toolkit/error_box.h"

namespace pelko {

namespace {

constexpr std::array kSignals = {SIGTERM, SIGINT, SIGHUP};

// A signal handler may only write to a descriptor, so the write end lives here.
volatile sig_atomic_t g_writeEnd = -1;

extern "C" void onSignal(int signal) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    if (g_writeEnd >= 0) {
        [[maybe_unused]] const ssize_t n = ::write(g_writeEnd, &byte, 1);
    }
    errno = saved;
}

}  // namespace

QuitSignals::QuitSignals(std::function<void()> onQuit) : m_onQuit(std::move(onQuit)) {
    if (::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw Error("Cannot watch the signals that end the program");
    }
    g_writeEnd = m_pipe[1];
    m_notifier = std::make_unique<QSocketNotifier>(m_pipe[0], QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] {
        unsigned char buffer[16];
        while (::read(m_pipe[0], buffer, sizeof buffer) > 0) {
        }
        if (m_onQuit) {
            const auto quit = std::exchange(m_onQuit, nullptr);
            quit();
        }
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : kSignals) {
        ::sigaction(signal, &action, nullptr);
    }
}

void leaveEveryEventLoop() {
    reportErrorsOnStandardError();
    // Menus first: each runs an event loop of its own above any dialog.
    for (int open = 0; open < 16 && QApplication::activePopupWidget(); ++open) {
        QApplication::activePopupWidget()->close();
    }
    // Dialogs and boxes answer "Cancel", so that the code that opened them does nothing more.
    QList<QPointer<QDialog>> dialogs;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QDialog*>(window); dialog && dialog->isVisible()) {
            dialogs.append(dialog);
        }
    }
    for (const QPointer<QDialog>& dialog : dialogs) {
        if (dialog) {
            dialog->reject();
        }
    }
    // Every other local loop (selectors, waits) and the application's own.
    QCoreApplication::exit(0);
}

QuitSignals::~QuitSignals() {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int signal : kSignals) {
        ::sigaction(signal, &action, nullptr);
    }
    g_writeEnd = -1;
    m_notifier.reset();
    ::close(m_pipe[0]);
    ::close(m_pipe[1]);
}

}  // namespace pelko
