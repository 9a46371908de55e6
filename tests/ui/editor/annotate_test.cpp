// The editor's annotation tools driven with real mouse events: the pixels the outputs get,
// editing annotations as objects, undo and redo, crop, tabs, opening files and closing.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QSpinBox>
#include <QTabBar>
#include <QTest>
#include <QToolButton>
#include <QUrl>
#include <cstdlib>
#include <filesystem>

#include "core/codec/decode.h"
#include "core/codec/encode.h"
#include "core/output/save_capture.h"
#include "support/pictures.h"
#include "support/temp_dir.h"
#include "ui/annotate/annotation_canvas.h"
#include "ui/annotate/shape_painter.h"
#include "ui/editor/editor_window.h"
#include "ui/message_boxes.h"

namespace pelko {
namespace {

using test::TempDir;

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr Rgb kRed{255, 0, 0};

class AnnotateTest : public ::testing::Test {
  protected:
    AnnotateTest() {
        services.paths.programDir = dir.path();
        services.scratchDir = dir.file("scratch/");
        std::filesystem::create_directory(services.scratchDir);
        ::chmod(services.scratchDir.c_str(), 0700);
        editor = new Tfrmeditor(services);
        ed().addCapture(test::filledPicture(200, 120, kWhite));
        canvas()->setColor(kRed);
        canvas()->setStrokeWidth(3);
    }
    ~AnnotateTest() override { delete editor.data(); }

    Tfrmeditor& ed() const {
        Tfrmeditor* e = editor.data();
        if (e == nullptr) {
            std::abort();
        }
        return *e;
    }
    AnnotationCanvas* canvas() const { return ed().canvas(); }
    QTabBar* pages() const { return ed().findChild<QTabBar*>("pages"); }

    void drag(AnnotateTool tool, QPoint from, QPoint to) {
        canvas()->setTool(tool);
        QTest::mousePress(canvas(), Qt::LeftButton, {}, from);
        // Through the middle, as a hand moves.
        QTest::mouseMove(canvas(), (from + to) / 2);
        QTest::mouseMove(canvas(), to);
        QTest::mouseRelease(canvas(), Qt::LeftButton, {}, to);
    }
    void click(AnnotateTool tool, QPoint at) {
        canvas()->setTool(tool);
        QTest::mouseClick(canvas(), Qt::LeftButton, {}, at);
    }
    // What "Save" writes, read back.
    Bitmap saved() {
        const std::string path = ed().saveAs(dir.file("out.bmp"), 1);
        return decodeBmp(readFileBytes(path));
    }
    std::size_t annotations() const { return ed().history()->current().annotations.size(); }

    TempDir dir;
    EditorServices services;
    QPointer<Tfrmeditor> editor;
    test::MessageBoxes boxes;
};

bool reddish(std::uint32_t rgb) {
    return (rgb >> 16) > 0xC0 && ((rgb >> 8) & 0xFF) < 0x60 && (rgb & 0xFF) < 0x60;
}

TEST_F(AnnotateTest, EachToolDrawsWhatTheOutputsGet) {
    struct Case {
        AnnotateTool tool;
        QPoint from, to;
        std::vector<QPoint> inked;  // pixels of the annotation's colour
        std::vector<QPoint> clear;  // pixels left white
    };
    const Case cases[] = {
        {AnnotateTool::Line, {20, 20}, {120, 20}, {{30, 20}, {110, 20}}, {{70, 26}}},
        {AnnotateTool::Arrow, {20, 60}, {120, 60}, {{30, 60}, {117, 60}, {108, 58}}, {{60, 70}}},
        {AnnotateTool::Rectangle, {20, 20}, {100, 80}, {{20, 50}, {60, 20}}, {{60, 50}}},
        {AnnotateTool::Ellipse, {20, 20}, {100, 80}, {{60, 20}, {20, 50}}, {{60, 50}, {22, 22}}},
        {AnnotateTool::Pen, {30, 30}, {90, 90}, {{30, 30}, {60, 60}, {90, 90}}, {{30, 90}}},
        {AnnotateTool::Redact, {40, 40}, {80, 70}, {{40, 40}, {79, 69}, {60, 55}}, {{81, 71}}},
    };
    for (const Case& c : cases) {
        drag(c.tool, c.from, c.to);
        const Bitmap out = saved();
        for (QPoint p : c.inked) {
            EXPECT_TRUE(reddish(test::rgbAt(out, p.x(), p.y())))
                << int(c.tool) << " at " << p.x() << "," << p.y() << ": " << std::hex
                << test::rgbAt(out, p.x(), p.y());
        }
        for (QPoint p : c.clear) {
            EXPECT_EQ(test::rgbAt(out, p.x(), p.y()), kWhite) << int(c.tool) << " at " << p.x();
        }
        // Back to the plain capture for the next tool.
        ASSERT_TRUE(ed().history()->canUndo());
        ed().undo();
        ed().undo();
        ASSERT_EQ(test::rgbPixels(saved()), test::rgbPixels(test::filledPicture(200, 120, kWhite)));
    }
}

TEST_F(AnnotateTest, HighlighterTextAndMarkersReadOnThePicture) {
    drag(AnnotateTool::Highlighter, {20, 100}, {180, 100});
    canvas()->askText = [](const std::string&) { return std::optional<std::string>("Hi"); };
    // Yellow letters get a dark outline.
    canvas()->select(std::nullopt);
    canvas()->setColor({255, 255, 0});
    click(AnnotateTool::Text, {20, 10});
    canvas()->select(std::nullopt);
    canvas()->setColor(kRed);
    click(AnnotateTool::Marker, {150, 40});
    click(AnnotateTool::Marker, {150, 80});
    const auto& list = ed().history()->current().annotations;
    ASSERT_EQ(list.size(), 4u);
    const Bitmap out = saved();
    // The highlighter tints: neither white nor its full colour.
    const std::uint32_t tint = test::rgbAt(out, 100, 100);
    EXPECT_NE(tint, kWhite);
    EXPECT_GE(tint & 0xFF, 0x60u) << std::hex << tint;
    // Text in its colour with a contrasting outline.
    int yellow = 0, dark = 0;
    const Box box = shapeBox(list[1]);
    for (int y = box.y; y < box.bottom(); ++y) {
        for (int x = box.x; x < box.right(); ++x) {
            yellow += test::rgbAt(out, x, y) == 0xFFFF00u ? 1 : 0;
            dark += test::rgbAt(out, x, y) < 0x404040u ? 1 : 0;
        }
    }
    EXPECT_GT(yellow, 20);
    EXPECT_GT(dark, 20);
    // Markers are filled discs; the digits differ, so the two discs do.
    EXPECT_TRUE(reddish(test::rgbAt(out, 150 - 10, 40)));
    auto disc = [&](int cy) {
        std::vector<std::uint32_t> px;
        for (int y = cy - 8; y <= cy + 8; ++y) {
            for (int x = 142; x <= 158; ++x) {
                px.push_back(test::rgbAt(out, x, y));
            }
        }
        return px;
    };
    EXPECT_NE(disc(40), disc(80));

    // A double click with the select tool asks for the words again, starting from them (the
    // save drew the annotations in: undo brings them back as objects).
    ed().undo();
    std::string offered;
    canvas()->askText = [&offered](const std::string& current) {
        offered = current;
        return std::optional<std::string>("Hello there");
    };
    canvas()->setTool(AnnotateTool::Select);
    QTest::mouseDClick(canvas(), Qt::LeftButton, {}, QPoint(box.x + 5, box.y + 5));
    EXPECT_EQ(offered, "Hi");
    const Annotation& retyped = ed().history()->current().annotations[1];
    EXPECT_EQ(retyped.text, "Hello there");
    EXPECT_EQ(shapeBox(retyped).h, box.h);
    EXPECT_GT(shapeBox(retyped).w, box.w);
}

TEST_F(AnnotateTest, AnnotationsAreSelectedMovedResizedRecolouredAndDeleted) {
    drag(AnnotateTool::Redact, {20, 20}, {59, 49});
    // A press inside picks it and drags it 30 pixels right.
    drag(AnnotateTool::Select, {30, 30}, {60, 30});
    ASSERT_EQ(canvas()->selected(), 0u);
    EXPECT_EQ(shapeBox(ed().history()->current().annotations[0]), (Box{50, 20, 40, 30}));
    // Its bottom right handle pulls it larger.
    drag(AnnotateTool::Select, {89, 49}, {109, 59});
    EXPECT_EQ(shapeBox(ed().history()->current().annotations[0]), (Box{50, 20, 60, 40}));
    canvas()->setColor({0, 0, 255});
    EXPECT_EQ(test::rgbAt(saved(), 100, 55), 0x0000FFu);
    // With a drawing tool, a colour is for what is drawn next.
    ed().undo();
    canvas()->setTool(AnnotateTool::Line);
    canvas()->setColor({0, 255, 0});
    EXPECT_EQ(ed().history()->current().annotations[0].color, (Rgb{0, 0, 255}));
    canvas()->setTool(AnnotateTool::Select);
    canvas()->select(0);
    canvas()->deleteSelected();
    EXPECT_EQ(annotations(), 0u);
    EXPECT_EQ(test::rgbAt(saved(), 100, 55), kWhite);
}

TEST_F(AnnotateTest, UndoRedoAcrossAnnotationsCropAndTransforms) {
    const std::string file = ed().tabFilePath();
    drag(AnnotateTool::Rectangle, {10, 10}, {50, 50});
    drag(AnnotateTool::Redact, {60, 10}, {90, 40});
    drag(AnnotateTool::Crop, {5, 5}, {105, 65});
    // The crop cut the picture and its file; the annotations moved with it.
    EXPECT_EQ(ed().picture().width(), 100);
    EXPECT_EQ(decodeBmp(readFileBytes(file)).width(), 100);
    EXPECT_EQ(shapeBox(ed().history()->current().annotations[1]).x, 55);
    // A crop of no pixel does nothing.
    drag(AnnotateTool::Crop, {30, 30}, {30, 60});
    EXPECT_EQ(ed().picture().height(), 60);

    struct Step {
        bool undo;
        int width;          // of the picture and of the tab's file
        std::size_t count;  // annotations
    };
    const Step steps[] = {
        {true, 200, 2},  // the crop undone: the file is whole again
        {true, 200, 1},  {true, 200, 0},  {true, 200, 0},  // nothing more to undo
        {false, 200, 1}, {false, 200, 2}, {false, 100, 2}, {false, 100, 2},
    };
    for (const Step& s : steps) {
        s.undo ? ed().undo() : ed().redo();
        EXPECT_EQ(ed().picture().width(), s.width);
        EXPECT_EQ(decodeBmp(readFileBytes(file)).width(), s.width);
        EXPECT_EQ(annotations(), s.count);
        EXPECT_EQ(canvas()->width(), s.width);
    }
}

TEST_F(AnnotateTest, TransformsWorkOnThePictureWithItsAnnotations) {
    std::filesystem::create_directories(dir.file("lib"));
    test::writeText(dir.file("lib/editor.ini"), "[rotate]\nrtype=1\n");
    // (QTest takes a null point for the widget's centre.)
    drag(AnnotateTool::Redact, {1, 1}, {19, 9});
    ASSERT_EQ(annotations(), 1u);
    ed().dorotate();
    const Bitmap file = decodeBmp(readFileBytes(ed().tabFilePath()));
    EXPECT_EQ(annotations(), 0u);
    // Flipped with the picture, the box is now at the right.
    EXPECT_TRUE(reddish(test::rgbAt(file, 195, 5)));
    EXPECT_EQ(test::rgbAt(file, 5, 5), kWhite);
    ed().undo();
    EXPECT_EQ(annotations(), 1u);
    EXPECT_EQ(test::rgbAt(decodeBmp(readFileBytes(ed().tabFilePath())), 195, 5), kWhite);
}

TEST_F(AnnotateTest, EachTabKeepsItsOwnAnnotations) {
    drag(AnnotateTool::Line, {10, 10}, {90, 90});
    ed().addCapture(test::filledPicture(50, 40, 0x00FF00));
    EXPECT_EQ(annotations(), 0u);
    click(AnnotateTool::Marker, {25, 20});
    click(AnnotateTool::Marker, {40, 20});
    pages()->setCurrentIndex(0);
    ASSERT_EQ(annotations(), 1u);
    EXPECT_EQ(ed().history()->current().annotations[0].kind, AnnotationKind::Line);
    pages()->setCurrentIndex(1);
    EXPECT_EQ(annotations(), 2u);
    EXPECT_EQ(test::rgbAt(saved(), 5, 5), 0x00FF00u);
}

TEST_F(AnnotateTest, ClosingWithAnnotationsNotSentAsksFirst) {
    ed().show();
    auto* closeButton = ed().findChild<QToolButton*>("sSpeedButton4");
    drag(AnnotateTool::Rectangle, {10, 10}, {50, 50});
    boxes.answer = QMessageBox::No;
    closeButton->click();
    EXPECT_TRUE(ed().isOpen());
    ASSERT_EQ(boxes.seen.size(), 1u);
    // Once saved, nothing is lost: the editor closes without asking.
    saved();
    closeButton->click();
    EXPECT_FALSE(ed().isOpen());
    EXPECT_EQ(boxes.seen.size(), 1u);

    // When the program ends, its windows are closed without a user: no question holds it up.
    Tfrmeditor other(services);
    other.addCapture(test::filledPicture(60, 60, kWhite));
    other.canvas()->setTool(AnnotateTool::Rectangle);
    QTest::mousePress(other.canvas(), Qt::LeftButton, {}, {5, 5});
    QTest::mouseMove(other.canvas(), {40, 40});
    QTest::mouseRelease(other.canvas(), Qt::LeftButton, {}, {40, 40});
    ASSERT_TRUE(other.hasUnsentAnnotations());
    other.show();
    other.close();
    EXPECT_FALSE(other.isOpen());
    EXPECT_EQ(boxes.seen.size(), 1u);
}

TEST_F(AnnotateTest, OpenedFilesBecomeTabsAndUnreadableOnesShowTheirError) {
    const std::string png = dir.file("in.png");
    writeImageFile(test::filledPicture(30, 20, 0x123456), ImageFormat::Png, {}, png);
    test::writeText(dir.file("broken.gif"), "GIF89a\x01");
    ed().openFiles({png, dir.file("broken.gif"), dir.file("missing.jpg")});
    ASSERT_EQ(pages()->count(), 2);
    EXPECT_EQ(ed().picture().width(), 30);
    EXPECT_TRUE(ed().tabFilePath().ends_with(".bmp"));
    EXPECT_EQ(test::rgbAt(decodeBmp(readFileBytes(ed().tabFilePath())), 0, 0), 0x123456u);
    ASSERT_EQ(boxes.seen.size(), 2u);
    EXPECT_TRUE(boxes.seen[1].text.startsWith("Cannot open file"))
        << boxes.seen[1].text.toStdString();

    // Files dropped on the window open the same way.
    QMimeData dropped;
    dropped.setUrls({QUrl::fromLocalFile(QString::fromStdString(png))});
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&ed(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&ed(), &drop);
    EXPECT_EQ(pages()->count(), 3);
    EXPECT_EQ(ed().picture().width(), 30);
}

TEST_F(AnnotateTest, TheLastColourAndWidthAreRemembered) {
    ed().findChild<QSpinBox*>("annotateWidth")->setValue(7);
    const std::string ini = test::readText(services.paths.settingsFile());
    EXPECT_NE(ini.find("[annotate]"), std::string::npos) << ini;
    EXPECT_NE(ini.find("width=7"), std::string::npos) << ini;
    Tfrmeditor second(services);
    EXPECT_EQ(second.canvas()->strokeWidth(), 7);
}

// The canvas repaints only the pieces of an annotation: every pixel its drawing changes must lie
// in them, or a drag would leave traces behind.
TEST(AnnotationPieces, HoldEveryPixelTheDrawingChanges) {
    const QtShapeRenderer renderer;
    const AnnotationKind kinds[] = {AnnotationKind::Arrow,     AnnotationKind::Line,
                                    AnnotationKind::Rectangle, AnnotationKind::Ellipse,
                                    AnnotationKind::Pen,       AnnotationKind::Highlighter,
                                    AnnotationKind::Text,      AnnotationKind::Marker};
    for (AnnotationKind kind : kinds) {
        for (int width : {1, 4, 12}) {
            Annotation a;
            a.kind = kind;
            a.width = width;
            a.text = "Wg";
            a.points = {{40, 30}, {230, 170}};
            if (isPath(kind)) {
                a.points = {{40, 30}, {120, 160}, {130, 40}, {230, 170}};
            }
            const Bitmap white = test::filledPicture(280, 210, kWhite);
            Bitmap drawn = white;
            renderer.draw(drawn, a, 3);
            const std::vector<Box> pieces = paintPieces(a);
            int changed = 0, outside = 0;
            for (int y = 0; y < drawn.height(); ++y) {
                for (int x = 0; x < drawn.width(); ++x) {
                    if (drawn.pixel32(x, y) == white.pixel32(x, y)) {
                        continue;
                    }
                    ++changed;
                    bool inside = false;
                    for (const Box& b : pieces) {
                        inside = inside || b.contains({x, y});
                    }
                    outside += inside ? 0 : 1;
                }
            }
            EXPECT_GT(changed, 0) << int(kind);
            EXPECT_EQ(outside, 0) << "kind " << int(kind) << " width " << width;
        }
    }
}

}  // namespace
}  // namespace pelko
