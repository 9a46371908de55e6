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

}  // namespace
}  // namespace pelko::wayland
