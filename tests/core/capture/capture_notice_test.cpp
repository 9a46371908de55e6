#include "core/capture/capture_notice.h"

#include <gtest/gtest.h>

#include "fake_screen.h"
#include "support/temp_dir.h"

namespace pelko {
namespace {

TEST(Thumbnail, ScalesDownKeepingTheShapeAndTheColours) {
    struct Case {
        int width, height, maxSide, thumbWidth, thumbHeight;
    };
    for (const Case& c : {Case{512, 256, 256, 256, 128}, Case{100, 1000, 250, 25, 250},
                          Case{40, 30, 256, 40, 30}, Case{5000, 1, 256, 256, 1}}) {
        SCOPED_TRACE(c.width);
        Bitmap b(c.width, c.height, 24);
        for (int y = 0; y < c.height; ++y) {
            for (int x = 0; x < c.width; ++x) {
                b.setPixel32(x, y, x < c.width / 2 ? 0xFF0000 : 0x0000FF);
            }
        }
        const Thumbnail t = makeThumbnail(b, c.maxSide);
        ASSERT_EQ(t.width, c.thumbWidth);
        ASSERT_EQ(t.height, c.thumbHeight);
        ASSERT_EQ(t.rgb.size(), std::size_t(t.width * t.height * 3));
        EXPECT_EQ(t.rgb[0], 0xFF);  // left: red
        EXPECT_EQ(t.rgb[2], 0x00);
        const std::size_t last = t.rgb.size() - 3;  // right: blue
        EXPECT_EQ(t.rgb[last], 0x00);
        EXPECT_EQ(t.rgb[last + 2], 0xFF);
    }
    EXPECT_EQ(makeThumbnail(Bitmap()).rgb.size(), 0u);
}

TEST(CaptureNotice, SavedCopiedOrNothing) {
    OutputTargets fileOnly, clipboard, both;
    clipboard.save = false;
    clipboard.clipboard = true;
    both.clipboard = true;
    CaptureResult saved{false, {"/home/u/Pictures/shot 1.png", "/tmp/~pelko/scratch.bmp"}};
    CaptureResult none;
    CaptureResult cancelled{true, {}};

    auto notice = describeCapture(saved, fileOnly, {});
    ASSERT_TRUE(notice);
    EXPECT_EQ(notice->summary, "Screenshot saved");
    EXPECT_EQ(notice->body, "shot 1.png in /home/u/Pictures/");
    EXPECT_EQ(notice->file, "/home/u/Pictures/shot 1.png");
    EXPECT_EQ(describeCapture(saved, both, {})->body,
              "shot 1.png in /home/u/Pictures/, and copied to the clipboard");

    notice = describeCapture(none, clipboard, {});
    ASSERT_TRUE(notice);
    EXPECT_EQ(notice->summary, "Screenshot copied");
    EXPECT_EQ(notice->file, "");
    EXPECT_FALSE(describeCapture(none, fileOnly, {}));
    EXPECT_FALSE(describeCapture(cancelled, clipboard, {}));
}

TEST(CaptureNotice, SwitchedOnUnlessSetToZero) {
    test::TempDir dir;
    struct Case {
        const char* text;
        bool on;
    };
    for (const Case& c :
         {Case{"", true}, Case{"[notify]\nenabled=1\n", true}, Case{"[notify]\nenabled=0\n", false},
          Case{"[notify]\nenabled=junk\n", true}}) {
        SCOPED_TRACE(c.text);
        test::writeText(dir.path() + "/settings.ini", c.text);
        EXPECT_EQ(notificationsEnabled(IniFile(dir.path() + "/settings.ini")), c.on);
    }
}

}  // namespace
}  // namespace pelko
