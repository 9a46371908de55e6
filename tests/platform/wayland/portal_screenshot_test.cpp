#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "core/codec/encode.h"
#include "core/error.h"
#include "fake_portal.h"
#include "platform/wayland/portal_screenshot.h"
#include "support/temp_dir.h"

namespace pelko::wayland {
namespace {

// Short: the fake answers at once or never, and "never" must end in an error, not a wait.
constexpr int kTimeoutMs = 400;

void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A 3 x 2 picture with a different colour in each pixel, as a PNG file.
Bitmap writePicture(const std::string& path) {
    Bitmap picture(3, 2, 24);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            // Stored as B, G, R, A.
            picture.setPixel32(
                x, y,
                0xFF0000C8u | std::uint32_t(90 * y + 2) << 8 | std::uint32_t(40 * x + 1) << 16);
        }
    }
    VectorSink png;
    encodePng(png, picture, {});
    writeFile(path, png.bytes);
    return picture;
}

TEST(PortalScreenshot, ReadsThePictureTheAnswerPointsTo) {
    if (!test::fakePortalCanRun()) {
        GTEST_SKIP() << "dbus-daemon or python3-dbus is missing";
    }
    test::TempDir dir;
    const Bitmap picture = writePicture(dir.file("shot.png"));

    const test::FakePortal good(PELKO_FAKE_SCREENSHOT_PORTAL,
                                {"answer", "file://" + dir.file("shot.png")});
    EXPECT_EQ(PortalScreenshot::unavailableReason(), "");
    const Bitmap taken = PortalScreenshot::take(kTimeoutMs);
    ASSERT_EQ(taken.width(), 3);
    ASSERT_EQ(taken.height(), 2);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(taken.colorAt(x, y), picture.colorAt(x, y)) << x << "," << y;
        }
    }
}

TEST(PortalScreenshot, EveryFailingAnswerEndsWithOneErrorAndNoPicture) {
    if (!test::fakePortalCanRun()) {
        GTEST_SKIP() << "dbus-daemon or python3-dbus is missing";
    }
    test::TempDir dir;
    writeFile(dir.file("not-a-picture.png"), {'n', 'o', 't', ' ', 'P', 'N', 'G'});
    writeFile(dir.file("empty.png"), {});
    struct Case {
        const char* mode;
        std::string uri;
        const char* error;  // part of the message take() ends with
    };
    const Case cases[] = {
        {"silent", "", "did not answer in time"},
        {"cancel", "", "The screenshot was cancelled"},
        {"refuse", "", "refused to take a screenshot"},
        {"no-uri", "", "refused to take a screenshot"},
        {"bad-uri", "", "refused to take a screenshot"},
        {"answer", "https://example.org/shot.png", "an address Pelko cannot read"},
        {"answer", "file://" + dir.file("missing.png"), "Cannot read the desktop portal's"},
        // The decoder's own message.
        {"answer", "file://" + dir.file("not-a-picture.png"), ""},
        {"answer", "file://" + dir.file("empty.png"), ""},
        {"absent", "", "cannot take a screenshot"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.mode) + " " + c.uri);
        const test::FakePortal portal(PELKO_FAKE_SCREENSHOT_PORTAL, {c.mode, c.uri});
        if (std::string(c.mode) == "absent") {
            EXPECT_NE(PortalScreenshot::unavailableReason(), "");
        }
        try {
            const Bitmap taken = PortalScreenshot::take(kTimeoutMs);
            ADD_FAILURE() << "a picture of " << taken.width() << " x " << taken.height();
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(c.error), std::string::npos) << e.what();
        }
    }
}

}  // namespace
}  // namespace pelko::wayland
