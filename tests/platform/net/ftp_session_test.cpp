#include "platform/net/ftp_session.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>

#include "ftp_test_helpers.h"

namespace pelko {
namespace {

using namespace test;
using namespace std::chrono_literals;

// Records the reports of starts, which arrive on the session's thread.
class Recorder {
  public:
    FtpStartReports reports() {
        FtpStartReports r;
        r.connected = [this] { add("connected"); };
        r.folderChanged = [this] { add("folder"); };
        r.progress.begin = [this](std::int64_t n) { add("begin " + std::to_string(n)); };
        r.progress.work = [this](std::int64_t n) {
            std::lock_guard lock(m_mutex);
            if (m_events.back() != "work") {
                m_events.push_back("work");
            }
            m_lastWork = n;
            m_changed.notify_all();
        };
        r.progress.end = [this] { add("end"); };
        r.finished = [this](std::exception_ptr error, bool connected) {
            std::string text = "finished ok";
            if (error) {
                try {
                    std::rethrow_exception(error);
                } catch (const std::exception& e) {
                    text = std::string("finished \"") + e.what() + "\"";
                }
            }
            add(text + (connected ? " connected" : ""));
        };
        return r;
    }

    // Waits until an event starting with prefix has come; false after the time given.
    bool waitFor(const std::string& prefix, std::chrono::milliseconds limit = 20s) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, limit, [&] {
            for (const std::string& e : m_events) {
                if (startsWith(e, prefix)) {
                    return true;
                }
            }
            return false;
        });
    }
    std::vector<std::string> events() {
        std::lock_guard lock(m_mutex);
        return m_events;
    }
    std::int64_t lastWork() {
        std::lock_guard lock(m_mutex);
        return m_lastWork;
    }
    void clear() {
        std::lock_guard lock(m_mutex);
        m_events.clear();
    }

  private:
    void add(std::string e) {
        std::lock_guard lock(m_mutex);
        m_events.push_back(std::move(e));
        m_changed.notify_all();
    }
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::string> m_events;
    std::int64_t m_lastWork = -1;
};

using Events = std::vector<std::string>;

TEST(FtpSession, StartReportsEachStepInOrder) {
    FtpTestServer server;
    TempDir local;
    std::string data = randomBytes(1'000'000);
    writeText(local.file("shot.png"), data);
    FtpSession session;
    Recorder rec;
    session.start({logonTo(server), "/public_html/", local.file("shot.png"), "web.png"},
                  rec.reports());
    ASSERT_TRUE(rec.waitFor("finished"));
    EXPECT_EQ(rec.events(), (Events{"connected", "folder", "begin 1000000", "work", "end",
                                    "finished ok connected"}));
    EXPECT_EQ(rec.lastWork(), 1'000'000);
    EXPECT_EQ(readText(server.root() + "/public_html/web.png"), data);

    // "Start" again: the open connection serves, the file is uploaded once more.
    rec.clear();
    session.start({logonTo(server), "/public_html/", local.file("shot.png"), ""}, rec.reports());
    ASSERT_TRUE(rec.waitFor("finished"));
    EXPECT_EQ(rec.events().back(), "finished ok connected");
    EXPECT_EQ(readText(server.root() + "/public_html/shot.png"), data);
    EXPECT_EQ(countCommands(server.log(), "USER"), 1);
}

TEST(FtpSession, AFailureBeforeTheUploadEndsTheStartThere) {
    FtpTestServer server;
    TempDir local;
    writeText(local.file("shot.png"), "data");
    std::uint16_t closed = closedPort();
    struct Case {
        const char* what;
        FtpLogon logon;
        const char* folder;
        Events events;
    } cases[] = {
        {"wrong password",
         logonTo(server, "pelko", "wrong"),
         "/public_html/",
         {"finished \"530 Authentication failed.\""}},
        {"unknown folder",
         logonTo(server),
         "/nope/",
         {"connected",
          "finished \"550 No such file or "
          "directory.\" connected"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FtpSession session;
        Recorder rec;
        session.start({c.logon, c.folder, local.file("shot.png"), "web.png"}, rec.reports());
        ASSERT_TRUE(rec.waitFor("finished"));
        EXPECT_EQ(rec.events(), c.events);
    }
    EXPECT_EQ(countCommands(server.log(), "STOR"), 0);
    EXPECT_FALSE(std::filesystem::exists(server.root() + "/web.png"));

    FtpSession session;
    Recorder rec;
    session.start({{{"127.0.0.1", closed}, "pelko", "secret"}, "/", local.file("shot.png"), ""},
                  rec.reports());
    ASSERT_TRUE(rec.waitFor("finished"));
    ASSERT_EQ(rec.events().size(), 1u);
    EXPECT_TRUE(startsWith(rec.events()[0], "finished \"Failed to connect to 127.0.0.1"));
}

// Cancel stops a throttled upload at its next progress report, Disconnect at once; neither
// is reported as an error, the connection is closed, and the next start works.
TEST(FtpSession, CancelAndDisconnectStopTheUploadAndCloseTheConnection) {
    FtpTestServer server({.rate = 200000});
    TempDir local;
    writeText(local.file("big.bin"), randomBytes(16'000'000));
    writeText(local.file("small.bin"), "small");
    struct Case {
        const char* what;
        void (FtpSession::*stop)();
    } cases[] = {
        {"cancel", &FtpSession::cancel},
        {"disconnect", &FtpSession::disconnect},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FtpSession session;
        Recorder rec;
        session.start({logonTo(server), "/public_html/", local.file("big.bin"), ""}, rec.reports());
        ASSERT_TRUE(rec.waitFor("work"));
        std::this_thread::sleep_for(200ms);
        (session.*c.stop)();
        // Stopped, not finished: the whole transfer would take 80 s.
        ASSERT_TRUE(rec.waitFor("finished"));
        EXPECT_EQ(rec.events(),
                  (Events{"connected", "folder", "begin 16000000", "work", "end", "finished ok"}));
        EXPECT_LT(rec.lastWork(), 16'000'000);

        rec.clear();
        session.start({logonTo(server), "/public_html/", local.file("small.bin"), ""},
                      rec.reports());
        ASSERT_TRUE(rec.waitFor("finished"));
        EXPECT_EQ(rec.events().back(), "finished ok connected");
        EXPECT_EQ(readText(server.root() + "/public_html/small.bin"), "small");
    }
}

TEST(FtpSession, EndingStopsARunningUploadAtOnceAndSendsQuitWhenIdle) {
    FtpTestServer server({.rate = 200000});
    TempDir local;
    writeText(local.file("big.bin"), randomBytes(16'000'000));
    writeText(local.file("small.bin"), "small");
    {
        auto session = std::make_unique<FtpSession>();
        Recorder rec;
        session->start({logonTo(server), "", local.file("big.bin"), ""}, rec.reports());
        ASSERT_TRUE(rec.waitFor("work"));
        session.reset();
        // Stopped, not finished: the whole transfer would take 80 s.
        EXPECT_LT(std::filesystem::file_size(server.root() + "/big.bin"), 16'000'000u);
    }
    std::string before = server.log();
    {
        FtpSession session;
        Recorder rec;
        session.start({logonTo(server), "", local.file("small.bin"), ""}, rec.reports());
        ASSERT_TRUE(rec.waitFor("finished"));
    }
    EXPECT_EQ(countCommands(server.log().substr(before.size()), "QUIT"), 1);
}

TEST(FtpSession, TwoSessionsUploadAtTheSameTime) {
    FtpTestServer server({.rate = 2'000'000});
    TempDir local;
    std::string a = randomBytes(3'000'000, 1), b = randomBytes(3'000'000, 2);
    writeText(local.file("a.bin"), a);
    writeText(local.file("b.bin"), b);
    FtpSession first, second;
    Recorder recA, recB;
    first.start({logonTo(server), "/public_html/", local.file("a.bin"), ""}, recA.reports());
    second.start({logonTo(server), "/public_html/", local.file("b.bin"), ""}, recB.reports());
    ASSERT_TRUE(recA.waitFor("finished"));
    ASSERT_TRUE(recB.waitFor("finished"));
    EXPECT_EQ(recA.events().back(), "finished ok connected");
    EXPECT_EQ(recB.events().back(), "finished ok connected");
    EXPECT_EQ(readText(server.root() + "/public_html/a.bin"), a);
    EXPECT_EQ(readText(server.root() + "/public_html/b.bin"), b);
}

// "Cancel" while the server has taken the connection but not answered: the start ends at
// once, without an error, long before any time-out, and the session serves the next start.
TEST(FtpSession, CancelStopsAStartThatIsStillConnecting) {
    SilentServer silent;
    FtpTestServer server;
    TempDir local;
    writeText(local.file("a.png"), "picture");
    FtpSession session;  // the usual time-outs, far longer than the waits below
    Recorder r;
    session.start({{parseFtpAddress(silent.hostText()), "pelko", "secret"},
                   "/public_html/",
                   local.file("a.png"),
                   ""},
                  r.reports());
    ASSERT_TRUE(waitUntil([&] { return silent.accepted() == 1; }));
    session.cancel();
    ASSERT_TRUE(r.waitFor("finished", 10s));
    EXPECT_EQ(r.events(), std::vector<std::string>{"finished ok"});
    r.clear();
    session.start({logonTo(server), "/public_html/", local.file("a.png"), ""}, r.reports());
    ASSERT_TRUE(r.waitFor("finished", 10s));
    EXPECT_EQ(r.events().back(), "finished ok connected");
    EXPECT_EQ(readText(server.root() + "/public_html/a.png"), "picture");
    EXPECT_TRUE(waitUntil([&] { return silent.open() == 0; }));  // the unanswered one closed
}

}  // namespace
}  // namespace pelko
