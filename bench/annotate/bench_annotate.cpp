// Times the editor's annotations on a 3840x2160 picture, on the display in DISPLAY (or
// QT_QPA_PLATFORM=offscreen):
//  - one mouse move while drawing or dragging an annotation: the move event, the canvas's
//    repaint of the changed area and the flush to the display, with 40 annotations on the
//    picture already;
//  - flattening 100 annotations of every kind onto the picture, as each output does.
//
//     bench_annotate [moves]      prints median and 95th percentile of each
#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "core/annotate/flatten.h"
#include "ui/annotate/annotation_canvas.h"
#include "ui/annotate/shape_painter.h"

using namespace pelko;

namespace {

constexpr int kWidth = 3840, kHeight = 2160;

void send(QWidget* w, QEvent::Type type, QPoint p) {
    QMouseEvent e(type, QPointF(p), QPointF(w->mapToGlobal(p)), Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// A screen-like picture with detail everywhere.
Bitmap picture() {
    Bitmap b(kWidth, kHeight, 24);
    for (int y = 0; y < kHeight; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(b.row(y));
        for (int x = 0; x < kWidth; ++x) {
            row[x] = std::uint32_t((x * 7) ^ (y * 13)) & 0xffffff;
        }
    }
    return b;
}

// n annotations of every kind spread over the picture.
std::vector<Annotation> annotations(int n) {
    const AnnotationKind kinds[] = {AnnotationKind::Arrow,     AnnotationKind::Line,
                                    AnnotationKind::Rectangle, AnnotationKind::Ellipse,
                                    AnnotationKind::Pen,       AnnotationKind::Highlighter,
                                    AnnotationKind::Text,      AnnotationKind::Marker,
                                    AnnotationKind::Redact,    AnnotationKind::Pixelate};
    std::vector<Annotation> out;
    for (int i = 0; i < n; ++i) {
        Annotation a;
        a.kind = kinds[i % 10];
        const int x = 100 + (i * 373) % (kWidth - 600), y = 100 + (i * 211) % (kHeight - 400);
        a.points = {{x, y}, {x + 300, y + 200}};
        if (isPath(a.kind)) {
            a.points.clear();
            for (int k = 0; k < 60; ++k) {
                // A hand's stroke: a smooth wave, a point every few pixels.
                a.points.push_back({x + k * 5, y + int(40 * std::sin(k / 6.0))});
            }
        }
        if (a.kind == AnnotationKind::Marker) {
            a.points = {{x, y}, {x + 34, y + 34}};
        }
        if (a.kind == AnnotationKind::Text) {
            a.points = {{x, y}, {x + 110, y + 34}};  // the box of "Step 99" at width 4
        }
        a.text = "Step " + std::to_string(i);
        a.color = {230, 30, 30};
        a.width = 4;
        a.seed = std::uint64_t(i) * 7919;
        out.push_back(a);
    }
    return out;
}

void report(const char* name, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    const double median = ms[ms.size() / 2];
    const double p95 = ms[std::min(ms.size() - 1, std::size_t(0.95 * double(ms.size() - 1) + 0.5))];
    std::printf("%-34s median %7.2f ms, p95 %7.2f ms (%zu runs)\n", name, median, p95, ms.size());
}

// Presses at `from`, then times each move along the way to `to`.
void timeDrag(const char* name, AnnotationCanvas& canvas, AnnotateTool tool, QPoint from, QPoint to,
              int moves) {
    canvas.setTool(tool);
    send(&canvas, QEvent::MouseButtonPress, from);
    QApplication::processEvents();
    std::vector<double> ms;
    QElapsedTimer timer;
    for (int i = 1; i <= moves; ++i) {
        const QPoint p = from + (to - from) * i / moves;
        timer.start();
        send(&canvas, QEvent::MouseMove, p);
        QApplication::processEvents();
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    send(&canvas, QEvent::MouseButtonRelease, to);
    QApplication::processEvents();
    report(name, ms);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int moves = argc > 1 ? std::max(10, std::atoi(argv[1])) : 200;

    EditHistory history(EditState{std::make_shared<const Bitmap>(picture()), annotations(40)});
    AnnotationCanvas canvas;
    canvas.setHistory(&history);
    canvas.move(0, 0);
    canvas.show();
    for (int i = 0; i < 50; ++i) {
        QApplication::processEvents();  // shown and painted once whole
    }
    if (std::getenv("BENCH_FLATTEN_ONLY") == nullptr) {
        timeDrag("draw a rectangle, per move", canvas, AnnotateTool::Rectangle, {400, 300},
                 {2400, 1600}, moves);
        timeDrag("draw an arrow, per move", canvas, AnnotateTool::Arrow, {3000, 200}, {800, 1900},
                 moves);
        timeDrag("freehand pen, per move", canvas, AnnotateTool::Pen, {200, 1800}, {3600, 400},
                 moves);
        // The rectangle drawn first is at the end of the list: drag it by its outline.
        canvas.setTool(AnnotateTool::Select);
        timeDrag("move a rectangle, per move", canvas, AnnotateTool::Select, {400, 900},
                 {1400, 1200}, moves);
        timeDrag("draw a 2000x1300 pixelation, per move", canvas, AnnotateTool::Pixelate,
                 {500, 500}, {2500, 1800}, moves / 4);
    }

    const Bitmap base = picture();
    const std::vector<Annotation> hundred = annotations(100);
    const QtShapeRenderer renderer;
    std::vector<double> ms;
    QElapsedTimer timer;
    for (int i = 0; i < 15; ++i) {
        timer.start();
        const Bitmap flat = flatten(base, hundred, renderer);
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (flat.width() != kWidth) {
            return 1;
        }
    }
    report("flatten 100 annotations", ms);
    // The same onto memory used before: without the page faults of a fresh 33 MB picture.
    Bitmap reused = base;
    ms.clear();
    for (int i = 0; i < 15; ++i) {
        timer.start();
        std::copy_n(base.data(), base.byteSize(), reused.data());
        flattenOnto(reused, hundred, renderer);
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    report("flatten 100, memory reused", ms);
    ms.clear();
    for (int i = 0; i < 15; ++i) {
        timer.start();
        const Bitmap copy = base;
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    report("copy of the picture alone", ms);
    // Each kind alone, ten of it.
    const char* const names[] = {"arrows",     "lines", "rectangles", "ellipses", "pen lines",
                                 "highlights", "texts", "markers",    "redacts",  "pixelations"};
    for (std::size_t k = 0; k < 10; ++k) {
        std::vector<Annotation> ten;
        for (std::size_t i = k; i < hundred.size(); i += 10) {
            ten.push_back(hundred[i]);
        }
        timer.start();
        flattenOnto(reused, ten, renderer);
        std::printf("  ten %s: %.2f ms\n", names[k], double(timer.nsecsElapsed()) / 1e6);
    }
    return 0;
}
