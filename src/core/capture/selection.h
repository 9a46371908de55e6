#pragma once

#include <optional>
#include <string>

#include "core/capture/screen.h"
#include "core/image/bitmap.h"

namespace pelko {

// A point in screen pixels.
struct Point {
    int x = 0, y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// The box spanned by two corners, smaller coordinates first (used for the rubber band).
Rect normalizeRect(Point a, Point b);

// The rectangle a drag from `press` to `release` selects, with the right and bottom edges
// exclusive: none when the two points share a row or a column (a zero-size selection).
std::optional<Rect> dragSelection(Point press, Point release);

// The three lines of the info tooltip for a drag from (Left, Top) to (Right, Bottom):
// "x: Left", "y: Top" and "|Right - Left| x |Bottom - Top| pixels", separated by "\n".
std::string selectionInfoText(const Rect& info);

// Where the info tooltip goes: below the pointer while dragging right and down, else below the
// lower right corner of the dragged box; lineHeight is one text line's height.
Point selectionInfoAnchor(const Rect& info, Point pointer, int lineHeight);

// The pixels of `source` inside r (clipped to the source) as a new Bitmap of r's size, with the
// source's depth and palette; parts of r outside the source are 0 (black).
Bitmap copyArea(const Bitmap& source, const Rect& r);

// The rectangle with its corners in order (a drag up or to the left gives negative sizes);
// none when it has no area.
std::optional<Rect> regionWithArea(const Rect& r);

// The geometry form of a region, "WxH+X+Y" (as slop and maim print it); a negative corner
// coordinate is written with its sign in place of "+" ("10x10-5+3").
std::string geometryText(const Rect& r);

}  // namespace pelko
