#include "platform/desktop/tray_socket.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "core/error.h"
#include "core/file_descriptor.h"
#include "support/temp_dir.h"

namespace pelko {
namespace {

using test::TempDir;

// The messages a server hands out, gathered.
struct Received {
    std::vector<std::vector<std::string>> edits;
    std::vector<int> countdowns;

    std::size_t count() const { return edits.size() + countdowns.size(); }
};

// Dispatches until `wanted` messages arrived, or nothing more happens for idleMs.
Received pump(TraySocketServer& server, std::size_t wanted, Received got = {}, int idleMs = 5000) {
    while (got.count() < wanted) {
        pollfd p{server.fileDescriptor(), POLLIN, 0};
        if (::poll(&p, 1, idleMs) <= 0) {
            break;
        }
        server.dispatch([&got](const TrayMessage& m) {
            if (m.kind == TrayMessage::Kind::Edit) {
                got.edits.push_back(m.files);
            } else {
                got.countdowns.push_back(m.secondsLeft);
            }
        });
    }
    return got;
}

// A peer that writes raw bytes.
FileDescriptor rawPeer(const std::string& path) {
    FileDescriptor fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    if (::connect(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        fd.reset();
    }
    return fd;
}

void writeAll(int fd, const std::string& bytes) {
    for (std::size_t sent = 0; sent < bytes.size();) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            return;
        }
        sent += std::size_t(n);
    }
}

// Whether the other end closed the connection (with bytes of ours unread, or none).
bool disconnected(int fd) {
    char byte;
    const ssize_t n = ::recv(fd, &byte, 1, MSG_DONTWAIT);
    return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
}

TEST(TraySocket, PathIsPrivateToTheRuntimeFolderAndOnePerProgramFolder) {
    TempDir dir;
    const std::string a = traySocketPath(dir.path(), dir.file("a"));
    EXPECT_EQ(a.rfind(dir.path() + "/tray-", 0), 0u) << a;
    EXPECT_EQ(a, traySocketPath(dir.path(), dir.file("a/")));
    EXPECT_EQ(a, traySocketPath(dir.path(), dir.file("b/../a")));
    EXPECT_NE(a, traySocketPath(dir.path(), dir.file("b")));
    EXPECT_THROW(traySocketPath(std::string(120, 'x'), "/a"), Error);
}

TEST(TraySocket, MessagesOfSeveralCommandsArriveInOrder) {
    TempDir dir;
    const std::string path = traySocketPath(dir.file("sockets"), dir.path());
    EXPECT_FALSE(TrayConnection::open(path));  // no tray program yet
    TraySocketServer server(path);
    ASSERT_TRUE(server.listening());
    struct stat st {};
    ASSERT_EQ(::stat(dir.file("sockets").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    auto edit = TrayConnection::open(path);
    auto delay = TrayConnection::open(path);
    ASSERT_TRUE(edit && delay);
    const TrayMessage files =
        TrayMessage::edit({"/tmp/A.png", "/tmp/B c.png", "/tmp/new\nline\xff.png"});
    EXPECT_TRUE(delay->send(TrayMessage::countdown(2)));
    EXPECT_TRUE(edit->send(files));
    EXPECT_TRUE(delay->send(TrayMessage::countdown(1)));
    edit.reset();  // a command that ends at once still has its message read
    const Received got = pump(server, 3);
    ASSERT_EQ(got.edits.size(), 1u);
    EXPECT_EQ(got.edits[0], files.files);
    EXPECT_EQ(got.countdowns, (std::vector<int>{2, 1}));
}

TEST(TraySocket, GarbageIsPassedOverAndAFloodingPeerIsCutOff) {
    TempDir dir;
    const std::string path = traySocketPath(dir.path(), dir.path());
    TraySocketServer server(path);
    FileDescriptor noisy = rawPeer(path);
    FileDescriptor flood = rawPeer(path);
    ASSERT_TRUE(noisy && flood);
    writeAll(noisy.get(), "\xff\xfe garbage\n\nedit\nedit /a%zz\ncountdown 3");
    writeAll(noisy.get(), "\n");
    // More than a line may hold, with a message after it that is never read. The server
    // drops the connection as soon as the line passes the limit: the writer then fails.
    const timeval patience{10, 0};  // a server that never cuts it off fails, not hangs
    ::setsockopt(flood.get(), SOL_SOCKET, SO_SNDTIMEO, &patience, sizeof patience);
    std::thread flooding([&flood] {
        writeAll(flood.get(), std::string(kMaxTrayLine + 1, 'x') + "\ncountdown 9\n");
    });
    const Received got = pump(server, 2, {}, 1000);  // runs until nothing more happens
    flooding.join();
    EXPECT_EQ(got.countdowns, std::vector<int>{3});
    EXPECT_TRUE(got.edits.empty());
    EXPECT_TRUE(disconnected(flood.get())) << "the flooding peer is still connected";
    // The server goes on for others.
    auto later = TrayConnection::open(path);
    ASSERT_TRUE(later);
    EXPECT_TRUE(later->send(TrayMessage::countdown(1)));
    EXPECT_EQ(pump(server, 1).countdowns, std::vector<int>{1});
}

TEST(TraySocket, StaleSocketIsReplacedButALiveOneIsLeftAlone) {
    TempDir dir;
    const std::string path = traySocketPath(dir.path(), dir.path());
    {
        // A tray program that ended without removing its socket file.
        FileDescriptor crashed(::socket(AF_UNIX, SOCK_STREAM, 0));
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        ASSERT_EQ(::bind(crashed.get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ASSERT_EQ(::listen(crashed.get(), 1), 0);
    }
    ASSERT_TRUE(std::filesystem::exists(path));
    EXPECT_FALSE(TrayConnection::open(path)) << "a stale socket counts as a running tray";

    auto first = std::make_unique<TraySocketServer>(path);
    EXPECT_TRUE(first->listening());
    {
        // A second tray program of the same program folder leaves the first one's socket.
        TraySocketServer second(path);
        EXPECT_FALSE(second.listening());
    }
    auto connection = TrayConnection::open(path);
    ASSERT_TRUE(connection);
    EXPECT_TRUE(connection->send(TrayMessage::countdown(4)));
    EXPECT_EQ(pump(*first, 1).countdowns, std::vector<int>{4});
    first.reset();
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(TrayConnection::open(path));
}

TEST(TraySocket, AFolderOthersMayEnterIsNotUsed) {
    TempDir dir;
    const std::string folder = dir.file("open");
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    const std::string path = traySocketPath(folder, dir.path());
    TraySocketServer server(path);
    ASSERT_TRUE(server.listening());
    ::chmod(folder.c_str(), 0755);
    EXPECT_FALSE(TrayConnection::open(path));
    // Nor a link in its place.
    const std::string link = dir.file("link");
    std::filesystem::create_directory_symlink(folder, link);
    EXPECT_THROW(TraySocketServer(traySocketPath(link, dir.path())), Error);
}

}  // namespace
}  // namespace pelko
