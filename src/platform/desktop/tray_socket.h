#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/file_descriptor.h"
#include "platform/desktop/tray_message.h"

namespace pelko {

// The folder of the tray programs' sockets, private to the user: $XDG_RUNTIME_DIR/pelko-tray
// when that variable is set, else $TMPDIR (or /tmp) + "/pelko-tray-" + user id.
std::string traySocketFolder();

// The socket of the tray program of a program folder, in the given socket folder: one name per
// program folder (a hash of its absolute path), so that the tray programs of two program
// folders never take each other's messages. Throws pelko::Error when the path is too long for a
// socket.
std::string traySocketPath(const std::string& socketFolder, const std::string& programDir);

// The command's connection to a running tray program.
class TrayConnection {
  public:
    // Connects to the tray program listening at path. None when none listens: no socket file,
    // one that a tray program left when it ended, or a socket folder that is not the user's
    // own and private.
    static std::optional<TrayConnection> open(const std::string& path);

    // Sends one message; false when the tray program no longer takes it (it ended).
    bool send(const TrayMessage& message);

  private:
    explicit TrayConnection(FileDescriptor socket) : m_socket(std::move(socket)) {}
    FileDescriptor m_socket;
};

// The tray program's side: listens at its socket and reads the messages of every peer that
// connects, without ever waiting for one. Lines that are no message are passed over; a peer
// whose line grows past kMaxTrayLine, or that is not this user, is disconnected.
class TraySocketServer {
  public:
    // Listens at path, creating its folder (0700) when missing. A socket file left by a tray
    // program that ended is replaced; while another tray program of the same program folder
    // runs, this one leaves its socket alone and does not listen. Throws pelko::Error with the
    // system's message when the folder is not the user's own and private or the socket cannot
    // be made.
    explicit TraySocketServer(std::string path);
    // Removes the socket file of a listening server.
    ~TraySocketServer();
    TraySocketServer(const TraySocketServer&) = delete;
    TraySocketServer& operator=(const TraySocketServer&) = delete;

    bool listening() const { return bool(m_listener); }
    // Readable whenever dispatch() has something to do: a peer connecting, sending or leaving.
    int fileDescriptor() const { return m_poll.get(); }
    // Accepts peers and reads what they sent, handing each message to the handler.
    void dispatch(const std::function<void(const TrayMessage&)>& handler);

  private:
    struct Peer;
    void accept();
    // Reads what the peer sent, adding its messages; drops a peer that is done or overflowed.
    void read(Peer& peer, std::vector<TrayMessage>& messages);
    void drop(int socket);

    std::string m_path;
    FileDescriptor m_lock;  // held while this tray program owns the socket's name
    FileDescriptor m_listener;
    FileDescriptor m_poll;  // an epoll set of the listener and the peers
    std::vector<std::unique_ptr<Peer>> m_peers;
};

}  // namespace pelko
