#pragma once

#include <optional>
#include <vector>

#include "core/annotate/annotation.h"
#include "core/annotate/edit_history.h"
#include "core/image/bitmap.h"

namespace pelko {

// Draws the annotations that are drawn on top (lines, shapes, text, markers) onto a picture of
// depth 24 or 32. The user interface supplies it, with the same drawing code as its view.
class ShapeRenderer {
  public:
    virtual ~ShapeRenderer() = default;
    // Draws a onto the picture, never outside it; markerNumber is what a Marker shows.
    virtual void draw(Bitmap& picture, const Annotation& a, int markerNumber) const = 0;
};

// The picture as the user sees it: the redactions first, in their order, then the other
// annotations in theirs. Palette pictures come out at depth 24; depth 32 keeps its alpha.
Bitmap flatten(const Bitmap& picture, const std::vector<Annotation>& list,
               const ShapeRenderer& renderer);

// Draws the annotations onto a picture of depth 24 or 32 in place, as flatten does.
void flattenOnto(Bitmap& picture, const std::vector<Annotation>& list,
                 const ShapeRenderer& renderer);

// The part of the picture inside area (clipped to it); none when that part is empty.
std::optional<Bitmap> cropPicture(const Bitmap& picture, Box area);

// The state after cropping it to area: the picture cut, the annotations moved with it.
// None (nothing to do) when the area holds no pixel of the picture.
std::optional<EditState> cropState(const EditState& state, Box area);

}  // namespace pelko
