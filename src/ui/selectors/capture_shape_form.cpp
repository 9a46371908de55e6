#include "ui/selectors/capture_shape_form.h"

#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include "ui/selectors/frozen_image.h"

namespace pelko {

CaptureShapeForm::CaptureShapeForm(CutShape shape, const Bitmap& frozen, QRect area, bool showHint,
                                   ColorRef background, OverlayWindow* host)
    : SelectorOverlay(frozenImage(frozen), area, host),
      m_shape(shape),
      m_source(frozen),
      m_showHint(showHint),
      m_background(background) {
    setCursor(Qt::CrossCursor);
}

QRect CaptureShapeForm::rubberBox() const {
    if (m_a.x == m_b.x || m_a.y == m_b.y) {
        return {};
    }
    // One pixel further left and up than the dragged box, whichever way the drag goes.
    const Rect r = normalizeRect(m_a, m_b);
    return QRect(r.left - 1, r.top - 1, r.width() + 1, r.height() + 1);
}

void CaptureShapeForm::repaintRubber() {
    const QRect box = rubberBox();
    if (!box.isEmpty()) {
        repaint(logicalRect(box.adjusted(-1, -1, 1, 1)));
    }
}

void CaptureShapeForm::mousePressEvent(QMouseEvent* event) {
    repaintRubber();
    m_a = m_b = devicePoint(event->position());
    m_info = {m_a.x, m_a.y, m_a.x, m_a.y};
    repaintRubber();
}

void CaptureShapeForm::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) {
        return;
    }
    const QRect before = rubberBox();
    m_b = devicePoint(event->position());
    // One repaint of both boxes: the old shape is gone and the new one drawn in the same frame.
    QRegion dirty(logicalRect(before.adjusted(-1, -1, 1, 1)));
    const QRect after = rubberBox();
    if (!after.isEmpty()) {
        dirty += logicalRect(after.adjusted(-1, -1, 1, 1));
    }
    repaint(dirty);
    m_info.right = m_b.x;
    m_info.bottom = m_b.y;
    if (m_showHint) {
        showInfo(selectionInfoText(m_info),
                 selectionInfoAnchor(m_info, pointerPoint(), infoLineHeight()));
    }
}

void CaptureShapeForm::mouseReleaseEvent(QMouseEvent* event) {
    QToolTip::hideText();
    if (event->button() != Qt::LeftButton) {
        if (event->button() == Qt::RightButton) {
            openCancelMenu(event->globalPosition().toPoint());
        }
        return;
    }
    if (const auto box = dragSelection(m_a, devicePoint(event->position()))) {
        m_result = cutShape(m_source, *box, m_shape, m_background);
    }
    finish(Outcome::Ok);
}

void CaptureShapeForm::paintShapes(QPainter& painter, const QRect& dirty) {
    const QRect box = rubberBox();
    if (box.isEmpty() || !box.adjusted(-1, -1, 1, 1).intersects(dirty)) {
        return;
    }
    // The outline as the platform draws a shape in a box: within its columns and rows, the
    // right and bottom ones excluded.
    QPainterPath outline = shapePath(m_shape, box.width() - 1, box.height() - 1);
    outline.translate(box.left(), box.top());
    painter.save();
    painter.setClipRect(dirty);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setPen(QPen(Qt::white, 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(outline);
    painter.restore();
}

}  // namespace pelko
