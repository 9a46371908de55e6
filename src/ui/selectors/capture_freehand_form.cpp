#include "ui/selectors/capture_freehand_form.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QToolTip>
#include <algorithm>

#include "ui/selectors/frozen_image.h"
#include "ui/selectors/pointer_shapes.h"
#include "ui/selectors/shape_cut.h"

namespace pelko {

TCaptureFreehandForm::TCaptureFreehandForm(const Bitmap& frozen, QRect area, bool showHint,
                                           OverlayWindow* host)
    : SelectorOverlay(frozenImage(frozen), area, host),
      m_source(frozen),
      m_showHint(showHint),
      m_compressed(QCoreApplication::testAttribute(Qt::AA_CompressHighFrequencyEvents)) {
    setObjectName(QStringLiteral("TCaptureFreehandForm"));
    setCursor(arrowPointer());
    // Every pointer move is a point of the path: none may be merged into the next one.
    QCoreApplication::setAttribute(Qt::AA_CompressHighFrequencyEvents, false);
}

TCaptureFreehandForm::~TCaptureFreehandForm() {
    QCoreApplication::setAttribute(Qt::AA_CompressHighFrequencyEvents, m_compressed);
}

void TCaptureFreehandForm::mousePressEvent(QMouseEvent* event) {
    const Point p = devicePoint(event->position());
    m_drawing = true;
    m_info = {p.x, p.y, p.x, p.y};
    // The press position, shown whatever the hint setting says; it is no point of the path.
    showInfo(std::to_string(p.x) + " x " + std::to_string(p.y) + " pixels",
             selectionInfoAnchor({0, 0, 1, 1}, pointerPoint(), infoLineHeight()));
}

void TCaptureFreehandForm::mouseMoveEvent(QMouseEvent* event) {
    if (!m_drawing) {
        return;
    }
    const Point p = devicePoint(event->position());
    const Point from = m_points.empty() ? p : m_points.back();
    m_points.push_back(p);
    m_bounds = {std::min(m_bounds.left, p.x), std::min(m_bounds.top, p.y),
                std::max(m_bounds.right, p.x), std::max(m_bounds.bottom, p.y)};
    // Only the new segment's box is repainted; the segments crossing it are drawn again there.
    const Rect seg = normalizeRect(from, p);
    repaint(logicalRect(QRect(seg.left - 1, seg.top - 1, seg.width() + 3, seg.height() + 3)));
    if (m_showHint) {
        // Width first, then height, as the other selectors give the size.
        Rect size{m_info.left, m_info.top, m_info.left + (m_bounds.right - m_bounds.left),
                  m_info.top + (m_bounds.bottom - m_bounds.top)};
        showInfo(selectionInfoText(size),
                 selectionInfoAnchor({0, 0, 1, 1}, pointerPoint(), infoLineHeight()));
    }
    m_info.right = p.x;
    m_info.bottom = p.y;
}

void TCaptureFreehandForm::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        if (event->button() == Qt::RightButton) {
            openCancelMenu(event->globalPosition().toPoint());
        }
        return;
    }
    m_drawing = false;
    if (!m_points.empty()) {
        m_result = cutPolygon(m_source, m_points);
    }
    finish(Outcome::Ok);
}

void TCaptureFreehandForm::paintShapes(QPainter& painter, const QRect& dirty) {
    if (m_points.empty()) {
        return;
    }
    painter.save();
    painter.setClipRect(dirty);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setPen(QPen(Qt::white, 0));
    for (std::size_t i = 1; i < m_points.size(); ++i) {
        const Point a = m_points[i - 1];
        const Point b = m_points[i];
        const QRect box = QRect(QPoint(std::min(a.x, b.x), std::min(a.y, b.y)),
                                QPoint(std::max(a.x, b.x), std::max(a.y, b.y)));
        if (box.intersects(dirty)) {
            painter.drawLine(a.x, a.y, b.x, b.y);
        }
    }
    painter.restore();
}

}  // namespace pelko
