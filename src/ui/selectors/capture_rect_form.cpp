#include "ui/selectors/capture_rect_form.h"

#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

namespace pelko {

TCaptureRectForm::TCaptureRectForm(QImage frozen, QRect area, bool showHint, OverlayWindow* host)
    : SelectorOverlay(std::move(frozen), area, host), m_showHint(showHint) {
    setObjectName(QStringLiteral("TCaptureRectForm"));
    setCursor(Qt::CrossCursor);
}

QRegion TCaptureRectForm::bandRing() const {
    const Rect r = normalizeRect(m_anchor, m_corner);
    const QRect outer(r.left - 1, r.top - 1, r.width() + 2, r.height() + 2);
    const QRect inner = outer.adjusted(2, 2, -2, -2);
    QRegion ring(logicalRect(outer));
    if (inner.isValid()) {
        // The inner rectangle in logical pixels must not reach into the ring: shrink it by one
        // more device pixel where a scale factor rounds.
        ring -= QRegion(logicalRect(inner.adjusted(1, 1, -1, -1)));
    }
    return ring;
}

void TCaptureRectForm::repaintBandRing() {
    repaint(bandRing());
}

void TCaptureRectForm::mousePressEvent(QMouseEvent* event) {
    if (m_band) {
        m_band = false;
        repaintBandRing();
    }
    m_anchor = m_corner = devicePoint(event->position());
    m_info = {m_anchor.x, m_anchor.y, m_anchor.x, m_anchor.y};
}

void TCaptureRectForm::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) {
        return;
    }
    const Point p = devicePoint(event->position());
    // One repaint of both rings: the old band is gone and the new one drawn in the same frame.
    QRegion dirty = m_band ? bandRing() : QRegion();
    m_corner = p;
    m_band = true;
    repaint(dirty + bandRing());
    m_info.right = p.x;
    m_info.bottom = p.y;
    showDragInfo();
}

void TCaptureRectForm::showDragInfo() {
    if (m_showHint) {
        showInfo(selectionInfoText(m_info),
                 selectionInfoAnchor(m_info, pointerPoint(), infoLineHeight()));
    }
}

void TCaptureRectForm::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        if (event->button() == Qt::RightButton) {
            openCancelMenu(event->globalPosition().toPoint());
        }
        return;
    }
    leftReleased(devicePoint(event->position()));
}

void TCaptureRectForm::leftReleased(Point release) {
    QToolTip::hideText();
    // The selection runs from the press point to the last drag position, which the arrow keys
    // may have placed; the release position is where the pointer is then.
    m_corner = release;
    m_selection = dragSelection(m_anchor, m_corner);
    if (m_selection) {
        m_info = *m_selection;
    }
    if (m_band) {
        m_band = false;
        repaintBandRing();
    }
    finish(Outcome::Ok);
}

void TCaptureRectForm::paintShapes(QPainter& painter, const QRect& dirty) {
    if (!m_band) {
        return;
    }
    const Rect r = normalizeRect(m_anchor, m_corner);
    if (r.width() <= 0 || r.height() <= 0) {
        return;
    }
    // The outline as a rectangle call draws it: left and top edges on the smaller coordinates,
    // right and bottom edges one pixel inside the larger ones; each pixel inverted once.
    QRegion band(QRect(r.left, r.top, r.width(), r.height()));
    if (r.width() > 2 && r.height() > 2) {
        band -= QRegion(QRect(r.left + 1, r.top + 1, r.width() - 2, r.height() - 2));
    }
    painter.save();
    painter.setClipRect(dirty);
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    for (const QRect& part : band) {
        painter.fillRect(part, Qt::white);
    }
    painter.restore();
}

}  // namespace pelko
