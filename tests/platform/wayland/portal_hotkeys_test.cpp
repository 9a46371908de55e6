#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "core/error.h"
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

// The lines of a command's standard output; empty when it fails.
std::vector<std::string> outputLines(const std::string& command) {
    std::vector<std::string> lines;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        return lines;
    }
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) {
        std::string line = buffer;
        while (!line.empty() && line.back() == '\n') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    if (::pclose(pipe) != 0) {
        lines.clear();
    }
    return lines;
}

// A private session bus, and the fake portal on it for one mode ("none": no portal at all).
class FakePortal {
  public:
    FakePortal(const std::string& mode, const std::string& log, const std::string& press) {
        const auto bus =
            outputLines("dbus-daemon --session --fork --print-address=1 --print-pid=1");
        if (bus.size() < 2) {
            throw Error("dbus-daemon did not start");
        }
        m_daemon = std::stoi(bus[1]);
        ::setenv("DBUS_SESSION_BUS_ADDRESS", bus[0].c_str(), 1);
        if (mode == "none") {
            return;
        }
        int out[2];
        if (::pipe(out) != 0) {
            throw Error("no pipe");
        }
        m_fake = ::fork();
        if (m_fake == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::close(out[0]);
            ::execl(PELKO_TEST_PYTHON, PELKO_TEST_PYTHON, PELKO_FAKE_PORTAL, mode.c_str(),
                    log.c_str(), press.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(out[1]);
        // The fake says "ready" once it owns the portal's name; end of file: it failed.
        std::string said;
        char c;
        while (::read(out[0], &c, 1) == 1 && c != '\n') {
            said += c;
        }
        ::close(out[0]);
        if (said != "ready") {
            throw Error("The fake portal did not start");
        }
    }
    ~FakePortal() {
        for (pid_t pid : {m_fake, m_daemon}) {
            if (pid > 0) {
                ::kill(pid, SIGTERM);
            }
        }
        if (m_fake > 0) {
            ::waitpid(m_fake, nullptr, 0);
        }
        ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    }
    FakePortal(const FakePortal&) = delete;
    FakePortal& operator=(const FakePortal&) = delete;

  private:
    pid_t m_daemon = -1;
    pid_t m_fake = -1;
};

bool fakePortalCanRun() {
    return !outputLines("command -v dbus-daemon").empty() &&
           std::system(PELKO_TEST_PYTHON " -c 'import dbus, dbus.service, gi.repository.GLib'") ==
               0;
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
    if (!fakePortalCanRun()) {
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
        FakePortal portal(c.mode, log, c.press);
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
