#pragma once

#include <chrono>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/error.h"
#include "platform/net/ftp_client.h"
#include "support/ftp_test_server.h"

namespace pelko::test {

inline std::string randomBytes(std::size_t n, unsigned seed = 1) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (char& c : s) {
        c = static_cast<char>(gen());
    }
    return s;
}

inline FtpLogon logonTo(const FtpTestServer& server, std::string user = "pelko",
                        std::string password = "secret") {
    return {parseFtpAddress(server.hostText()), std::move(user), std::move(password)};
}

// The message of the pelko::Error that f raises, or "(no error)".
inline std::string errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const Error& e) {
        return e.what();
    }
    return "(no error)";
}

// Waits until the condition holds; false when it still does not after the time given.
inline bool waitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

inline bool startsWith(const std::string& s, const std::string& prefix) {
    return s.rfind(prefix, 0) == 0;
}

// The message libcurl gives for a refused connection; it names the time the attempt took.
inline bool isRefusedMessage(const std::string& message, std::uint16_t port) {
    return startsWith(message, "Failed to connect to 127.0.0.1 port " + std::to_string(port)) &&
           message.ends_with(": Couldn't connect to server");
}

}  // namespace pelko::test
