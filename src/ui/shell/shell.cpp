#include "ui/shell/shell.h"

#include <QApplication>
#include <QMetaObject>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "ui/shell/main_window.h"
#include "ui/toolkit/error_box.h"
#include "ui/toolkit/native_event_hook.h"
#include "ui/toolkit/quit_signals.h"
#include "ui/toolkit/x11_display.h"

namespace pelko {

namespace {

// The X display the application connects to: the -display argument, else $DISPLAY.
std::string displayNameOf(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "-display") == 0) {
            return argv[i + 1];
        }
    }
    const char* env = std::getenv("DISPLAY");
    return env ? env : "";
}

}  // namespace

int runShell(int& argc, char** argv, ShellPlatform& platform) {
    const std::string displayName = displayNameOf(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pelko"));
    // The program lives in the tray: it ends when the main window is closed, not when its
    // last window is hidden.
    QApplication::setQuitOnLastWindowClosed(false);

    const X11Display x11 = applicationX11Display(displayName);
    TForm1 form(platform.connect(x11.connection, x11.screenNumber));

    // A hotkey press arrives inside the native event stream; its capture runs from the event
    // loop, like every other user action.
    platform.onHotKeyPressed = [&form](std::uint32_t hotKey, std::uint16_t index) {
        QMetaObject::invokeMethod(
            &form,
            [&form, hotKey, index] {
                // A hotkey pressed in an open menu of ours: the menu goes, it is no part of
                // the capture.
                for (int open = 0; open < 8 && QApplication::activePopupWidget(); ++open) {
                    QApplication::activePopupWidget()->close();
                }
                form.hotkeyHotKeyPressed(hotKey, index);
            },
            Qt::QueuedConnection);
    };
    platform.onDelayCountdown = [&form](int secondsLeft) {
        QMetaObject::invokeMethod(
            &form, [&form, secondsLeft] { form.showDelayCountdown(secondsLeft); },
            Qt::QueuedConnection);
    };
    platform.onEditFiles = [&form](std::vector<std::string> files) {
        QMetaObject::invokeMethod(
            &form, [&form, files] { form.openFilesInEditor(files); }, Qt::QueuedConnection);
    };
    platform.onShowMainWindow = [&form] {
        QMetaObject::invokeMethod(
            &form, [&form] { form.restoreMainWindow(); }, Qt::QueuedConnection);
    };
    NativeEventHook hook([&platform, &form](const void* event) {
        try {
            return platform.nativeEvent(event);
        } catch (const std::exception& e) {
            const QString message = QString::fromStdString(e.what());
            QMetaObject::invokeMethod(
                &form, [&form, message] { showErrorBox(&form, message); }, Qt::QueuedConnection);
            return false;
        }
    });

    QObject::connect(&form, &TForm1::closed, &app, &QCoreApplication::quit);
    // Ended by a signal (the session ends, a terminal closes): whatever box, menu or selector
    // is open goes, and the program ends below as "Exit" does, reporting errors on stderr.
    bool endedBySignal = false;
    const QuitSignals quitSignals([&endedBySignal] {
        endedBySignal = true;
        leaveEveryEventLoop();
    });

    int status = 0;
    const bool showMainWindow = form.trayiconStartup();
    runAction(&form, [&form] { form.FormCreate(); });
    // A signal may come while a box of the start is open: the program then never shows.
    if (!endedBySignal) {
        if (showMainWindow) {
            form.show();
        }
        form.reportRefusedHotkeys();
        if (!platform.startupEditFiles.empty()) {
            form.openFilesInEditor(platform.startupEditFiles);
        }
        status = QApplication::exec();
    }
    // However the event loop ended (the window closed, a signal, the session), the program
    // saves, releases and purges as "Exit" does; after "Exit" this does nothing more.
    form.close();
    platform.onHotKeyPressed = nullptr;
    platform.onDelayCountdown = nullptr;
    platform.onEditFiles = nullptr;
    platform.onShowMainWindow = nullptr;
    return status;
}

}  // namespace pelko
