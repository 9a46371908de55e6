// Undo and redo of one tab's steps.
#include "core/annotate/edit_history.h"

#include <gtest/gtest.h>

#include "core/annotate/flatten.h"
#include "support/pictures.h"

namespace pelko {
namespace {

// A state told apart by its number of annotations.
EditState withAnnotations(std::shared_ptr<const Bitmap> picture, std::size_t n) {
    EditState s{std::move(picture), {}};
    s.annotations.resize(n);
    return s;
}

TEST(EditHistory, UndoAndRedoFollowTheSteps) {
    auto picture = std::make_shared<const Bitmap>(test::filledPicture(4, 4, 0));
    EditHistory history(withAnnotations(picture, 0));
    // Each row: an action, then the number of annotations shown after it.
    enum Action { Commit, Undo, Redo };
    struct Row {
        Action action;
        std::size_t shown;
        bool changed;
    };
    const Row rows[] = {
        {Undo, 0, false},  // nothing to undo: nothing happens
        {Commit, 1, true},
        {Commit, 2, true},
        {Commit, 3, true},
        {Undo, 2, true},
        {Undo, 1, true},
        {Redo, 2, true},
        {Commit, 7, true},  // a new step drops the one undone
                            // (3)
        {Redo, 7, false},   // nothing to redo
        {Undo, 2, true},
        {Undo, 1, true},
        {Undo, 0, true},
        {Undo, 0, false},
    };
    for (const Row& row : rows) {
        bool changed = true;
        switch (row.action) {
            case Commit:
                history.commit(withAnnotations(picture, row.shown));
                break;
            case Undo:
                changed = history.undo();
                break;
            case Redo:
                changed = history.redo();
                break;
        }
        EXPECT_EQ(changed, row.changed);
        EXPECT_EQ(history.current().annotations.size(), row.shown);
    }
}

TEST(EditHistory, KeepsAtLeastFiftyStepsThenDropsTheOldest) {
    auto picture = std::make_shared<const Bitmap>(test::filledPicture(4, 4, 0));
    EditHistory history(withAnnotations(picture, 0), 60);
    for (std::size_t i = 1; i <= 70; ++i) {
        history.commit(withAnnotations(picture, i));
    }
    int undone = 0;
    while (history.undo()) {
        ++undone;
    }
    EXPECT_EQ(undone, 60);
    EXPECT_EQ(history.current().annotations.size(), 10u);
}

TEST(EditHistory, PicturesBeyondFiftyStepsAreKeptWithinTheBudget) {
    // Each step a picture of its own (a crop or a transform) of 1000 bytes.
    struct Row {
        std::size_t budget;
        int undoable;
    };
    for (const Row row : {Row{55'000, 54}, Row{1, 50}, Row{1'000'000, 80}}) {
        EditHistory history(EditState{std::make_shared<const Bitmap>(10, 25, 24), {}}, 100, 50,
                            row.budget);
        for (int i = 0; i < 80; ++i) {
            history.commit(EditState{std::make_shared<const Bitmap>(10, 25, 24), {}});
        }
        EXPECT_LE(history.pictureBytes(), std::max<std::size_t>(row.budget, 51'000));
        int undone = 0;
        while (history.undo()) {
            ++undone;
        }
        EXPECT_EQ(undone, row.undoable) << row.budget;
    }
}

TEST(EditHistory, CropIsAStepLikeAnyOther) {
    auto picture = std::make_shared<const Bitmap>(
        test::makePicture(20, 10, [](int x, int y) { return std::uint32_t(x + 100 * y); }));
    Annotation a;
    a.kind = AnnotationKind::Rectangle;
    a.points = {{5, 5}, {8, 8}};
    EditHistory history(EditState{picture, {a}});
    const auto cropped = cropState(history.current(), {4, 2, 10, 6});
    ASSERT_TRUE(cropped);
    history.commit(*cropped);
    EXPECT_EQ(history.current().picture->width(), 10);
    EXPECT_EQ(test::rgbAt(*history.current().picture, 0, 0), 4u + 200u);
    EXPECT_EQ(history.current().annotations[0].points[0], (Pos{1, 3}));
    ASSERT_TRUE(history.undo());
    EXPECT_EQ(history.current().picture, picture);
    EXPECT_EQ(history.current().annotations[0].points[0], (Pos{5, 5}));
}

}  // namespace
}  // namespace pelko
