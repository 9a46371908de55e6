// Annotations as objects: picking one with the mouse, moving and resizing it, marker numbers.
#include "core/annotate/annotation.h"

#include <gtest/gtest.h>

namespace pelko {
namespace {

Annotation shape(AnnotationKind kind, Pos a, Pos b, int width = 2) {
    Annotation out;
    out.kind = kind;
    out.points = {a, b};
    out.width = width;
    return out;
}

TEST(Annotation, ClicksPickOutlinesNearTheirLineAndFilledKindsInside) {
    struct Case {
        AnnotationKind kind;
        Pos click;
        bool hit;
    };
    // Every shape spans (10, 10) to (50, 30); the tolerance is 3 pixels.
    const Case cases[] = {
        {AnnotationKind::Rectangle, {10, 20}, true},   // on the left edge
        {AnnotationKind::Rectangle, {30, 20}, false},  // the hollow middle
        {AnnotationKind::Rectangle, {56, 20}, false},  // beyond the edge
        {AnnotationKind::Line, {30, 20}, true},        // the middle of the diagonal
        {AnnotationKind::Line, {12, 28}, false},       // beside it
        {AnnotationKind::Arrow, {49, 29}, true},
        {AnnotationKind::Ellipse, {30, 10}, true},   // top of the curve
        {AnnotationKind::Ellipse, {30, 20}, false},  // centre
        {AnnotationKind::Ellipse, {11, 11}, false},  // box corner, outside the curve
        {AnnotationKind::Redact, {30, 20}, true},
        {AnnotationKind::Pixelate, {60, 20}, false},
        {AnnotationKind::Text, {30, 20}, true},
        {AnnotationKind::Marker, {30, 20}, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(hitTest(shape(c.kind, {10, 10}, {50, 30}), c.click, 3), c.hit)
            << int(c.kind) << " at " << c.click.x << "," << c.click.y;
    }
    Annotation pen;
    pen.kind = AnnotationKind::Pen;
    pen.points = {{0, 0}, {20, 0}, {20, 20}};
    EXPECT_TRUE(hitTest(pen, {21, 10}, 2));
    EXPECT_FALSE(hitTest(pen, {10, 10}, 2));
}

TEST(Annotation, TheTopmostAnnotationIsPicked) {
    const std::vector<Annotation> list = {shape(AnnotationKind::Redact, {0, 0}, {40, 40}),
                                          shape(AnnotationKind::Redact, {20, 20}, {60, 60})};
    EXPECT_EQ(annotationAt(list, {30, 30}, 0), 1u);
    EXPECT_EQ(annotationAt(list, {5, 5}, 0), 0u);
    EXPECT_EQ(annotationAt(list, {70, 70}, 0), std::nullopt);
}

TEST(Annotation, HandlesResizeFromTheOppositeCorner) {
    const Annotation box = shape(AnnotationKind::Rectangle, {10, 10}, {30, 20});
    ASSERT_EQ(handleAt(box, {31, 21}, 2), 2);
    // The bottom right corner dragged out: the top left stays.
    EXPECT_EQ(shapeBox(withHandleAt(box, 2, {50, 40})), (Box{10, 10, 41, 31}));
    // The top left corner dragged past the bottom right: the box flips around it.
    EXPECT_EQ(shapeBox(withHandleAt(box, 0, {40, 25})), (Box{30, 20, 11, 6}));

    // A line is grabbed at its ends; the other end stays.
    const Annotation line = shape(AnnotationKind::Line, {0, 0}, {10, 10});
    EXPECT_EQ(withHandleAt(line, 1, {20, 5}).points, (std::vector<Pos>{{0, 0}, {20, 5}}));

    // A path is stretched with its box.
    Annotation pen;
    pen.kind = AnnotationKind::Pen;
    pen.points = {{0, 0}, {10, 5}, {20, 10}};
    EXPECT_EQ(withHandleAt(pen, 2, {40, 20}).points,
              (std::vector<Pos>{{0, 0}, {20, 10}, {40, 20}}));
}

TEST(Annotation, MovingKeepsTheShape) {
    const Annotation a = moved(shape(AnnotationKind::Ellipse, {1, 2}, {5, 9}), -4, 3);
    EXPECT_EQ(a.points, (std::vector<Pos>{{-3, 5}, {1, 12}}));
}

TEST(Annotation, MarkersAreNumberedInOrderAndRenumberedWhenOneGoes) {
    std::vector<Annotation> list = {shape(AnnotationKind::Marker, {0, 0}, {9, 9}),
                                    shape(AnnotationKind::Arrow, {0, 0}, {9, 9}),
                                    shape(AnnotationKind::Marker, {20, 0}, {29, 9}),
                                    shape(AnnotationKind::Marker, {40, 0}, {49, 9})};
    EXPECT_EQ(markerNumber(list, 0), 1);
    EXPECT_EQ(markerNumber(list, 1), 0);
    EXPECT_EQ(markerNumber(list, 2), 2);
    EXPECT_EQ(markerNumber(list, 3), 3);
    list.erase(list.begin());
    EXPECT_EQ(markerNumber(list, 1), 1);
    EXPECT_EQ(markerNumber(list, 2), 2);
}

TEST(Annotation, PaintBoundsHoldTheStrokeAndTheArrowHead) {
    const Annotation arrow = shape(AnnotationKind::Arrow, {100, 100}, {200, 100}, 4);
    const Box bounds = paintBounds(arrow);
    // The head's wings reach sideways from the tip by about its length.
    EXPECT_LE(bounds.y, 100 - arrowHeadLength(4));
    EXPECT_GE(bounds.right(), 200 + 4);
    // A redaction changes exactly its box.
    EXPECT_EQ(paintBounds(shape(AnnotationKind::Redact, {5, 5}, {9, 9})), (Box{5, 5, 5, 5}));
}

}  // namespace
}  // namespace pelko
