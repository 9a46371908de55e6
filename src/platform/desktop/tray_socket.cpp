#include "platform/desktop/tray_socket.h"

#include <fcntl.h>
#include <sys/epoll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "core/error.h"
#include "core/output/scratch_folder.h"

namespace pelko {

namespace {

// Peers connected at once; a further one pushes out the one connected longest ago.
constexpr std::size_t kMaxPeers = 16;
// Bytes read from one peer in one dispatch: a peer that never stops sending leaves time for
// the others and the user interface.
constexpr std::size_t kReadChunk = 64 * 1024;
constexpr int kChunksPerDispatch = 16;
// How long the command waits for a tray program that takes no more bytes.
constexpr int kSendTimeoutSeconds = 5;

std::string folderOf(const std::string& path) {
    return std::filesystem::path(path).parent_path().string();
}

std::optional<sockaddr_un> socketAddress(const std::string& path) {
    sockaddr_un address{};
    if (path.size() >= sizeof address.sun_path) {
        return std::nullopt;
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return address;
}

// A hash of the program folder's path (FNV-1a): short enough for a socket's name.
std::string folderKey(const std::string& programDir) {
    std::error_code error;
    std::filesystem::path folder = std::filesystem::absolute(programDir, error);
    std::string name = std::filesystem::weakly_canonical(folder, error).string();
    while (name.size() > 1 && name.back() == '/') {
        name.pop_back();
    }
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : name) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

Error systemError(const std::string& what, int error) {
    return Error(what + ": " + std::strerror(error));
}

}  // namespace

std::string traySocketFolder() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime == '/') {
        return std::string(runtime) + "/pelko-tray";
    }
    const char* tmp = std::getenv("TMPDIR");
    const std::string base = tmp && *tmp == '/' ? tmp : "/tmp";
    return base + "/pelko-tray-" + std::to_string(::getuid());
}

std::string traySocketPath(const std::string& socketFolder, const std::string& programDir) {
    const std::string path = socketFolder + "/tray-" + folderKey(programDir) + ".sock";
    if (!socketAddress(path)) {
        throw Error("The tray program's socket path is too long: " + path);
    }
    return path;
}

// --- The command's side ----------------------------------------------------------------------

std::optional<TrayConnection> TrayConnection::open(const std::string& path) {
    const std::optional<sockaddr_un> address = socketAddress(path);
    int error = 0;
    if (!address || !openScratchFolder(folderOf(path), error)) {
        return std::nullopt;
    }
    FileDescriptor socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!socket) {
        return std::nullopt;
    }
    if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&*address), sizeof *address) !=
        0) {
        return std::nullopt;
    }
    const timeval timeout{kSendTimeoutSeconds, 0};
    ::setsockopt(socket.get(), SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    return TrayConnection(std::move(socket));
}

bool TrayConnection::send(const TrayMessage& message) {
    const std::string line = encodeTrayMessage(message);
    for (std::size_t sent = 0; sent < line.size();) {
        const ssize_t n =
            ::send(m_socket.get(), line.data() + sent, line.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        sent += std::size_t(n);
    }
    return true;
}

// --- The tray program's side -----------------------------------------------------------------

struct TraySocketServer::Peer {
    FileDescriptor socket;
    TrayLineReader reader;
};

TraySocketServer::TraySocketServer(std::string path) : m_path(std::move(path)) {
    const std::optional<sockaddr_un> address = socketAddress(m_path);
    if (!address) {
        throw Error("The tray program's socket path is too long: " + m_path);
    }
    const std::string folder = folderOf(m_path);
    ::mkdir(folder.c_str(), 0700);  // mkdir never follows a link at its path
    int error = 0;
    if (!openScratchFolder(folder, error, true)) {
        throw systemError("Cannot use the folder " + folder, error);
    }
    // The lock says which tray program owns the socket's name: it ends with the process, so a
    // socket file without it is stale and may go.
    const std::string lockPath = m_path + ".lock";
    m_lock.reset(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!m_lock) {
        throw systemError("Cannot open " + lockPath, errno);
    }
    if (::flock(m_lock.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) {
            m_lock.reset();  // another tray program of this program folder listens
            return;
        }
        throw systemError("Cannot lock " + lockPath, errno);
    }
    ::unlink(m_path.c_str());
    FileDescriptor listener(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!listener ||
        ::bind(listener.get(), reinterpret_cast<const sockaddr*>(&*address), sizeof *address) !=
            0 ||
        ::listen(listener.get(), int(kMaxPeers)) != 0) {
        throw systemError("Cannot listen at " + m_path, errno);
    }
    m_poll.reset(::epoll_create1(EPOLL_CLOEXEC));
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.fd = listener.get();
    if (!m_poll || ::epoll_ctl(m_poll.get(), EPOLL_CTL_ADD, listener.get(), &event) != 0) {
        const int failure = errno;
        ::unlink(m_path.c_str());
        throw systemError("Cannot listen at " + m_path, failure);
    }
    m_listener = std::move(listener);
}

TraySocketServer::~TraySocketServer() {
    if (m_listener) {
        ::unlink(m_path.c_str());  // still ours: the lock is held until the end of this scope
    }
}

void TraySocketServer::dispatch(const std::function<void(const TrayMessage&)>& handler) {
    if (!m_listener) {
        return;
    }
    epoll_event events[kMaxPeers + 1];
    const int ready = ::epoll_wait(m_poll.get(), events, int(kMaxPeers + 1), 0);
    std::vector<TrayMessage> messages;
    for (int i = 0; i < ready; ++i) {
        const int fd = events[i].data.fd;
        if (fd == m_listener.get()) {
            accept();
            continue;
        }
        const auto peer = std::find_if(m_peers.begin(), m_peers.end(),
                                       [fd](const auto& p) { return p->socket.get() == fd; });
        if (peer != m_peers.end()) {
            read(**peer, messages);
        }
    }
    // Handled once no peer is in use: a handler may run an event loop that calls this again.
    for (const TrayMessage& message : messages) {
        handler(message);
    }
}

void TraySocketServer::accept() {
    for (;;) {
        FileDescriptor socket(
            ::accept4(m_listener.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!socket) {
            return;  // none waiting (or one that gave up meanwhile)
        }
        ucred peer{};
        socklen_t size = sizeof peer;
        if (::getsockopt(socket.get(), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 ||
            peer.uid != ::geteuid()) {
            continue;
        }
        if (m_peers.size() >= kMaxPeers) {
            drop(m_peers.front()->socket.get());
        }
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.fd = socket.get();
        if (::epoll_ctl(m_poll.get(), EPOLL_CTL_ADD, socket.get(), &event) != 0) {
            continue;
        }
        auto added = std::make_unique<Peer>();
        added->socket = std::move(socket);
        m_peers.push_back(std::move(added));
    }
}

void TraySocketServer::read(Peer& peer, std::vector<TrayMessage>& messages) {
    std::string chunk(kReadChunk, '\0');
    for (int round = 0; round < kChunksPerDispatch; ++round) {
        const ssize_t n = ::recv(peer.socket.get(), chunk.data(), chunk.size(), 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return;  // all read for now
        }
        if (n <= 0) {
            drop(peer.socket.get());  // the peer is done, or its connection failed
            return;
        }
        peer.reader.feed(std::string_view(chunk.data(), std::size_t(n)));
        while (const std::optional<std::string> line = peer.reader.next()) {
            if (std::optional<TrayMessage> message = decodeTrayMessage(*line)) {
                messages.push_back(std::move(*message));
            }
        }
        if (peer.reader.overflowed()) {
            drop(peer.socket.get());
            return;
        }
    }
}

void TraySocketServer::drop(int socket) {
    // Closing the socket takes it out of the epoll set.
    m_peers.erase(std::remove_if(m_peers.begin(), m_peers.end(),
                                 [socket](const auto& p) { return p->socket.get() == socket; }),
                  m_peers.end());
}

}  // namespace pelko
