#include "ui/selectors/pointer_shapes.h"

#include <QBitmap>
#include <QPainter>
#include <QPolygon>

namespace pelko {

namespace {

// A monochrome pointer from an outline: `fill` inside, the other colour on the one-pixel
// border, transparent elsewhere.
QCursor monochromePointer(const QPolygon& outline, Qt::GlobalColor fill, int hotX, int hotY) {
    QPixmap picture(32, 32);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(fill == Qt::white ? Qt::black : Qt::white, 1));
    painter.setBrush(fill);
    painter.drawPolygon(outline);
    painter.end();
    return QCursor(picture, hotX, hotY);
}

}  // namespace

QCursor handPointer() {
    // A hand of about 19 x 23 pixels: the index finger points up and left from the hotspot,
    // the other fingers folded below it, the wrist at the lower right.
    const QPolygon hand{{0, 0},   {3, 1},   {10, 8},  {12, 7},  {14, 8}, {15, 10}, {17, 10},
                        {18, 12}, {18, 17}, {16, 20}, {16, 22}, {9, 22}, {8, 19},  {4, 15},
                        {3, 12},  {5, 11},  {7, 12},  {3, 6},   {0, 3}};
    return monochromePointer(hand, Qt::white, 0, 0);
}

QCursor arrowPointer() {
    // An arrowhead 10 pixels wide and 13 high, its tip at (6, 0).
    const QPolygon arrow{{6, 0}, {15, 9}, {10, 9}, {12, 12}, {9, 12}, {7, 10}, {5, 12}, {6, 0}};
    return monochromePointer(arrow, Qt::black, 6, 0);
}

}  // namespace pelko
