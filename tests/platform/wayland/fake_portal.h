#pragma once

#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "core/error.h"
#include "support/ready_process.h"

// A fake desktop portal (one of the Python scripts beside this file) on a private session bus,
// for tests of the portal clients without a desktop.
namespace pelko::test {

// The lines of a command's standard output; empty when it fails.
inline std::vector<std::string> outputLines(const std::string& command) {
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

// Whether a private bus and the fake portals can run here (dbus-daemon and python3-dbus).
inline bool fakePortalCanRun() {
    return !outputLines("command -v dbus-daemon").empty() &&
           std::system(PELKO_TEST_PYTHON " -c 'import dbus, dbus.service, gi.repository.GLib'") ==
               0;
}

// A private session bus (DBUS_SESSION_BUS_ADDRESS while it lives), and the fake portal `script`
// on it run with `args`; no portal at all when script is empty.
class FakePortal {
  public:
    FakePortal(const std::string& script, const std::vector<std::string>& args) {
        const auto bus =
            outputLines("dbus-daemon --session --fork --print-address=1 --print-pid=1");
        if (bus.size() < 2) {
            throw Error("dbus-daemon did not start");
        }
        m_daemon = std::stoi(bus[1]);
        ::setenv("DBUS_SESSION_BUS_ADDRESS", bus[0].c_str(), 1);
        if (script.empty()) {
            return;
        }
        std::vector<std::string> argv{PELKO_TEST_PYTHON, script};
        argv.insert(argv.end(), args.begin(), args.end());
        // The fake says "ready" once it owns the portal's name.
        m_fake.emplace(argv);
    }
    ~FakePortal() {
        m_fake.reset();
        ::kill(m_daemon, SIGTERM);
        ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    }
    FakePortal(const FakePortal&) = delete;
    FakePortal& operator=(const FakePortal&) = delete;

  private:
    pid_t m_daemon = -1;
    std::optional<ReadyProcess> m_fake;
};

}  // namespace pelko::test
