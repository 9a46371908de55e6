#pragma once

#include <xcb/xcb.h>

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/temp_dir.h"

namespace pelko::test {

// A child process (run under `timeout`) whose stdout comes through a pipe. The destructor stops
// it with SIGTERM (SIGKILL after a grace period) and reaps it.
class Process {
  public:
    // env entries replace or add variables of our own environment.
    explicit Process(const std::vector<std::string>& args,
                     const std::vector<std::pair<std::string, std::string>>& env = {},
                     int timeoutSeconds = 60);
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // The next line of output without its newline; none at end of output or after the timeout.
    std::optional<std::string> readLine(std::chrono::milliseconds timeout);
    // Waits for the exit; the exit status, or -1 when it was killed by a signal.
    int wait();

  private:
    int m_pid = -1;
    int m_out = -1;
    std::string m_buffer;
    bool m_reaped = false;
    int m_status = -1;
};

// Runs a program to its end; its exit status, stdout in *output when given.
int run(const std::vector<std::string>& args,
        const std::vector<std::pair<std::string, std::string>>& env = {},
        std::string* output = nullptr);

// An X server of our own from tests/desktop.sh, stopped on destruction; name() is empty when it
// could not be started (error() says why).
class PrivateDisplay {
  public:
    explicit PrivateDisplay(const std::string& geometry, bool windowManager = false);
    ~PrivateDisplay();
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;

    const std::string& name() const { return m_name; }
    const std::string& error() const { return m_error; }
    std::vector<std::pair<std::string, std::string>> env() const { return {{"DISPLAY", m_name}}; }

  private:
    TempDir m_state;
    std::string m_name;
    std::string m_error;
};

// Whether a program is found on PATH.
bool onPath(const std::string& program);

// pelko-show-picture with the given arguments, started and waited for until it says "ready".
// Stops it on destruction; the root background is reset when it ends.
class ShownPicture {
  public:
    ShownPicture(const std::vector<std::string>& args,
                 const std::vector<std::pair<std::string, std::string>>& env = {});
    bool ready() const { return m_ready; }

  private:
    Process m_process;
    bool m_ready = false;
};

// A plain xcb connection for what tests do or check on the display themselves.
class TestConnection {
  public:
    explicit TestConnection(const char* display = nullptr);
    ~TestConnection();
    TestConnection(const TestConnection&) = delete;
    TestConnection& operator=(const TestConnection&) = delete;

    bool ok() const { return !xcb_connection_has_error(m_conn); }
    xcb_connection_t* get() const { return m_conn; }
    const xcb_screen_t& screen() const { return *m_screen; }
    xcb_window_t root() const { return m_screen->root; }

    xcb_atom_t atom(const char* name);
    // 32-bit values of a window property (CARDINAL, WINDOW, ...); empty when it is missing.
    std::vector<std::uint32_t> property32(xcb_window_t w, const char* name);
    // A window of the tree below the root whose WM_NAME is name; XCB_NONE when none is.
    xcb_window_t findByName(const std::string& name);
    // Flushes and waits until the server has handled everything sent so far.
    void sync();

  private:
    xcb_connection_t* m_conn;
    const xcb_screen_t* m_screen = nullptr;
};

}  // namespace pelko::test
