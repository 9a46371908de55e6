// The selector overlays driven with synthetic mouse and key events (no display needed), and
// the shape cuts checked pixel by pixel against the frozen picture.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTimer>
#include <QToolTip>

#include "core/capture/capture_mode.h"
#include "core/capture/fake_screen.h"
#include "core/error.h"
#include "ui/selectors/capture_freehand_form.h"
#include "ui/selectors/capture_object_form.h"
#include "ui/selectors/capture_rect_form.h"
#include "ui/selectors/capture_shape_form.h"
#include "ui/selectors/overlay_window.h"
#include "ui/selectors/select_rect_form.h"
#include "ui/selectors/selectors.h"
#include "ui/selectors/shape_cut.h"
#include "ui/toolkit/bitmap_image.h"

namespace pelko {
namespace {

using Outcome = SelectorOverlay::Outcome;

// A frozen picture whose pixel (x, y) is FakeScreen::pixelAt(x, y).
Bitmap frozenPicture(int w = 400, int h = 300) {
    test::FakeScreen screen;
    screen.width = w;
    screen.height = h;
    Bitmap b;
    screen.copyRect(b, {0, 0, w, h});
    return b;
}

void mouse(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons held) {
    QMouseEvent e(type, QPointF(p), QPointF(w->mapToGlobal(p)), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}
void press(QWidget* w, QPoint p, Qt::MouseButton b = Qt::LeftButton) {
    mouse(w, QEvent::MouseButtonPress, p, b, b);
}
void move(QWidget* w, QPoint p, Qt::MouseButtons held = Qt::LeftButton) {
    mouse(w, QEvent::MouseMove, p, Qt::NoButton, held);
}
void release(QWidget* w, QPoint p, Qt::MouseButton b = Qt::LeftButton) {
    mouse(w, QEvent::MouseButtonRelease, p, b, Qt::NoButton);
}
void drag(QWidget* w, QPoint from, QPoint to) {
    press(w, from);
    move(w, (from + to) / 2);
    move(w, to);
    release(w, to);
}
void key(QWidget* w, int k) {
    QKeyEvent e(QEvent::KeyPress, k, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

const QRect kArea(0, 0, 400, 300);

// The right-click menu opens modally; it is closed at once so the test goes on.
void closeMenusSoon() {
    QTimer::singleShot(0, [] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            popup->close();
        }
    });
}

TEST(RectangleSelector, DragSelectsTheBoxWithTheTooltipOfThePressPoint) {
    const Bitmap frozen = frozenPicture();
    TCaptureRectForm form(toQImage(frozen), kArea, true);
    form.open();
    press(&form, {300, 300 - 100});
    move(&form, {100, 50});
    EXPECT_EQ(QToolTip::text(), QStringLiteral("x: 300\ny: 200\n200 x 150 pixels"));
    release(&form, {100, 50});
    EXPECT_EQ(form.outcome(), Outcome::Ok);
    EXPECT_FALSE(form.Cancelled);
    EXPECT_EQ(form.selection(), (Rect{100, 50, 300, 200}));
}

TEST(RectangleSelector, ClickEndsWithNoSelectionAndHintOffShowsNoTooltip) {
    TCaptureRectForm form(toQImage(frozenPicture()), kArea, false);
    form.open();
    QToolTip::hideText();
    press(&form, {40, 40});
    move(&form, {60, 70});
    EXPECT_TRUE(QToolTip::text().isEmpty());
    move(&form, {40, 40});
    release(&form, {40, 40});
    EXPECT_EQ(form.outcome(), Outcome::Ok);
    EXPECT_FALSE(form.selection());
}

TEST(RectangleSelector, RightButtonNeverEndsAndResetsTheDrag) {
    TCaptureRectForm form(toQImage(frozenPicture()), kArea, true);
    form.open();
    press(&form, {10, 10});
    move(&form, {50, 50});
    press(&form, {200, 100}, Qt::RightButton);  // restarts from the pressed point
    closeMenusSoon();
    release(&form, {200, 100}, Qt::RightButton);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.info(), (Rect{200, 100, 200, 100}));
    drag(&form, {20, 30}, {25, 40});  // a later left drag is a new selection
    EXPECT_EQ(form.selection(), (Rect{20, 30, 25, 40}));
}

TEST(RectangleSelector, CancelAndEscapeSetTheMarkAndEndWithoutOk) {
    for (bool escape : {false, true}) {
        TCaptureRectForm form(toQImage(frozenPicture()), kArea, true);
        form.open();
        press(&form, {10, 10});
        move(&form, {50, 50});
        if (escape) {
            key(&form, Qt::Key_Escape);
        } else {
            form.Cancel2->trigger();
        }
        EXPECT_EQ(form.Cancel2->text(), QStringLiteral("Cancel"));
        EXPECT_TRUE(form.Cancelled);
        EXPECT_EQ(form.outcome(), Outcome::Cancelled);
        EXPECT_FALSE(form.isVisible());
    }
}

TEST(RectangleSelector, BandIsDrawnInvertedOnTheFrozenPicture) {
    const Bitmap frozen = frozenPicture();
    const QImage image = toQImage(frozen);
    TCaptureRectForm form(image, kArea, false);
    form.open();
    press(&form, {30, 20});
    move(&form, {200, 100});  // a larger band first: nothing of it may stay
    move(&form, {80, 60});
    const QImage shown = form.grab().toImage().convertToFormat(QImage::Format_RGB32);
    auto inverted = [&](int x, int y) { return (image.pixel(x, y) ^ 0xFFFFFF) | 0xFF000000; };
    auto plain = [&](int x, int y) { return image.pixel(x, y) | 0xFF000000; };
    // Left and top edges on the smaller coordinates, right and bottom one pixel inside.
    for (QPoint p : {QPoint(30, 20), QPoint(79, 20), QPoint(30, 59), QPoint(79, 59), QPoint(55, 20),
                     QPoint(30, 40)}) {
        EXPECT_EQ(shown.pixel(p) | 0xFF000000, inverted(p.x(), p.y())) << p.x() << "," << p.y();
    }
    for (QPoint p : {QPoint(80, 60), QPoint(31, 21), QPoint(55, 40), QPoint(199, 99),
                     QPoint(150, 20), QPoint(29, 19)}) {
        EXPECT_EQ(shown.pixel(p) | 0xFF000000, plain(p.x(), p.y())) << p.x() << "," << p.y();
    }
}

TEST(Picker, GivesTheDraggedRegionAsDraggedAlongOneRow) {
    struct Case {
        QPoint from, to;
        Rect info;  // start = left, top; size = right - left, bottom - top
    };
    const Case cases[] = {
        {{50, 60}, {250, 160}, {50, 60, 250, 160}},
        {{250, 160}, {50, 60}, {50, 60, 250, 160}},
        {{300, 100}, {200, 100}, {300, 100, 200, 100}},  // width -100, height 0
        {{40, 40}, {40, 40}, {40, 40, 40, 40}},
    };
    for (const Case& c : cases) {
        TSelectRectForm form(toQImage(frozenPicture()), kArea);
        form.open();
        press(&form, c.from);
        move(&form, c.to);
        release(&form, c.to);
        EXPECT_EQ(form.outcome(), Outcome::Ok);
        EXPECT_EQ(form.info(), c.info);
    }
}

TEST(Picker, TooltipShowsWidthThenHeightAndHidesNearTheEdges) {
    TSelectRectForm form(toQImage(frozenPicture(800, 600)), QRect(0, 0, 800, 600));
    form.open();
    press(&form, {50, 60});
    move(&form, {250, 160});
    EXPECT_EQ(QToolTip::text(), QStringLiteral("x: 50\ny: 60\n200 x 100 pixels"));
    // 100 wide, 13 high on a 400 x 300 screen.
    EXPECT_TRUE(pickerInfoFits({292, 274}, 100, 13, 400, 300));
    EXPECT_FALSE(pickerInfoFits({293, 100}, 100, 13, 400, 300));
    EXPECT_FALSE(pickerInfoFits({100, 275}, 100, 13, 400, 300));
}

// A rectangle of the source from (left, top), compared pixel by pixel.
void expectSame(const Bitmap& result, const Bitmap& source, int left, int top, int x, int y) {
    EXPECT_EQ(result.pixel32(x, y) & 0xFFFFFF, source.pixel32(left + x, top + y) & 0xFFFFFF)
        << "at " << x << "," << y;
}

TEST(ShapeCut, EllipseKeepsTheCentreAndPaintsTheCornersInTheBackgroundColour) {
    const Bitmap frozen = frozenPicture();
    for (ColorRef background : {ColorRef(0), ColorRef(0xFFFFFF), ColorRef(0x0000FF)}) {
        // A drag from (100, 100) to (301, 201).
        const Bitmap r = cutShape(frozen, {100, 100, 301, 201}, CutShape::Ellipse, background);
        ASSERT_EQ(r.width(), 200);
        ASSERT_EQ(r.height(), 100);
        const Rgb bg = fromColorRef(background);
        const std::uint32_t want = std::uint32_t(bg.r) << 16 | bg.g << 8 | bg.b;
        for (QPoint c : {QPoint(0, 0), QPoint(199, 0), QPoint(0, 99), QPoint(199, 99)}) {
            EXPECT_EQ(r.pixel32(c.x(), c.y()) & 0xFFFFFF, want);
        }
        expectSame(r, frozen, 100, 100, 100, 50);  // the screen's (200, 150)
        expectSame(r, frozen, 100, 100, 1, 50);    // the ends of the axes are inside
        expectSame(r, frozen, 100, 100, 100, 0);
    }
}

TEST(ShapeCut, RoundedRectangleCutsItsCornersEvenWhenSmallerThanThem) {
    const Bitmap frozen = frozenPicture();
    const Bitmap big = cutShape(frozen, {10, 10, 211, 111}, CutShape::RoundedRectangle, 0);
    ASSERT_EQ(big.width(), 200);
    EXPECT_EQ(big.pixel32(0, 0) & 0xFFFFFF, 0u);
    EXPECT_EQ(big.pixel32(3, 3) & 0xFFFFFF, 0u);  // inside the 40 x 40 corner's curve
    expectSame(big, frozen, 10, 10, 20, 0);       // the straight edge past the corner
    expectSame(big, frozen, 10, 10, 0, 50);
    const Bitmap small = cutShape(frozen, {10, 10, 41, 41}, CutShape::RoundedRectangle, 0);
    ASSERT_EQ(small.width(), 30);
    EXPECT_EQ(small.pixel32(0, 0) & 0xFFFFFF, 0u);
    expectSame(small, frozen, 10, 10, 15, 15);
    EXPECT_TRUE(cutShape(frozen, {10, 10, 11, 50}, CutShape::Ellipse, 0).empty());
}

TEST(ShapeSelector, ReversedDragGivesTheSameCutAndAClickNone) {
    const Bitmap frozen = frozenPicture();
    Bitmap first;
    for (bool reversed : {false, true}) {
        TfrmCaptureEllipse form(frozen, kArea, true, 0xFFFFFF);
        form.open();
        drag(&form, reversed ? QPoint(301, 201) : QPoint(100, 100),
             reversed ? QPoint(100, 100) : QPoint(301, 201));
        EXPECT_EQ(form.outcome(), Outcome::Ok);
        ASSERT_EQ(form.result().width(), 200);
        if (reversed) {
            EXPECT_EQ(std::vector<std::uint8_t>(form.result().data(),
                                                form.result().data() + form.result().byteSize()),
                      std::vector<std::uint8_t>(first.data(), first.data() + first.byteSize()));
        }
        first = form.result();
    }
    TfrmCaptureRoundedRect form(frozen, kArea, true, 0);
    form.open();
    drag(&form, {50, 50}, {50, 90});
    EXPECT_EQ(form.outcome(), Outcome::Ok);
    EXPECT_TRUE(form.result().empty());
}

TEST(PolygonCut, TracedShapesFollowTheWindingRule) {
    const Bitmap frozen = frozenPicture();
    const std::uint32_t white = 0xFFFFFF;
    // A rectangle: every pixel of the box, the rightmost column and bottom row excluded.
    const Bitmap box = cutPolygon(frozen, {{100, 100}, {300, 100}, {300, 200}, {100, 200}});
    ASSERT_EQ(box.width(), 200);
    ASSERT_EQ(box.height(), 100);
    expectSame(box, frozen, 100, 100, 0, 0);
    expectSame(box, frozen, 100, 100, 199, 99);
    // A triangle: white beyond the line from (300, 100) to (100, 200).
    const Bitmap triangle = cutPolygon(frozen, {{100, 100}, {300, 100}, {100, 200}});
    ASSERT_EQ(triangle.width(), 200);
    expectSame(triangle, frozen, 100, 100, 10, 10);
    EXPECT_EQ(triangle.pixel32(190, 90) & 0xFFFFFF, white);
    // A figure eight: both lobes are inside, the crossing's sides outside.
    const Bitmap eight =
        cutPolygon(frozen, {{0, 0}, {100, 100}, {0, 100}, {100, 0}, {0, 0}});  // bow tie
    expectSame(eight, frozen, 0, 0, 50, 20);
    expectSame(eight, frozen, 0, 0, 50, 80);
    EXPECT_EQ(eight.pixel32(10, 50) & 0xFFFFFF, white);
    // A square circled twice stays inside.
    const Bitmap twice = cutPolygon(
        frozen, {{10, 10}, {60, 10}, {60, 60}, {10, 60}, {10, 10}, {60, 10}, {60, 60}, {10, 60}});
    expectSame(twice, frozen, 10, 10, 25, 25);
    // One or two points enclose nothing: the bounding box, white.
    EXPECT_TRUE(cutPolygon(frozen, {{5, 5}}).empty());
    const Bitmap line = cutPolygon(frozen, {{5, 5}, {25, 15}});
    ASSERT_EQ(line.width(), 20);
    ASSERT_EQ(line.height(), 10);
    EXPECT_EQ(line.pixel32(10, 5) & 0xFFFFFF, white);
}

TEST(FreehandSelector, RightClickStartsATraceThatPlainMovesExtend) {
    const Bitmap frozen = frozenPicture();
    TCaptureFreehandForm form(frozen, kArea, false);
    form.open();
    press(&form, {120, 45}, Qt::RightButton);
    EXPECT_EQ(QToolTip::text(), QStringLiteral("120 x 45 pixels"));  // shown whatever the hint
    closeMenusSoon();
    release(&form, {120, 45}, Qt::RightButton);
    EXPECT_TRUE(form.isVisible());
    for (QPoint p : {QPoint(100, 100), QPoint(300, 100), QPoint(300, 200), QPoint(100, 200)}) {
        move(&form, p, Qt::NoButton);
    }
    EXPECT_EQ(form.points().size(), 4u);  // the press point is no vertex
    release(&form, {100, 200});
    EXPECT_EQ(form.outcome(), Outcome::Ok);
    ASSERT_EQ(form.result().width(), 200);
    ASSERT_EQ(form.result().height(), 100);
    expectSame(form.result(), frozen, 100, 100, 5, 5);
}

TEST(FreehandSelector, TooltipGivesWidthThenHeight) {
    TCaptureFreehandForm form(frozenPicture(), kArea, true);
    form.open();
    press(&form, {10, 10});
    move(&form, {10, 10});  // the press is no point: the size counts from the first move
    move(&form, {210, 10});
    move(&form, {210, 110});
    EXPECT_EQ(QToolTip::text(), QStringLiteral("x: 10\ny: 10\n200 x 100 pixels"));
}

TEST(ObjectSelector, AnyButtonEndsIt) {
    for (Qt::MouseButton b : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
        TCaptureObjectForm form(toQImage(frozenPicture()), kArea);
        form.open();
        press(&form, {10, 10}, b);
        EXPECT_TRUE(form.isVisible());
        release(&form, {10, 10}, b);
        EXPECT_EQ(form.outcome(), Outcome::Ok);
    }
}

// A window list with one window, for the object selector.
struct FakeWindows : WindowLocator {
    Point pointerPosition() override { return {30, 20}; }
    Rect windowRectAt(Point p, std::span<const std::uint32_t> skip) override {
        asked = p;
        skipped = std::vector<std::uint32_t>(skip.begin(), skip.end());
        return {10, 5, 50, 25};
    }
    Point asked;
    std::vector<std::uint32_t> skipped;
};

// Runs the selector of a mode while the given steps drive its overlay once it is shown.
std::optional<Bitmap> runSelector(Selectors& selectors, int mode, bool& cancelled,
                                  std::function<void(QWidget*)> steps) {
    QTimer::singleShot(0, [steps] {
        for (QWidget* w : QApplication::allWidgets()) {
            if (qobject_cast<SelectorOverlay*>(w) && w->isVisible()) {
                steps(w);
                return;
            }
        }
        ADD_FAILURE() << "no overlay shown";
    });
    return selectors.select(mode, cancelled);
}

TEST(Selectors, RectangleReturnsTheFrozenPixelsWithThePointerFrozenIn) {
    test::FakeScreen screen;
    screen.width = 200;
    screen.height = 150;
    screen.cursor = test::whitePointer(15, 12);
    MainSettings settings;
    settings.ssreccursor = true;
    Selectors selectors(screen, nullptr, settings);
    bool cancelled = true;
    const auto picture =
        runSelector(selectors, int(CaptureMode::Rectangle), cancelled, [](QWidget* w) {
            drag(w, {10, 10}, {30, 20});
        });
    ASSERT_TRUE(picture);
    EXPECT_FALSE(cancelled);
    ASSERT_EQ(picture->width(), 20);
    ASSERT_EQ(picture->height(), 10);
    EXPECT_EQ(picture->pixel32(0, 0) & 0xFFFFFF, test::FakeScreen::pixelAt(10, 10));
    EXPECT_EQ(picture->pixel32(5, 2) & 0xFFFFFF, 0xFFFFFFu);  // the pointer at (15, 12)
    EXPECT_EQ(screen.copies, 1);                              // one copy: the frozen picture
}

TEST(Selectors, CancelIsReportedAndObjectCopiesTheWindowUnderThePointer) {
    test::FakeScreen screen;
    screen.width = 200;
    screen.height = 150;
    MainSettings settings;
    bool cancelled = false;
    Selectors plain(screen, nullptr, settings);
    EXPECT_FALSE(runSelector(plain, int(CaptureMode::Freehand), cancelled,
                             [](QWidget* w) { key(w, Qt::Key_Escape); }));
    EXPECT_TRUE(cancelled);
    EXPECT_THROW(plain.select(int(CaptureMode::Object), cancelled), Error);  // no window list

    FakeWindows windows;
    Selectors selectors(screen, &windows, settings);
    const auto picture =
        runSelector(selectors, int(CaptureMode::Object), cancelled, [](QWidget* w) {
            release(w, {1, 1}, Qt::RightButton);
        });
    ASSERT_TRUE(picture);
    EXPECT_FALSE(cancelled);
    EXPECT_EQ(windows.asked, (Point{30, 20}));
    EXPECT_EQ(windows.skipped.size(), 1u);  // the overlay itself
    ASSERT_EQ(picture->width(), 40);
    ASSERT_EQ(picture->height(), 20);
    EXPECT_EQ(picture->pixel32(0, 0) & 0xFFFFFF, test::FakeScreen::pixelAt(10, 5));
}

// The window and the frozen buffer are kept from one selection to the next, so that the next
// one opens without new full-screen memory; a selector opened during a selection (a hotkey)
// gets a window of its own and leaves the outer one open.
TEST(Selectors, KeepTheirWindowAndBufferAndANestedSelectorGetsItsOwnWindow) {
    test::FakeScreen screen;
    screen.width = 200;
    screen.height = 150;
    MainSettings settings;
    OverlayWindow host;
    Selectors selectors(screen, nullptr, settings, &host);
    bool cancelled = false;
    QWidget* innerWindow = nullptr;
    bool outerOpenAfterInner = false;
    runSelector(selectors, int(CaptureMode::Rectangle), cancelled, [&](QWidget* outer) {
        EXPECT_EQ(outer->window(), &host);
        QTimer::singleShot(0, [&] {
            for (QWidget* w : QApplication::allWidgets()) {
                if (w->inherits("pelko::SelectorOverlay") && w->isVisible() && w != outer) {
                    innerWindow = w->window();
                    key(w, Qt::Key_Escape);
                }
            }
        });
        bool innerCancelled = false;
        EXPECT_FALSE(selectors.select(int(CaptureMode::Freehand), innerCancelled));
        EXPECT_TRUE(innerCancelled);
        outerOpenAfterInner = outer->isVisible() && host.isVisible();
        key(outer, Qt::Key_Escape);
    });
    EXPECT_TRUE(cancelled);
    ASSERT_NE(innerWindow, nullptr);
    EXPECT_NE(innerWindow, &host);
    EXPECT_TRUE(outerOpenAfterInner);
    EXPECT_FALSE(host.isVisible());
    EXPECT_TRUE(host.windowTitle().isEmpty()) << "a hidden window must not look ready";
    Bitmap kept = host.takeBuffer();
    EXPECT_EQ(kept.width(), 200) << "the frozen buffer is kept for the next selection";
    host.keepBuffer(std::move(kept));

    const auto picture =
        runSelector(selectors, int(CaptureMode::Rectangle), cancelled, [&](QWidget* w) {
            EXPECT_EQ(w->window(), &host);
            drag(w, {10, 10}, {30, 20});
        });
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->width(), 20);
}

}  // namespace
}  // namespace pelko
