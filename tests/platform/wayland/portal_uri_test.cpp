#include <gtest/gtest.h>

#include "core/error.h"
#include "platform/wayland/portal_screenshot.h"

namespace pelko::wayland {
namespace {

TEST(LocalPathOfUri, DecodesFileAddressesAndRefusesOthers) {
    EXPECT_EQ(localPathOfUri("file:///tmp/out.png"), "/tmp/out.png");
    EXPECT_EQ(localPathOfUri("file:///home/a/Bilder/Bildschirmfoto%20vom%202026%25.png"),
              "/home/a/Bilder/Bildschirmfoto vom 2026%.png");
    for (const char* bad : {"http://host/out.png", "file://host/out.png", "file://", "/tmp/x.png",
                            "file:///tmp/a%2", "file:///tmp/a%zz", "file:///tmp/a%00b"}) {
        EXPECT_THROW(localPathOfUri(bad), Error) << bad;
    }
}

TEST(ScreenshotPath, OnlyADoneRequestWithAnAddressGivesAFile) {
    EXPECT_EQ(screenshotPath(0, "file:///tmp/out.png"), "/tmp/out.png");
    struct Case {
        std::uint32_t response;
        const char* uri;
        const char* message;
    };
    for (const Case& c : {Case{1, "", "The screenshot was cancelled"},
                          Case{1, "file:///tmp/out.png", "The screenshot was cancelled"},
                          Case{2, "file:///tmp/out.png", "refused"}, Case{0, "", "refused"}}) {
        try {
            screenshotPath(c.response, c.uri);
            ADD_FAILURE() << "no error for response " << c.response;
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
}

}  // namespace
}  // namespace pelko::wayland
