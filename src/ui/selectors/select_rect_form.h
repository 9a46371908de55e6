#pragma once

#include "ui/selectors/capture_rect_form.h"

namespace pelko {

// The fixed-area picker: a rectangle selector that captures nothing. A left release ends it
// with the dragged rectangle in info() (start Left, Top; size Right - Left, Bottom - Top); a
// drag along one row or column is kept as dragged, not reordered. Its tooltip is always shown,
// and hidden where it would not fit at the right or bottom edge.
class TSelectRectForm final : public TCaptureRectForm {
    Q_OBJECT

  public:
    TSelectRectForm(QImage frozen, QRect area, OverlayWindow* host = nullptr);

  protected:
    void showDragInfo() override;
    void leftReleased(Point release) override;
};

// Whether the picker's tooltip of textWidth x lineHeight fits for a pointer at (x, y) on a
// screen of width x height.
bool pickerInfoFits(Point pointer, int textWidth, int lineHeight, int width, int height);

}  // namespace pelko
