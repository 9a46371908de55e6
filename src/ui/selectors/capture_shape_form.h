#pragma once

#include "ui/selectors/selector_overlay.h"
#include "ui/selectors/shape_cut.h"

namespace pelko {

// The ellipse and rounded-rectangle selectors: the shape's bounding box dragged with the left
// button, the rubber shape drawn inverted; a left release cuts the shape out of the frozen
// picture with the background colour outside it.
class CaptureShapeForm : public SelectorOverlay {
    Q_OBJECT

  public:
    CaptureShapeForm(CutShape shape, const Bitmap& frozen, QRect area, bool showHint,
                     ColorRef background, OverlayWindow* host = nullptr);

    // After Ok: the cut picture; empty when the drag had no area.
    const Bitmap& result() const { return m_result; }

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintShapes(QPainter& painter, const QRect& dirty) override;

  private:
    // The box the rubber shape of the current points is drawn in (device pixels), or an empty
    // one when the points share a row or column.
    QRect rubberBox() const;
    void repaintRubber();

    CutShape m_shape;
    const Bitmap& m_source;
    bool m_showHint;
    ColorRef m_background;
    Point m_a, m_b;  // anchor and current point
    Rect m_info;
    Bitmap m_result;
};

// The ellipse selector.
class TfrmCaptureEllipse final : public CaptureShapeForm {
    Q_OBJECT
  public:
    TfrmCaptureEllipse(const Bitmap& frozen, QRect area, bool showHint, ColorRef background,
                       OverlayWindow* host = nullptr)
        : CaptureShapeForm(CutShape::Ellipse, frozen, area, showHint, background, host) {
        setObjectName(QStringLiteral("TfrmCaptureEllipse"));
    }
};

// The rounded-rectangle selector (corners of a 40 x 40 ellipse).
class TfrmCaptureRoundedRect final : public CaptureShapeForm {
    Q_OBJECT
  public:
    TfrmCaptureRoundedRect(const Bitmap& frozen, QRect area, bool showHint, ColorRef background,
                           OverlayWindow* host = nullptr)
        : CaptureShapeForm(CutShape::RoundedRectangle, frozen, area, showHint, background, host) {
        setObjectName(QStringLiteral("TfrmCaptureRoundedRect"));
    }
};

}  // namespace pelko
