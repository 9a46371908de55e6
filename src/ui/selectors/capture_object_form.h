#pragma once

#include "ui/selectors/selector_overlay.h"

namespace pelko {

// The object selector's overlay: the screen as it was when it opened, under Pelko's hand
// pointer; the release of any mouse button ends it. It draws nothing of its own.
class TCaptureObjectForm final : public SelectorOverlay {
    Q_OBJECT

  public:
    TCaptureObjectForm(QImage frozen, QRect area, OverlayWindow* host = nullptr);

    // Where the pointer was released, in the frozen picture's pixels.
    Point releasePoint() const { return m_release; }

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    Point m_release;
};

}  // namespace pelko
