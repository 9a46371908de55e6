#include "platform/net/ftp_client.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "ftp_test_helpers.h"

namespace pelko {
namespace {

using namespace test;
using Clock = std::chrono::steady_clock;

// What an upload reported.
struct Reports {
    std::vector<std::int64_t> begins, works;
    int ends = 0;
    FtpProgress progress() {
        return {[this](std::int64_t n) { begins.push_back(n); },
                [this](std::int64_t n) { works.push_back(n); }, [this] { ++ends; }};
    }
};

std::int64_t millisecondsSince(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

TEST(FtpClient, UploadsFilesUnchangedOverOneConnection) {
    FtpTestServer server;
    TempDir local;
    std::filesystem::create_directories(server.root() + "/public_html/sub dir");
    struct Case {
        const char* folder;
        const char* remoteName;
        std::size_t size;
        const char* uploadedAs;  // below the server's root
        const char* cwd;         // the CWD sent, or "" for none
    } cases[] = {
        {"/public_html/", "shot.png", 1000000, "public_html/shot.png", "CWD /public_html"},
        {"/public_html", "", 1234, "public_html/local shot.png", ""},  // same folder: no CWD
        {"", "top.bin", 70000, "top.bin", "CWD /"},                    // back to the log-on folder
        {"public_html/sub dir", "a b#%.bin", 1, "public_html/sub dir/a b#%.bin",
         "CWD public_html/sub dir"},
        {"/public_html/", "empty", 0, "public_html/empty", "CWD /public_html"},
    };
    FtpClient client;
    unsigned seed = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.uploadedAs);
        std::string before = server.log();
        std::string data = randomBytes(c.size, ++seed);
        std::string file = local.file("local shot.png");
        writeText(file, data);
        client.connect(logonTo(server));
        client.changeDir(c.folder);
        Reports r;
        client.upload(file, c.remoteName, r.progress());
        EXPECT_TRUE(client.connected());
        EXPECT_EQ(readText(server.root() + "/" + c.uploadedAs), data);
        EXPECT_EQ(r.begins, std::vector<std::int64_t>{std::int64_t(c.size)});
        EXPECT_EQ(r.ends, 1);
        if (c.size > 0) {
            ASSERT_FALSE(r.works.empty());
            EXPECT_EQ(r.works.back(), std::int64_t(c.size));
            EXPECT_TRUE(std::is_sorted(r.works.begin(), r.works.end()));
        }
        std::string sent = server.log().substr(before.size());
        std::string stor =
            std::string("STOR ") + std::filesystem::path(c.uploadedAs).filename().string();
        EXPECT_EQ(countCommands(sent, stor), 1) << sent;
        EXPECT_EQ(countCommands(sent, "PORT"), 1) << sent;  // active data connection
        EXPECT_EQ(countCommands(sent, "PASV") + countCommands(sent, "EPSV"), 0) << sent;
        if (*c.cwd) {
            EXPECT_EQ(countCommands(sent, c.cwd), 1) << sent;
        } else {
            EXPECT_EQ(countCommands(sent, "CWD"), 0) << sent;
        }
    }
    std::string log = server.log();
    EXPECT_EQ(countCommands(log, "USER pelko"), 1) << log;
    EXPECT_EQ(countCommands(log, "TYPE I"), 1) << log;
    EXPECT_EQ(countCommands(log, "QUIT"), 0) << log;
    client.disconnect();
    EXPECT_FALSE(client.connected());
    log = server.log();
    EXPECT_EQ(countCommands(log, "QUIT"), 1) << log;
}

TEST(FtpClient, AnotherLogonClosesTheOpenConnectionFirst) {
    FtpTestServer server({.users = {"pelko:secret", "other:pw"}});
    FtpClient client;
    client.connect(logonTo(server));
    client.connect(logonTo(server));  // the same: the open connection serves
    client.connect(logonTo(server, "other", "pw"));
    EXPECT_TRUE(client.connected());
    std::string log = server.log();
    EXPECT_EQ(log, "USER pelko\nPASS\nPWD\nQUIT\nUSER other\nPASS\nPWD\n");
}

TEST(FtpClient, FailuresRaiseTheClientsMessage) {
    FtpTestServer server({.users = {"pelko:secret", "reader:secret:elr"}});
    FtpTestServer dropping({.dropAfter = 200000});
    TempDir local;
    writeText(local.file("big.bin"), randomBytes(8'000'000));
    std::uint16_t closed = closedPort();
    struct Case {
        const char* what;
        std::function<void(FtpClient&)> action;
        std::string message;  // "refused": the refused-connection message
        bool connectedAfter;
    } cases[] = {
        {"wrong password", [&](FtpClient& c) { c.connect(logonTo(server, "pelko", "wrong")); },
         "530 Authentication failed.", false},
        {"unknown user", [&](FtpClient& c) { c.connect(logonTo(server, "nobody", "secret")); },
         "530 Authentication failed.", false},
        {"unknown folder",
         [&](FtpClient& c) {
             c.connect(logonTo(server));
             c.changeDir("/public_html/nope/");
         },
         "550 No such file or directory.", true},
        {"refused connection",
         [&](FtpClient& c) {
             c.connect({{"127.0.0.1", closed}, "pelko", "secret"});
         },
         "refused", false},
        {"dropped transfer",
         [&](FtpClient& c) {
             c.connect(logonTo(dropping));
             c.changeDir("/public_html/");
             c.upload(local.file("big.bin"), "big.bin", {});
         },
         "Failed sending data to the peer", false},
        {"a folder's name as the file name",
         [&](FtpClient& c) {
             c.connect(logonTo(server));
             c.upload(local.file("big.bin"), "public_html", {});
         },
         "550 Is a directory.", true},
        {"a user who may only read",
         [&](FtpClient& c) {
             c.connect(logonTo(server, "reader", "secret"));
             c.upload(local.file("big.bin"), "big.bin", {});
         },
         "550 Not enough privileges.", true},
        {"missing local file",
         [&](FtpClient& c) {
             c.connect(logonTo(server));
             c.upload(local.file("none.png"), "", {});
         },
         "Cannot open file \"" + local.file("none.png") + "\".", true},
        {"not connected", [&](FtpClient& c) { c.upload(local.file("big.bin"), "", {}); },
         "Not connected.", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FtpClient client;
        std::string message = errorOf([&] { c.action(client); });
        if (c.message == "refused") {
            EXPECT_TRUE(isRefusedMessage(message, closed)) << message;
        } else {
            EXPECT_EQ(message, c.message);
        }
        EXPECT_EQ(client.connected(), c.connectedAfter);
    }
    EXPECT_FALSE(std::filesystem::exists(server.root() + "/public_html/nope"));
}

// Cancel and Disconnect of the upload window: a throttled upload stops at its next progress
// report, or at once; the client can then connect and upload again.
TEST(FtpClient, AbortedUploadStopsAndLeavesTheClientUsable) {
    FtpTestServer server({.rate = 200000});
    TempDir local;
    writeText(local.file("big.bin"), randomBytes(16'000'000));
    writeText(local.file("small.bin"), "small");
    struct Case {
        const char* what;
        void (FtpClient::*abort)();
        std::int64_t maxMilliseconds;
    } cases[] = {
        {"at the next progress report", &FtpClient::abortAtNextProgress, 3000},
        {"at once", &FtpClient::stopNow, 3000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FtpClient client;
        client.connect(logonTo(server));
        client.changeDir("/public_html/");
        Reports r;
        Clock::time_point asked;
        std::thread aborter([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(400));
            asked = Clock::now();
            (client.*c.abort)();
        });
        std::string message =
            errorOf([&] { client.upload(local.file("big.bin"), "big.bin", r.progress()); });
        std::int64_t took = millisecondsSince(asked);
        aborter.join();
        EXPECT_EQ(message, "Transfer aborted.");
        EXPECT_LE(took, c.maxMilliseconds);
        EXPECT_EQ(r.ends, 1);
        EXPECT_FALSE(client.connected());
        EXPECT_LT(std::filesystem::file_size(server.root() + "/public_html/big.bin"), 16'000'000u);

        client.clearAborts();
        client.connect(logonTo(server));
        client.changeDir("/public_html/");
        client.upload(local.file("small.bin"), "", {});
        EXPECT_EQ(readText(server.root() + "/public_html/small.bin"), "small");
    }
}

// A server that takes the connection and never answers, and one that stops taking the data of
// an upload: each time-out ends the operation with a message instead of a wait without end.
TEST(FtpClient, TimeOutsEndWhatTheServerLeavesWaiting) {
    SilentServer silent;
    FtpTestServer stalling({.stallAfter = 1'000'000});
    TempDir local;
    writeText(local.file("big.bin"), randomBytes(32'000'000));  // more than the sockets buffer
    const FtpTimeouts quick{std::chrono::seconds(1), std::chrono::seconds(1),
                            std::chrono::seconds(1)};
    struct Case {
        const char* what;
        std::function<void(FtpClient&)> action;
        std::string message;
    } cases[] = {
        {"no greeting",
         [&](FtpClient& c) {
             c.connect({parseFtpAddress(silent.hostText()), "pelko", "x"});
         },
         "The server did not answer within 1 second."},
        {"a transfer that stops",
         [&](FtpClient& c) {
             c.connect(logonTo(stalling));
             c.changeDir("/public_html/");
             c.upload(local.file("big.bin"), "big.bin", {});
         },
         "The transfer made no progress for 1 second."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FtpClient client(quick);
        EXPECT_EQ(errorOf([&] { c.action(client); }), c.message);
    }
    EXPECT_EQ(silent.accepted(), 1);
}

}  // namespace
}  // namespace pelko
