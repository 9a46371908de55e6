#pragma once

#include <QImage>

#include "core/annotate/flatten.h"

class QPainter;

namespace pelko {

// Draws an annotation that goes on top of the picture (everything but the redactions) with
// the painter's clip. The view and the flattened picture use this one function, so that what
// is saved is what the user saw.
void paintAnnotation(QPainter& painter, const Annotation& a, int markerNumber);

// The box a text of the given size needs, its top left corner at `at`.
Box textBox(const std::string& text, int width, Pos at);

// A QImage over a Bitmap's own pixels (depth 24 or 32), no copy: the Bitmap must outlive it.
QImage wrapBitmap(Bitmap& bitmap);

// Draws with paintAnnotation onto Bitmaps, for flattening.
class QtShapeRenderer final : public ShapeRenderer {
  public:
    void draw(Bitmap& picture, const Annotation& a, int markerNumber) const override;
};

}  // namespace pelko
