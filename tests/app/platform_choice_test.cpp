#include "app/platform_choice.h"

#include <gtest/gtest.h>

namespace pelko {
namespace {

TEST(ChoosePlatform, FollowsTheSessionUnlessAsked) {
    using P = DisplayPlatform;
    struct Case {
        std::optional<P> requested;
        const char* waylandDisplay;
        const char* sessionType;
        P expected;
    };
    const Case cases[] = {
        {std::nullopt, "wayland-0", "wayland", P::Wayland},
        {std::nullopt, "wayland-0", nullptr, P::Wayland},
        // XWayland programs of an X11 session may see a compositor's socket as well.
        {std::nullopt, "wayland-0", "x11", P::X11},
        {std::nullopt, nullptr, "wayland", P::X11},
        {std::nullopt, "", "wayland", P::X11},
        {P::X11, "wayland-0", "wayland", P::X11},
        {P::Wayland, nullptr, "x11", P::Wayland},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(choosePlatform(c.requested, c.waylandDisplay, c.sessionType), c.expected)
            << (c.waylandDisplay ? c.waylandDisplay : "(unset)") << " "
            << (c.sessionType ? c.sessionType : "(unset)");
    }
}

TEST(PlatformNamed, KnowsExactlyTheTwoNames) {
    EXPECT_EQ(platformNamed("x11"), DisplayPlatform::X11);
    EXPECT_EQ(platformNamed("wayland"), DisplayPlatform::Wayland);
    EXPECT_EQ(platformNamed("Wayland"), std::nullopt);
    EXPECT_EQ(platformNamed(""), std::nullopt);
}

}  // namespace
}  // namespace pelko
