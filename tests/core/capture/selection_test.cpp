#include "core/capture/selection.h"

#include <gtest/gtest.h>

namespace pelko {
namespace {

TEST(DragSelection, EveryDirectionGivesTheSameBoxWithExclusiveEdges) {
    struct Case {
        Point press, release;
    };
    // Drags between (10, 10) and (20, 15), started from each corner.
    for (const Case& c : {Case{{10, 10}, {20, 15}}, Case{{20, 15}, {10, 10}},
                          Case{{10, 15}, {20, 10}}, Case{{20, 10}, {10, 15}}}) {
        SCOPED_TRACE(testing::Message() << c.press.x << "," << c.press.y);
        const auto r = dragSelection(c.press, c.release);
        ASSERT_TRUE(r);
        EXPECT_EQ(*r, (Rect{10, 10, 20, 15}));
        EXPECT_EQ(r->width(), 10);  // the release column is not selected
        EXPECT_EQ(r->height(), 5);
    }
}

TEST(DragSelection, AClickOrADragAlongOneRowOrColumnSelectsNothing) {
    EXPECT_FALSE(dragSelection({50, 50}, {50, 50}));
    EXPECT_FALSE(dragSelection({50, 50}, {90, 50}));
    EXPECT_FALSE(dragSelection({50, 50}, {50, 10}));
    EXPECT_EQ(dragSelection({50, 50}, {51, 51}), (Rect{50, 50, 51, 51}));  // one pixel
}

TEST(SelectionInfo, TextKeepsThePressPointAndGivesWidthThenHeight) {
    // Dragging left and up from (300, 300) to (100, 50).
    EXPECT_EQ(selectionInfoText({300, 300, 100, 50}), "x: 300\ny: 300\n200 x 250 pixels");
    // A 200-wide, 100-high drag reads 200 x 100, whichever selector shows it.
    EXPECT_EQ(selectionInfoText({50, 60, 250, 160}), "x: 50\ny: 60\n200 x 100 pixels");
}

TEST(SelectionInfo, AnchorFollowsThePointerOnlyWhenDraggingRightAndDown) {
    const int line = 13;
    EXPECT_EQ(selectionInfoAnchor({100, 200, 400, 350}, {400, 350}, line), (Point{400, 365}));
    // Any other direction: below the lower right corner of the box.
    EXPECT_EQ(selectionInfoAnchor({300, 300, 100, 50}, {100, 50}, line), (Point{300, 315}));
    EXPECT_EQ(selectionInfoAnchor({300, 100, 200, 100}, {200, 100}, line), (Point{300, 115}));
}

TEST(CopyArea, CopiesInsideAndLeavesOffScreenPartsBlack) {
    Bitmap source(4, 3, 24);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            source.setPixel32(x, y, std::uint32_t(0x10 * x + y + 1));
        }
    }
    const Bitmap inside = copyArea(source, {1, 1, 3, 3});
    ASSERT_EQ(inside.width(), 2);
    ASSERT_EQ(inside.height(), 2);
    EXPECT_EQ(inside.pixel32(0, 0), 0x12u);
    EXPECT_EQ(inside.pixel32(1, 1), 0x23u);

    const Bitmap across = copyArea(source, {-1, 2, 2, 5});  // reaches off two edges
    ASSERT_EQ(across.width(), 3);
    ASSERT_EQ(across.height(), 3);
    EXPECT_EQ(across.pixel32(0, 0), 0u);
    EXPECT_EQ(across.pixel32(1, 0), 0x03u);
    EXPECT_EQ(across.pixel32(2, 0), 0x13u);
    EXPECT_EQ(across.pixel32(1, 1), 0u);
}

TEST(CopyArea, KeepsThePaletteOfPaletteScreens) {
    Bitmap source(2, 2, 8);
    source.setPalette({{1, 2, 3}, {4, 5, 6}});
    source.row(1)[1] = 1;
    const Bitmap part = copyArea(source, {1, 1, 2, 2});
    EXPECT_EQ(part.depth(), 8);
    EXPECT_EQ(part.palette(), source.palette());
    EXPECT_EQ(part.row(0)[0], 1);
}

TEST(GeometryText, IsWidthHeightAndSignedOffsets) {
    EXPECT_EQ(geometryText({50, 60, 250, 160}), "200x100+50+60");
    EXPECT_EQ(geometryText({-5, 3, 5, 13}), "10x10-5+3");
    EXPECT_EQ(geometryText({0, -20, 1, -19}), "1x1+0-20");
}

TEST(RegionWithArea, OrdersTheCornersAndRefusesLinesAndPoints) {
    struct Case {
        Rect picked;
        std::optional<Rect> region;
    };
    const Case cases[] = {
        {{50, 60, 250, 160}, Rect{50, 60, 250, 160}},
        {{300, 200, 100, 150}, Rect{100, 150, 300, 200}},  // dragged up and to the left
        {{300, 100, 200, 100}, std::nullopt},              // a straight drag
        {{333, 444, 333, 444}, std::nullopt},              // a click
        {{7, 8, 8, 9}, Rect{7, 8, 8, 9}},                  // one pixel
    };
    for (const Case& c : cases) {
        EXPECT_EQ(regionWithArea(c.picked), c.region) << geometryText(c.picked);
    }
}

}  // namespace
}  // namespace pelko
