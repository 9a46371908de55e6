#include "platform/wayland/hyprland_ipc.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

#include "core/error.h"
#include "platform/wayland/hyprland_windows.h"
#include "platform/wayland/sway_tree.h"
#include "support/ready_process.h"
#include "support/temp_dir.h"

namespace pelko::wayland {
namespace {

// The command line of tests/platform/wayland/fake_hyprland.py listening on a socket for one
// scene, in one mode.
std::vector<std::string> fakeHyprland(const std::string& socket, const std::string& scene,
                                      const std::string& mode, const std::string& log) {
    return {PELKO_TEST_PYTHON,
            PELKO_FAKE_HYPRLAND,
            socket,
            PELKO_HYPRLAND_SCENES "/" + scene + ".json",
            mode,
            log};
}

TEST(HyprlandIpc, LooksUnderTheRuntimeFolderThenUnderTmp) {
    EXPECT_EQ(hyprlandSocketPaths("abc_1", "/run/user/7"),
              (std::vector<std::string>{"/run/user/7/hypr/abc_1/.socket.sock",
                                        "/tmp/hypr/abc_1/.socket.sock"}));
    EXPECT_EQ(hyprlandSocketPaths("abc_1", ""),
              (std::vector<std::string>{"/tmp/hypr/abc_1/.socket.sock"}));
}

TEST(HyprlandIpc, AsksForTheWindowsAndMonitorsOnTheRequestSocket) {
    test::TempDir runtime;
    const auto paths = hyprlandSocketPaths("sig_1", runtime.path());
    const std::string log = runtime.file("requests");
    test::ReadyProcess fake(fakeHyprland(paths.front(), "floating", "answer", log));
    HyprlandWindows windows(paths, 2000);
    EXPECT_EQ(windows.focusedWindow(), (Rect{100, 100, 500, 400}));
    EXPECT_EQ(windows.windowsOnShow(0),
              (std::vector<Rect>{{100, 100, 500, 400}, {300, 200, 700, 500}, {0, 0, 1920, 1080}}));
    EXPECT_EQ(windows.outputScale(0, 0, 2), 1);
    EXPECT_EQ(windows.outputScale(7, 7, 2), 2);
    EXPECT_EQ(test::readText(log),
              "j/activewindow\nj/clients\nj/monitors\nj/monitors\nj/monitors\n");
    // A socket where older releases keep it, when the newer place has none.
    EXPECT_EQ(
        hyprlandRequest({runtime.file("none/.socket.sock"), paths.front()}, "j/activewindow", 2000)
            .substr(0, 1),
        "{");
}

// A socket file that nothing listens on: connecting is refused.
void leaveDeadSocket(const std::string& path) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
}

TEST(HyprlandIpc, BadPeersEndInAClearErrorNeverAHang) {
    struct Case {
        const char* mode;  // of the fake; "missing": no socket, "refusing": nobody listens
        const char* hyprland;
        const char* sway;  // the same peer on sway's socket; null where it makes no sense
    };
    const Case cases[] = {
        {"missing", "Hyprland did not tell which window is active (cannot connect", nullptr},
        {"refusing", "Connection refused", "Connection refused"},
        {"garbage", "window list Pelko cannot read", "answered with something else"},
        {"truncated", "window list Pelko cannot read", nullptr},
        {"close", "closed without an answer", "closed before the answer was complete"},
        {"silent", "no answer on its IPC socket in time", "no answer on its IPC socket in time"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        test::TempDir runtime;
        const auto paths = hyprlandSocketPaths("sig_2", runtime.path());
        std::optional<test::ReadyProcess> fake;
        if (c.mode == std::string("refusing")) {
            leaveDeadSocket(paths.front());
        } else if (c.mode != std::string("missing")) {
            fake.emplace(fakeHyprland(paths.front(), "tiled", c.mode, runtime.file("requests")));
        }
        HyprlandWindows windows(paths, 300);
        for (int i = 0; i < 2; ++i) {
            try {
                if (i == 0) {
                    windows.focusedWindow();
                } else {
                    windows.windowsOnShow(0);
                }
                ADD_FAILURE() << "no error";
            } catch (const Error& e) {
                EXPECT_NE(std::string(e.what()).find(c.hyprland), std::string::npos) << e.what();
            }
        }
        if (c.sway) {
            try {
                swayWindowTree(paths.front(), 300);
                ADD_FAILURE() << "no error from sway's client";
            } catch (const Error& e) {
                EXPECT_NE(std::string(e.what()).find(c.sway), std::string::npos) << e.what();
                EXPECT_EQ(std::string(e.what()).rfind("sway did not tell", 0), 0u) << e.what();
            }
        }
    }
}

}  // namespace
}  // namespace pelko::wayland
