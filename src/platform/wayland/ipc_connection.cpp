#include "platform/wayland/ipc_connection.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/error.h"

namespace pelko::wayland {

IpcConnection::IpcConnection(const std::string& path, std::string peer, Deadline deadline)
    : m_peer(std::move(peer)), m_deadline(deadline) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) {
        fail("no IPC socket at \"" + path + "\"");
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    // Non-blocking: a compositor whose queue of connections is full refuses at once instead of
    // keeping us waiting without a limit.
    m_fd.reset(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!m_fd) {
        fail(std::string("no socket: ") + std::strerror(errno));
    }
    if (::connect(m_fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int error = errno;
        fail("cannot connect to its IPC socket \"" + path + "\": " + std::strerror(error));
    }
}

void IpcConnection::fail(const std::string& why) const {
    throw Error(m_peer + " did not tell which window is active (" + why + ")");
}

void IpcConnection::wait(short events) const {
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              m_deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) {
            fail("no answer on its IPC socket in time");
        }
        pollfd p{m_fd.get(), events, 0};
        const int ready = ::poll(&p, 1, int(left));
        if (ready > 0) {
            return;
        }
        if (ready < 0 && errno != EINTR) {
            fail(std::string("its IPC socket failed: ") + std::strerror(errno));
        }
    }
}

void IpcConnection::send(std::string_view bytes) {
    while (!bytes.empty()) {
        wait(POLLOUT);
        const ssize_t n = ::send(m_fd.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            continue;
        }
        if (n <= 0) {
            fail("its IPC socket closed before the request was sent");
        }
        bytes.remove_prefix(std::size_t(n));
    }
}

void IpcConnection::read(char* out, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        wait(POLLIN);
        const ssize_t n = ::read(m_fd.get(), out + done, size - done);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            continue;
        }
        if (n <= 0) {
            fail("its IPC socket closed before the answer was complete");
        }
        done += std::size_t(n);
    }
}

std::string IpcConnection::readToEnd(std::size_t maxSize) {
    std::string answer;
    char chunk[65536];
    for (;;) {
        wait(POLLIN);
        const ssize_t n = ::read(m_fd.get(), chunk, sizeof chunk);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            continue;
        }
        if (n < 0) {
            fail(std::string("its IPC socket failed: ") + std::strerror(errno));
        }
        if (n == 0) {
            return answer;
        }
        if (answer.size() + std::size_t(n) > maxSize) {
            fail("its answer is too long");
        }
        answer.append(chunk, std::size_t(n));
    }
}

}  // namespace pelko::wayland
