#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/annotate/geometry.h"
#include "core/image/bitmap.h"

namespace pelko {

// What an annotation draws. Redact and Pixelate hide the picture under their box; the others
// are drawn on top of the picture.
enum class AnnotationKind {
    Arrow,
    Line,
    Rectangle,
    Ellipse,
    Pen,
    Highlighter,
    Text,
    Marker,
    Redact,
    Pixelate,
};

// One annotation of a picture, an object until the picture leaves the editor.
//
// Pen and Highlighter keep the path they were drawn along; every other kind keeps two points:
// the start and the end of the drag (for lines and arrows the ends of the line, the arrow head
// at the second; for the others two opposite corners of their box, both inside it).
struct Annotation {
    AnnotationKind kind = AnnotationKind::Rectangle;
    std::vector<Pos> points;
    Rgb color{255, 0, 0};
    int width = 3;     // stroke width in pixels; Text and Marker derive their size from the box
    std::string text;  // Text only, UTF-8
    // Pixelate only: the secret that draws its noise. Kept with the annotation so that the view
    // and every flattened copy show the same noise; a fresh one for every new pixelation.
    std::uint64_t seed = 0;

    friend bool operator==(const Annotation&, const Annotation&) = default;
};

bool isRedaction(AnnotationKind kind);
// Whether the kind is a path (Pen, Highlighter) rather than a two-point box.
bool isPath(AnnotationKind kind);
// Lines and arrows are grabbed at their two ends; the other box kinds at the four corners.
bool isSegment(AnnotationKind kind);

// The box of the two points (or of the path), without the stroke.
Box shapeBox(const Annotation& a);
// Every pixel the annotation may change: the box with room for the stroke, the arrow head and
// anti-aliasing. What a view must repaint when the annotation appears, moves or goes.
Box paintBounds(const Annotation& a);

// Pieces that together hold every pixel the annotation may change, closer than paintBounds:
// strips along the lines of outlines, lines and paths, the box of filled kinds. What a view
// repaints, so that dragging a large outline does not repaint the inside.
std::vector<Box> paintPieces(const Annotation& a);

// The size of an arrow head (length and half its base) for a stroke width.
int arrowHeadLength(int width);

// Whether a click at p (tolerance in pixels) picks the annotation: outlines near their line,
// filled kinds (text, marker, redaction, highlighter) anywhere inside.
bool hitTest(const Annotation& a, Pos p, int tolerance);
// The topmost annotation a click picks, or none.
std::optional<std::size_t> annotationAt(const std::vector<Annotation>& list, Pos p, int tolerance);

Annotation moved(const Annotation& a, int dx, int dy);

// Handles that resize a selected annotation: the two ends of a line or arrow, else the four
// corners of its box (0 top left, 1 top right, 2 bottom right, 3 bottom left).
std::vector<Pos> handles(const Annotation& a);
std::optional<int> handleAt(const Annotation& a, Pos p, int tolerance);
// The annotation with handle h dragged to p: the opposite end or corner stays; a path is
// stretched to the new box.
Annotation withHandleAt(const Annotation& a, int h, Pos p);

// The number a Marker shows: 1 for the first marker of the list, 2 for the second, ... so
// that deleting one renumbers those after it. 0 for other kinds.
int markerNumber(const std::vector<Annotation>& list, std::size_t index);

}  // namespace pelko
