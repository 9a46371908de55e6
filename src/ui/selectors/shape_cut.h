#pragma once

#include <QPainterPath>

#include "core/capture/selection.h"
#include "core/image/bitmap.h"

namespace pelko {

// The shapes that the ellipse and rounded-rectangle selectors cut.
enum class CutShape { Ellipse, RoundedRectangle };

// The outline of a shape in a box of w x h pixels from (0, 0): an inscribed ellipse, or a
// rectangle whose corners are quarters of a 40 x 40 ellipse (smaller when the box is).
QPainterPath shapePath(CutShape shape, double w, double h);

// The cut for a drag that spans `box` (right and bottom exclusive): the frozen pixels from
// (box.left, box.top) inside the shape filled in a box one pixel narrower and lower, and the
// background colour (0x00BBGGRR) outside it, in a Bitmap of (width - 1) x (height - 1) at depth
// 24. Parts outside the source are black.
Bitmap cutShape(const Bitmap& source, const Rect& box, CutShape shape, ColorRef background);

// The freehand cut: the bounding box of the points (right column and bottom row excluded),
// the source's pixels inside the polygon through the points in their order (non-zero winding,
// so an area circled twice is inside) and white outside it, at depth 24.
Bitmap cutPolygon(const Bitmap& source, const std::vector<Point>& points);

}  // namespace pelko
