#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

#include "core/file_descriptor.h"

namespace pelko::wayland {

// A connection to a compositor's IPC socket (a Unix stream socket) for one request and its
// answer. Every wait ends at the deadline given when it was opened: a compositor that does not
// answer ends the request with pelko::Error, never a hang. Messages say that `peer` did not
// tell which window is active, and why.
class IpcConnection {
  public:
    using Deadline = std::chrono::steady_clock::time_point;

    // Connects to the socket at path. Throws pelko::Error when nothing listens there.
    IpcConnection(const std::string& path, std::string peer, Deadline deadline);

    void send(std::string_view bytes);
    // Reads exactly size bytes.
    void read(char* out, std::size_t size);
    // Reads until the compositor closes the connection; at most maxSize bytes.
    std::string readToEnd(std::size_t maxSize);

    // Throws pelko::Error: peer did not tell the active window, for the reason why.
    [[noreturn]] void fail(const std::string& why) const;

  private:
    // Waits until the socket is ready for events (POLLIN or POLLOUT) before the deadline.
    void wait(short events) const;

    FileDescriptor m_fd;
    std::string m_peer;
    Deadline m_deadline;
};

// The answers of a compositor's IPC stay far below this, even with tens of thousands of windows.
constexpr std::size_t kMaxIpcAnswer = 64u << 20;

}  // namespace pelko::wayland
