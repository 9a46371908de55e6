#pragma once

// A local FTP server for a test: tests/support/ftp_server.py (pyftpdlib) on 127.0.0.1 and a
// free port, started under `timeout` and stopped by its process id.
//
// Needs the compile definitions PELKO_TEST_PYTHON and PELKO_FTP_SERVER_SCRIPT.

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_dir.h"

extern char** environ;

namespace pelko::test {

struct FtpServerOptions {
    std::vector<std::string> users{"pelko:secret"};  // NAME:PASSWORD, each with the root as home
    int rate = 0;                                    // bytes per second an upload is read at
    int dropAfter = 0;   // the data connection of an upload closes after that many bytes
    int stallAfter = 0;  // the data connection of an upload is no longer read after that many
};

class FtpTestServer {
  public:
    explicit FtpTestServer(const FtpServerOptions& options = {}) {
        std::filesystem::create_directories(root() + "/public_html");
        std::vector<std::string> args{"/usr/bin/timeout",
                                      "-s",
                                      "TERM",
                                      "600",
                                      PELKO_TEST_PYTHON,
                                      PELKO_FTP_SERVER_SCRIPT,
                                      "--root",
                                      root(),
                                      "--port-file",
                                      m_dir.file("port"),
                                      "--log",
                                      logFile()};
        for (const std::string& user : options.users) {
            args.insert(args.end(), {"--user", user});
        }
        if (options.rate > 0) {
            args.insert(args.end(), {"--rate", std::to_string(options.rate)});
        }
        if (options.dropAfter > 0) {
            args.insert(args.end(), {"--drop-after", std::to_string(options.dropAfter)});
        }
        if (options.stallAfter > 0) {
            args.insert(args.end(), {"--stall-after", std::to_string(options.stallAfter)});
        }
        std::vector<char*> argv;
        for (std::string& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        if (::posix_spawn(&m_pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
            throw std::runtime_error("cannot start the FTP test server");
        }
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (readText(m_dir.file("port")).empty()) {
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
                throw std::runtime_error("the FTP test server ended at its start");
            }
            if (std::chrono::steady_clock::now() > deadline) {
                stop();
                throw std::runtime_error("the FTP test server did not start");
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        m_port = static_cast<std::uint16_t>(std::stoi(readText(m_dir.file("port"))));
    }
    ~FtpTestServer() { stop(); }
    FtpTestServer(const FtpTestServer&) = delete;
    FtpTestServer& operator=(const FtpTestServer&) = delete;

    std::uint16_t port() const { return m_port; }
    // "127.0.0.1:port", as typed into a host box.
    std::string hostText() const { return "127.0.0.1:" + std::to_string(m_port); }
    // The folder served, every user's home; it holds an empty "public_html".
    std::string root() const { return m_dir.file("root"); }
    // Every command received so far, one a line (PASS without its argument).
    std::string log() const { return readText(logFile()); }
    std::string logFile() const { return m_dir.file("commands.log"); }

    void stop() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            int status = 0;
            ::waitpid(m_pid, &status, 0);
            m_pid = -1;
        }
    }

  private:
    TempDir m_dir;
    pid_t m_pid = -1;
    std::uint16_t m_port = 0;
};

// A port on 127.0.0.1 where nothing listens: connections to it are refused.
inline std::uint16_t closedPort() {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
}

// A server on 127.0.0.1 that accepts every connection and never says a word: a client waits
// for a greeting that does not come. It keeps each connection until the client closes it.
class SilentServer {
  public:
    SilentServer() {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
            ::listen(m_listener, 16) != 0 ||
            ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&a), &len) != 0 ||
            ::pipe2(m_wake, O_CLOEXEC) != 0) {
            throw std::runtime_error("cannot start the silent server");
        }
        m_port = ntohs(a.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
    ~SilentServer() {
        [[maybe_unused]] const ssize_t n = ::write(m_wake[1], "x", 1);
        m_thread.join();
        ::close(m_wake[0]);
        ::close(m_wake[1]);
        ::close(m_listener);
    }
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;

    // "127.0.0.1:port", as typed into a host box.
    std::string hostText() const { return "127.0.0.1:" + std::to_string(m_port); }
    // The connections taken so far, and of those the ones the client still holds open.
    int accepted() const { return m_accepted; }
    int open() const { return m_open; }

  private:
    void serve() {
        std::vector<int> clients;
        for (;;) {
            std::vector<pollfd> fds{{m_wake[0], POLLIN, 0}, {m_listener, POLLIN, 0}};
            for (int c : clients) {
                fds.push_back({c, POLLIN, 0});
            }
            if (::poll(fds.data(), fds.size(), -1) < 0 || fds[0].revents) {
                break;
            }
            for (std::size_t i = 2; i < fds.size(); ++i) {
                char buffer[4096];
                if (fds[i].revents && ::read(fds[i].fd, buffer, sizeof buffer) <= 0) {
                    ::close(fds[i].fd);
                    clients.erase(std::find(clients.begin(), clients.end(), fds[i].fd));
                }
            }
            if (fds[1].revents & POLLIN) {
                const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
                if (client >= 0) {
                    clients.push_back(client);
                    ++m_accepted;
                }
            }
            m_open = int(clients.size());
        }
        for (int c : clients) {
            ::close(c);
        }
    }

    int m_listener = -1;
    int m_wake[2] = {-1, -1};
    std::uint16_t m_port = 0;
    std::atomic<int> m_accepted{0};
    std::atomic<int> m_open{0};
    std::thread m_thread;
};

// Counts the lines of a command log that start with the command.
inline int countCommands(const std::string& log, const std::string& command) {
    int n = 0;
    std::size_t at = 0;
    while (at < log.size()) {
        std::size_t end = log.find('\n', at);
        std::string line = log.substr(at, end == std::string::npos ? std::string::npos : end - at);
        if (line == command || line.rfind(command + " ", 0) == 0) {
            ++n;
        }
        if (end == std::string::npos) {
            break;
        }
        at = end + 1;
    }
    return n;
}

}  // namespace pelko::test
