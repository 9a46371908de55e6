// Times one drag update of the selector overlays on the display in DISPLAY: the pointer moves
// with the left button held, the overlay erases the old rubber band or shape, draws the new one
// and sends the changed pixels to the display. The overlay covers the whole screen over a
// frozen picture, as in a capture.
//
//     bench_drag [moves]      prints median and 95th percentile per selector kind
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "core/image/bitmap.h"
#include "ui/selectors/capture_freehand_form.h"
#include "ui/selectors/capture_rect_form.h"
#include "ui/selectors/capture_shape_form.h"

using namespace pelko;

namespace {

void send(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButtons held) {
    QMouseEvent e(type, QPointF(p), QPointF(w->mapToGlobal(p)), Qt::LeftButton, held,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// A frozen screen with detail everywhere, so nothing about the picture is cheap to draw.
Bitmap frozenScreen(int width, int height) {
    Bitmap b(width, height, 24);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(b.row(y));
        for (int x = 0; x < width; ++x) {
            row[x] = std::uint32_t((x * 7) ^ (y * 13)) & 0xffffff;
        }
    }
    return b;
}

void report(const char* name, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    const double median = ms[ms.size() / 2];
    const double p95 = ms[std::min(ms.size() - 1, std::size_t(0.95 * double(ms.size() - 1) + 0.5))];
    std::printf("%s drag update: median %.2f ms, p95 %.2f ms (%zu moves)\n", name, median, p95,
                ms.size());
}

// Opens the overlay, presses, then times each move of a diagonal drag across the screen.
void timeDrag(const char* name, SelectorOverlay& form, int moves) {
    form.open();
    for (int i = 0; i < 50; ++i) {
        QApplication::processEvents();  // shown and painted
    }
    const QSize size = form.size();
    const QPoint start(size.width() / 10, size.height() / 10);
    send(&form, QEvent::MouseButtonPress, start, Qt::LeftButton);
    std::vector<double> ms;
    QElapsedTimer timer;
    for (int i = 1; i <= moves; ++i) {
        const QPoint p(start.x() + i * (size.width() * 8 / 10) / moves,
                       start.y() + i * (size.height() * 8 / 10) / moves);
        timer.start();
        send(&form, QEvent::MouseMove, p, Qt::LeftButton);
        QApplication::processEvents();
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    report(name, ms);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int moves = argc > 1 ? std::max(10, std::atoi(argv[1])) : 200;
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize size = screen->geometry().size() * screen->devicePixelRatio();
    const Bitmap frozen = frozenScreen(size.width(), size.height());
    const QRect area(QPoint(0, 0), size);
    QImage image(frozen.data(), frozen.width(), frozen.height(), qsizetype(frozen.stride()),
                 QImage::Format_RGB32);
    std::printf("%dx%d\n", size.width(), size.height());
    {
        TCaptureRectForm form(image, area, true);
        timeDrag("rectangle", form, moves);
    }
    {
        TfrmCaptureEllipse form(frozen, area, true, ColorRef(0xffffff));
        timeDrag("ellipse", form, moves);
    }
    {
        TCaptureFreehandForm form(frozen, area, true);
        timeDrag("freehand", form, moves);
    }
    return 0;
}
