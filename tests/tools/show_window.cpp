// Shows one window filled with a solid colour, for tests that need a window on a desktop whose
// programs draw through the toolkit (Wayland sessions). Prints "ready" once it is shown.
//   pelko-show-window RRGGBB
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setDesktopFileName("pelko-show-window");
    QWidget window;
    window.setWindowTitle("pelko-show-window");
    QPalette palette;
    palette.setColor(QPalette::Window, QColor("#" + QString(argc > 1 ? argv[1] : "ff0000")));
    window.setPalette(palette);
    window.setAutoFillBackground(true);
    window.resize(300, 200);
    window.show();
    QTimer::singleShot(300, [] {
        std::printf("ready\n");
        std::fflush(stdout);
    });
    return app.exec();
}
