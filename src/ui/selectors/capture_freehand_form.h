#pragma once

#include <vector>

#include "ui/selectors/selector_overlay.h"

namespace pelko {

// The freehand selector: from any press, every pointer move adds a point to the traced path,
// drawn inverted on the frozen screen; a left release cuts the polygon through the points out
// of the frozen picture (white outside it).
class TCaptureFreehandForm final : public SelectorOverlay {
    Q_OBJECT

  public:
    TCaptureFreehandForm(const Bitmap& frozen, QRect area, bool showHint,
                         OverlayWindow* host = nullptr);
    ~TCaptureFreehandForm() override;

    const std::vector<Point>& points() const { return m_points; }
    // After Ok: the cut picture; empty when the trace had no area.
    const Bitmap& result() const { return m_result; }

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintShapes(QPainter& painter, const QRect& dirty) override;

  private:
    const Bitmap& m_source;
    bool m_showHint;
    bool m_drawing = false;
    std::vector<Point> m_points;
    Rect m_info;
    Rect m_bounds{1000000, 1000000, 0, 0};  // of the points so far, for the tooltip
    Bitmap m_result;
    bool m_compressed;  // whether the application compressed pointer moves before
};

}  // namespace pelko
