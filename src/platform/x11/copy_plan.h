#pragma once

#include <optional>

#include "core/capture/screen.h"

namespace pelko::x11 {

// A rectangle of the root window, in root coordinates.
struct RootArea {
    int x = 0, y = 0, width = 0, height = 0;
    friend bool operator==(const RootArea&, const RootArea&) = default;
};

// Which part of the root window a copy of a screen rectangle reads, and where in the Bitmap
// (whose origin shows the rectangle's top-left corner) that part lands.
struct CopyPlan {
    RootArea source;
    int destX = 0, destY = 0;
    friend bool operator==(const CopyPlan&, const CopyPlan&) = default;
};

// Plans the copy of screen rectangle r, screen coordinates starting at root point
// (originX, originY), from a root window of rootWidth x rootHeight. None when r does not touch
// the root window. r's width and height must fit an int (the Bitmap has that size); its
// corners and the origin may be any int values: the arithmetic is done in 64 bits.
std::optional<CopyPlan> planCopy(const Rect& r, int originX, int originY, int rootWidth,
                                 int rootHeight);

}  // namespace pelko::x11
