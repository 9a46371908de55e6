#include "ui/selectors/shape_cut.h"

#include <QImage>
#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <climits>

namespace pelko {

namespace {

constexpr double kCornerSize = 40;

// Fills a w x h picture with the source's pixels from (left, top) where the mask is set and
// with `outside` elsewhere.
Bitmap maskedCopy(const Bitmap& source, int left, int top, int w, int h, const QImage& mask,
                  Rgb outside) {
    const Bitmap whole = source.indexed() ? source.toDepth24() : source;
    Bitmap area = copyArea(whole, {left, top, left + w, top + h});
    Bitmap out(w, h, 24);
    const std::uint32_t fill =
        std::uint32_t(outside.b) | std::uint32_t(outside.g) << 8 | std::uint32_t(outside.r) << 16;
    for (int y = 0; y < h; ++y) {
        const uchar* m = mask.constScanLine(y);
        for (int x = 0; x < w; ++x) {
            out.setPixel32(x, y, m[x] ? area.pixel32(x, y) & 0xFFFFFF : fill);
        }
    }
    return out;
}

// A mask of w x h: 255 inside the path, 0 outside, pixel centres deciding.
QImage pathMask(const QPainterPath& path, int w, int h) {
    QImage mask(w, h, QImage::Format_Grayscale8);
    mask.fill(0);
    QPainter painter(&mask);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawPath(path);
    return mask;
}

}  // namespace

QPainterPath shapePath(CutShape shape, double w, double h) {
    QPainterPath path;
    if (shape == CutShape::Ellipse) {
        path.addEllipse(QRectF(0, 0, w, h));
    } else {
        path.addRoundedRect(QRectF(0, 0, w, h), std::min(kCornerSize, w) / 2,
                            std::min(kCornerSize, h) / 2);
    }
    return path;
}

Bitmap cutShape(const Bitmap& source, const Rect& box, CutShape shape, ColorRef background) {
    const int w = box.width() - 1;
    const int h = box.height() - 1;
    if (w <= 0 || h <= 0) {
        return Bitmap(0, 0, 24);
    }
    return maskedCopy(source, box.left, box.top, w, h, pathMask(shapePath(shape, w, h), w, h),
                      fromColorRef(background));
}

Bitmap cutPolygon(const Bitmap& source, const std::vector<Point>& points) {
    if (points.empty()) {
        return Bitmap(0, 0, 24);
    }
    int minX = INT_MAX, minY = INT_MAX, maxX = INT_MIN, maxY = INT_MIN;
    for (const Point& p : points) {
        minX = std::min(minX, p.x);
        minY = std::min(minY, p.y);
        maxX = std::max(maxX, p.x);
        maxY = std::max(maxY, p.y);
    }
    const int w = maxX - minX;
    const int h = maxY - minY;
    if (w <= 0 || h <= 0) {
        return Bitmap(std::max(w, 0), std::max(h, 0), 24);
    }
    QPolygon polygon;
    for (const Point& p : points) {
        polygon << QPoint(p.x - minX, p.y - minY);
    }
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    path.addPolygon(polygon);
    path.closeSubpath();
    return maskedCopy(source, minX, minY, w, h, pathMask(path, w, h), {255, 255, 255});
}

}  // namespace pelko
