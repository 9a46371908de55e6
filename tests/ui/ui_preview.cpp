// Shows Pelko's main window on the current display with a fake capture back end, to look at
// it: pelko-ui-preview [--home DIR] [--skin NAME] [--about] [--menu input|output|tray]
// Prints "ready" once the window is on the screen.
// pelko-ui-preview --shell [--home DIR] runs the whole shell (tray icon included) instead.
#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <string>

#include "core/capture/fake_screen.h"
#include "ui/shell/main_window.h"
#include "ui/shell/shell.h"

namespace {

struct NoOutputs : pelko::CaptureOutputs {
    std::vector<std::string> copyToClipboard(const pelko::Bitmap&) override { return {}; }
    std::vector<std::string> openInPaint(const pelko::Bitmap&) override { return {}; }
    std::vector<std::string> publishWeb(const pelko::Bitmap&) override { return {}; }
    std::vector<std::string> sendEmail(const pelko::Bitmap&) override { return {}; }
    std::vector<std::string> openInEditor(const pelko::Bitmap&) override { return {}; }
};

// The platform of the whole shell, with the fake screen and no hotkeys.
struct PreviewPlatform : pelko::ShellPlatform {
    pelko::test::FakeScreen screen;
    NoOutputs outputs;
    std::string home;
    pelko::ShellServices connect(void* connection, int screenNumber) override {
        std::printf("connection %s, screen %d\n", connection ? "present" : "none", screenNumber);
        std::fflush(stdout);
        pelko::ShellServices s;
        s.paths.programDir = home;
        s.scratchDir = home + "/scratch/";
        s.screen = &screen;
        s.outputs = &outputs;
        s.bindHotkeys = [](const std::array<std::uint32_t, 9>&) {
            std::printf("ready\n");
            std::fflush(stdout);
        };
        return s;
    }
    bool nativeEvent(const void*) override { return false; }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::string(argv[1]) == "--shell") {
        PreviewPlatform platform;
        platform.home =
            argc >= 4 && std::string(argv[2]) == "--home"
                ? argv[3]
                : (std::filesystem::temp_directory_path() / "pelko-ui-preview").string();
        std::filesystem::create_directories(platform.home + "/screens");
        return pelko::runShell(argc, argv, platform);
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pelko"));
    QApplication::setQuitOnLastWindowClosed(false);

    std::string home = (std::filesystem::temp_directory_path() / "pelko-ui-preview").string();
    QString skin, menu;
    bool about = false;
    const QStringList args = QApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == "--home" && i + 1 < args.size()) {
            home = args[++i].toStdString();
        } else if (args[i] == "--skin" && i + 1 < args.size()) {
            skin = args[++i];
        } else if (args[i] == "--menu" && i + 1 < args.size()) {
            menu = args[++i];
        } else if (args[i] == "--about") {
            about = true;
        }
    }
    std::filesystem::create_directories(home + "/screens");

    pelko::test::FakeScreen screen;
    NoOutputs outputs;
    pelko::ShellServices services;
    services.paths.programDir = home;
    services.scratchDir = home + "/scratch/";
    services.screen = &screen;
    services.outputs = &outputs;
    pelko::TForm1 form(services);
    QObject::connect(&form, &pelko::TForm1::closed, &app, &QCoreApplication::quit);
    form.FormCreate();
    if (!skin.isEmpty()) {
        form.skins().setEnabled(true);
        form.skins().setSkinName(skin);
    }
    form.show();

    QTimer::singleShot(300, &form, [&] {
        if (about) {
            form.findChild<QAction*>("About1")->trigger();
        }
        if (menu == "input") {
            form.findChild<QPushButton*>("btninput")->click();
        } else if (menu == "output") {
            form.findChild<QPushButton*>("btnafter")->click();
        } else if (menu == "tray") {
            form.findChild<QMenu*>("trpopupmenu")
                ->popup(form.geometry().topRight() + QPoint(40, 0));
        }
        QTimer::singleShot(300, [] {
            std::printf("ready\n");
            std::fflush(stdout);
        });
    });
    return QApplication::exec();
}
