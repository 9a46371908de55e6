#include "core/capture/sources.h"

#include <gtest/gtest.h>

#include "core/error.h"
#include "fake_screen.h"
#include "support/temp_dir.h"

namespace pelko {
namespace {

using test::FakeScreen;
using test::TempDir;
using test::whitePointer;
using test::writeText;

TEST(CaptureSources, WholeScreenWithPointerHotspotAtItsPosition) {
    FakeScreen screen;
    screen.cursor = whitePointer(30, 20);
    CaptureSources sources(screen);
    Bitmap b;
    sources.CaptureWholeScreen(b, false);
    EXPECT_EQ(b.width(), 64);
    EXPECT_EQ(b.height(), 48);
    EXPECT_EQ(b.pixel32(30, 20), FakeScreen::pixelAt(30, 20));
    sources.CaptureWholeScreen(b, true);
    EXPECT_EQ(b.pixel32(30, 20), 0x00FFFFFFu);
    EXPECT_EQ(b.pixel32(32, 20), FakeScreen::pixelAt(32, 20));
}

TEST(CaptureSources, ActiveWindowPointerIsRelativeToTheWindow) {
    FakeScreen screen;
    screen.cursor = whitePointer(13, 6);
    CaptureSources sources(screen);
    Bitmap b;
    sources.CaptureActiveWindow(b, Rect{10, 5, 30, 25}, true);
    EXPECT_EQ(b.width(), 20);
    EXPECT_EQ(b.pixel32(0, 0), FakeScreen::pixelAt(10, 5));
    EXPECT_EQ(b.pixel32(3, 1), 0x00FFFFFFu);
    EXPECT_EQ(b.pixel32(5, 1), FakeScreen::pixelAt(15, 6));
}

class RegionTest : public ::testing::Test {
  protected:
    Bitmap capture(const std::string& values, bool pointer = false) {
        writeText(dir.file("s.ini"), "[settings]\n" + values);
        CaptureSources sources(screen);
        return sources.CaptureRegion(IniFile(dir.file("s.ini")), pointer);
    }
    TempDir dir;
    FakeScreen screen;
};

TEST_F(RegionTest, RegionPixelsAndPointer) {
    screen.cursor = whitePointer(15, 25);
    Bitmap b = capture("startx=10\nstarty=20\nrwidth=30\nrheight=20\n", true);
    EXPECT_EQ(b.width(), 30);
    EXPECT_EQ(b.height(), 20);
    EXPECT_EQ(b.pixel32(0, 0), FakeScreen::pixelAt(10, 20));
    EXPECT_EQ(b.pixel32(5, 5), 0x00FFFFFFu);
}

TEST_F(RegionTest, MissingOrJunkValuesGiveTheFactoryRegion) {
    screen.width = 640;
    screen.height = 480;
    for (const char* values : {"", "startx=abc\nrwidth=\n"}) {
        SCOPED_TRACE(values);
        Bitmap b = capture(values);
        EXPECT_EQ(b.width(), 400);
        EXPECT_EQ(b.height(), 300);
        EXPECT_EQ(b.pixel32(0, 0), FakeScreen::pixelAt(100, 100));
    }
}

TEST_F(RegionTest, RegionsAtTheEndsOfTheCoordinateRangeWithThePointer) {
    screen.cursor = whitePointer(30, 20);
    struct Case {
        const char* values;
        int width, height;
    };
    const Case cases[] = {
        {"startx=-2147483648\nstarty=-2147483648\nrwidth=10\nrheight=10\n", 10, 10},
        {"startx=2147483637\nstarty=2147483637\nrwidth=10\nrheight=10\n", 10, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.values);
        Bitmap b = capture(c.values, true);
        EXPECT_EQ(b.width(), c.width);
        EXPECT_EQ(b.height(), c.height);
        EXPECT_EQ(b.pixel32(0, 0), 0u);  // nothing of the screen or the pointer
    }
}

TEST_F(RegionTest, PartlyOffScreenKeepsItsSizeBlackOutside) {
    Bitmap b = capture("startx=-5\nstarty=40\nrwidth=10\nrheight=20\n");
    EXPECT_EQ(b.width(), 10);
    EXPECT_EQ(b.height(), 20);
    EXPECT_EQ(b.pixel32(0, 0), 0u);
    EXPECT_EQ(b.pixel32(5, 0), FakeScreen::pixelAt(0, 40));
    EXPECT_EQ(b.pixel32(5, 8), 0u);
}

TEST_F(RegionTest, EmptyOrOverflowingRegionIsAClearError) {
    for (const char* values : {"rwidth=0\n", "rheight=-3\n", "startx=2147483000\nrwidth=5000\n"}) {
        try {
            capture(values);
            ADD_FAILURE() << values;
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find("fixed capture region"), std::string::npos)
                << e.what();
        }
    }
    EXPECT_EQ(screen.copies, 0);
}

TEST(CaptureSources, PaletteOnlyOnPaletteDisplays) {
    FakeScreen screen;
    CaptureSources sources(screen);
    Bitmap b;
    sources.ApplySystemPalette(b);
    EXPECT_TRUE(b.palette().empty());
    screen.palette = std::vector<Rgb>(256, Rgb{1, 2, 3});
    sources.ApplySystemPalette(b);
    EXPECT_EQ(b.palette().size(), 256u);
}

}  // namespace
}  // namespace pelko
