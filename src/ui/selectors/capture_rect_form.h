#pragma once

#include <QRegion>
#include <optional>

#include "ui/selectors/selector_overlay.h"

namespace pelko {

// The rectangle selector: a rubber band dragged with the left button on the frozen screen,
// drawn inverted and erased by repainting only the ring under it. A left release ends it with
// the selected rectangle (none for a zero-size drag); the right button opens the "Cancel" menu.
class TCaptureRectForm : public SelectorOverlay {
    Q_OBJECT

  public:
    TCaptureRectForm(QImage frozen, QRect area, bool showHint, OverlayWindow* host = nullptr);

    // After Ok: the rectangle dragged out, right and bottom exclusive; none when it had no area.
    const std::optional<Rect>& selection() const { return m_selection; }
    // The press point and the last drag position (after a release with an area: the selection).
    const Rect& info() const { return m_info; }

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintShapes(QPainter& painter, const QRect& dirty) override;

    // The tooltip for the current drag; the picker shows it always and hides it near the edges.
    virtual void showDragInfo();
    // The end of a left-button drag from the press point to `release`.
    virtual void leftReleased(Point release);

    Point m_anchor;  // (x1, y1)
    Point m_corner;  // (x2, y2)
    Rect m_info;     // Left, Top, Right, Bottom
    bool m_showHint = true;

  private:
    // Repaints the one-pixel ring around the band of the current corners.
    // The pixels under the band of the current points, in logical pixels.
    QRegion bandRing() const;
    void repaintBandRing();

    std::optional<Rect> m_selection;
    bool m_band = false;  // a band is drawn for the current corners
};

}  // namespace pelko
