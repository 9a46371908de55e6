#include <gtest/gtest.h>
#include <poll.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "core/error.h"
#include "fake_portal.h"
#include "platform/wayland/portal_hotkeys.h"
#include "platform/wayland/shortcut_trigger.h"
#include "support/temp_dir.h"

namespace pelko::wayland {
namespace {

TEST(PortalTrigger, WritesModifiersThenTheKeysymName) {
    struct Case {
        std::uint32_t value;
        const char* trigger;
    };
    for (const Case& c :
         {Case{0x2C, "Print"}, Case{0x6046, "CTRL+SHIFT+F"}, Case{0x8078, "ALT+F9"},
          Case{0x10065, "LOGO+KP_5"}, Case{0x1E000 | 0x21, "CTRL+ALT+SHIFT+LOGO+Prior"},
          Case{0x4000 | 0xBD, "CTRL+minus"}, Case{0x20, "space"}, Case{0x30, "0"},
          Case{0x87, "F24"}, Case{0xAF, "XF86AudioRaiseVolume"}, Case{0, ""}, Case{0x4000, ""},
          Case{0x07, ""}}) {
        EXPECT_EQ(portalTrigger(c.value), c.trigger) << c.value;
    }
}

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::string text, line;
    while (std::getline(in, line)) {
        text += line + "\n";
    }
    return text;
}

using Press = std::pair<std::uint32_t, std::size_t>;

// The presses reported until one comes, or none after a while.
std::vector<Press> awaitPress(PortalHotkeys& hotkeys) {
    std::vector<Press> presses;
    const auto collect = [&presses](std::uint32_t value, std::size_t slot) {
        presses.emplace_back(value, slot);
    };
    hotkeys.dispatch(collect);
    pollfd watch{hotkeys.fileDescriptor(), POLLIN, 0};
    while (presses.empty() && ::poll(&watch, 1, 5000) > 0) {
        hotkeys.dispatch(collect);
    }
    return presses;
}

// Slot 1 Print, slot 2 Ctrl+Shift+F, slot 5 Alt+F9, slot 8 Win+Num5; the others unset.
constexpr HotkeySlotValues kValues{0, 0x2C, 0x6046, 0, 0, 0x8078, 0, 0, 0x10065};

TEST(PortalHotkeys, BindsThroughTheFakePortalOrRefusesWithoutHanging) {
    if (!test::fakePortalCanRun()) {
        GTEST_SKIP() << "dbus-daemon or python3-dbus is missing";
    }
    const std::string asked = R"([["capture-screen", "Capture whole screen", "Print"], )"
                              R"(["capture-window", "Capture active window", "CTRL+SHIFT+F"], )"
                              R"(["capture-rounded-rect", "Capture rounded rect", "ALT+F9"], )"
                              R"(["capture-freehand", "Capture freehand region", "LOGO+KP_5"]])"
                              "\n";
    struct Case {
        const char* mode;
        const char* press;  // the id the fake activates after binding
        const char* error;  // part of the error bind throws; null: it binds
        std::vector<std::size_t> refused;
        std::vector<Press> presses;  // what the activation reports
    };
    const Case cases[] = {
        {"bind-all", "capture-window", nullptr, {}, {{0x6046, 2}}},
        {"bind-some", "capture-freehand", nullptr, {1}, {{0x10065, 8}}},
        {"bad-list", "", nullptr, {1, 2, 5, 8}, {}},
        {"cancel", "", "cancelled", {}, {}},
        {"silent", "", "did not answer in time", {}, {}},
        {"absent", "", "no global shortcuts portal", {}, {}},
        {"none", "", "no global shortcuts portal", {}, {}},
        {"bad-session", "", "no session", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        test::TempDir dir;
        const std::string log = dir.path() + "/asked";
        test::FakePortal portal(std::string(c.mode) == "none" ? "" : PELKO_FAKE_PORTAL,
                                {c.mode, log, c.press});
        PortalHotkeys hotkeys(400);
        if (c.error) {
            try {
                hotkeys.bind(kValues);
                ADD_FAILURE() << "bound";
            } catch (const Error& e) {
                EXPECT_NE(std::string(e.what()).find(c.error), std::string::npos) << e.what();
            }
            EXPECT_FALSE(hotkeys.active());
            continue;
        }
        EXPECT_EQ(hotkeys.bind(kValues), c.refused);
        EXPECT_EQ(readFile(log), asked);
        EXPECT_EQ(hotkeys.active(), !c.presses.empty());
        if (hotkeys.active()) {
            EXPECT_EQ(awaitPress(hotkeys), c.presses);
        }
    }
}

}  // namespace
}  // namespace pelko::wayland
