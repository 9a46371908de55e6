#include "ui/annotate/shape_painter.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cmath>

#include "core/error.h"

namespace pelko {

namespace {

QColor toQColor(Rgb c, int alpha = 255) {
    return QColor(c.r, c.g, c.b, alpha);
}

// Black or white, whichever stands out more against c: the outline of text and the digits of
// markers.
QColor contrasting(Rgb c) {
    const int luma = (299 * c.r + 587 * c.g + 114 * c.b) / 1000;
    return luma > 140 ? QColor(Qt::black) : QColor(Qt::white);
}

QPointF centre(Pos p) {
    return {p.x + 0.5, p.y + 0.5};
}

// The text's pixel size for a text annotation's width (its size chooser).
int textPixelSize(int width) {
    return 10 + 4 * width;
}

QFont textFont(int pixelSize) {
    QFont font;
    font.setPixelSize(std::max(pixelSize, 4));
    font.setBold(true);
    return font;
}

void paintArrowHead(QPainter& painter, QPointF from, QPointF tip, int width, const QColor& color) {
    const double dx = tip.x() - from.x(), dy = tip.y() - from.y();
    const double len = std::hypot(dx, dy);
    if (len < 1) {
        return;
    }
    const double ux = dx / len, uy = dy / len;
    const double head = arrowHeadLength(width);
    const double half = head * 0.5;
    const QPointF base(tip.x() - ux * head, tip.y() - uy * head);
    const QPolygonF wings({tip, QPointF(base.x() - uy * half, base.y() + ux * half),
                           QPointF(base.x() + uy * half, base.y() - ux * half)});
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawPolygon(wings);
}

void paintText(QPainter& painter, const Annotation& a) {
    const Box box = shapeBox(a);
    const QFont font = textFont(int(box.h * 0.78));
    QPainterPath path;
    const QFontMetrics metrics(font);
    path.addText(box.x + 2, box.y + 2 + metrics.ascent(), font, QString::fromStdString(a.text));
    // A contrasting outline under the letters reads on any picture.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(contrasting(a.color), 3.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(path);
    painter.setPen(Qt::NoPen);
    painter.setBrush(toQColor(a.color));
    painter.drawPath(path);
}

void paintMarker(QPainter& painter, const Annotation& a, int number) {
    const Box box = shapeBox(a);
    const QRectF circle(box.x, box.y, box.w, box.h);
    painter.setPen(QPen(contrasting(a.color), 1.5));
    painter.setBrush(toQColor(a.color));
    painter.drawEllipse(circle.adjusted(0.75, 0.75, -0.75, -0.75));
    painter.setPen(contrasting(a.color));
    painter.setFont(textFont(int(std::min(box.w, box.h) * 0.6)));
    painter.drawText(circle, Qt::AlignCenter, QString::number(number));
}

}  // namespace

Box textBox(const std::string& text, int width, Pos at) {
    const QFontMetrics metrics(textFont(textPixelSize(width)));
    const int w = metrics.horizontalAdvance(QString::fromStdString(text)) + 4;
    const int h = int(std::ceil(textPixelSize(width) / 0.78));
    return {at.x, at.y, std::max(w, 4), std::max(h, 4)};
}

void paintAnnotation(QPainter& painter, const Annotation& a, int markerNumber) {
    if (a.points.empty() || isRedaction(a.kind)) {
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    const QColor color = toQColor(a.color);
    const QPen pen(color, std::max(a.width, 1), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    const Box box = shapeBox(a);
    const QRectF frame(box.x + 0.5, box.y + 0.5, box.w - 1, box.h - 1);
    switch (a.kind) {
        case AnnotationKind::Line:
        case AnnotationKind::Arrow: {
            const QPointF from = centre(a.points.front()), tip = centre(a.points.back());
            painter.setPen(pen);
            if (a.kind == AnnotationKind::Arrow) {
                // The line stops inside the head so that its round cap does not blunt the tip.
                const double len = std::hypot(tip.x() - from.x(), tip.y() - from.y());
                const double cut =
                    len > 0 ? std::min(1.0, arrowHeadLength(a.width) * 0.6 / len) : 0;
                painter.drawLine(from, tip - (tip - from) * cut);
                paintArrowHead(painter, from, tip, a.width, color);
            } else {
                painter.drawLine(from, tip);
            }
            break;
        }
        case AnnotationKind::Rectangle:
            painter.setPen(pen);
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(frame);
            break;
        case AnnotationKind::Ellipse:
            painter.setPen(pen);
            painter.setBrush(Qt::NoBrush);
            painter.drawEllipse(frame);
            break;
        case AnnotationKind::Pen:
        case AnnotationKind::Highlighter: {
            QPolygonF line;
            for (const Pos& p : a.points) {
                line << centre(p);
            }
            QPen stroke = pen;
            if (a.kind == AnnotationKind::Highlighter) {
                // Translucent, and drawn as one path so that its own crossings do not darken.
                stroke.setColor(toQColor(a.color, 110));
                stroke.setCapStyle(Qt::FlatCap);
            }
            painter.setPen(stroke);
            painter.setBrush(Qt::NoBrush);
            if (line.size() == 1) {
                painter.drawPoint(line[0]);
            } else {
                QPainterPath path;
                path.addPolygon(line);
                painter.drawPath(path);
            }
            break;
        }
        case AnnotationKind::Text:
            paintText(painter, a);
            break;
        case AnnotationKind::Marker:
            paintMarker(painter, a, markerNumber);
            break;
        case AnnotationKind::Redact:
        case AnnotationKind::Pixelate:
            break;
    }
    painter.restore();
}

QImage wrapBitmap(Bitmap& bitmap) {
    if (bitmap.indexed()) {
        throw Error("A palette picture cannot be drawn on");
    }
    return QImage(bitmap.data(), bitmap.width(), bitmap.height(), qsizetype(bitmap.stride()),
                  bitmap.depth() == 32 ? QImage::Format_ARGB32 : QImage::Format_RGB32);
}

void QtShapeRenderer::draw(Bitmap& picture, const Annotation& a, int markerNumber) const {
    // Only the annotation's bounds change: what the view repaints for it.
    const Box area = paintBounds(a).intersected({0, 0, picture.width(), picture.height()});
    if (area.empty()) {
        return;
    }
    QImage target = wrapBitmap(picture);
    QPainter painter(&target);
    painter.setClipRect(QRect(area.x, area.y, area.w, area.h));
    paintAnnotation(painter, a, markerNumber);
    painter.end();
    if (picture.depth() != 32) {
        // Format_RGB32 sets the fourth byte where it draws; depth 24 keeps 0 there.
        for (int y = area.y; y < area.bottom(); ++y) {
            std::uint8_t* p = picture.row(y) + std::size_t(area.x) * 4;
            for (int x = 0; x < area.w; ++x) {
                p[4 * x + 3] = 0;
            }
        }
    }
}

}  // namespace pelko
